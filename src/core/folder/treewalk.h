#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

struct stat;

// Walks a tree without following links, folders before what they hold, and hands each entry to
// a visitor that says where to go next. One walk for the counting, the searching and the
// clearing that the file operations need.
class TreeWalk
{
public:
    enum Next { Continue, SkipInside, Stop };
    // An entry's path as the walk reached it (beginning with the root as given; valid during the
    // call only) and its lstat.
    using Visitor = std::function<Next(QByteArrayView path, const struct stat &info)>;

    // False when the root cannot be walked at all; a root that does not exist is not visited.
    // *whole, when given, says whether every entry was reached: false where a folder could not
    // be read or an entry not looked at.
    static bool walk(const QByteArray &root, const Visitor &visit, bool *whole = nullptr);
    // The bytes of the regular files under root; -1 for a tree of more than limit entries.
    static qint64 bytesUnder(const QByteArray &root, int limit);
};
