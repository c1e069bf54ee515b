// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>

struct stat;

// Walks a tree without following links and hands each entry to a visitor that says where to go
// next: the one walk for the counting, the searching, the clearing and the removing that the
// file operations need.
class TreeWalk
{
public:
    enum Next { Continue, SkipInside, Stop };
    // An entry's path as the walk reached it (beginning with the root as given; valid during the
    // call only) and its lstat.
    using Visitor = std::function<Next(QByteArrayView path, const struct stat &info)>;

    // The most entries of a tree that the file operations look into for a search, a count of
    // bytes or an undo's marks: beyond it the answer would cost more than the work itself.
    static constexpr int limit = 100000;

    struct Options
    {
        // Asked every few hundred entries: false stops the walk.
        std::function<bool()> keepGoing;
        // Each folder after what it holds, as a removal needs; else before it.
        bool foldersLast = false;
        // Never into a file system mounted inside the tree.
        bool oneFileSystem = false;
    };
    struct Walked
    {
        bool opened = false; // the root could be walked at all (one that does not exist is not)
        bool whole = false; // every entry was reached: nothing unreadable, no stop
        bool stopped = false; // keepGoing() said no, or the visitor said Stop
    };

    static Walked walk(const QByteArray &root, const Visitor &visit, const Options &options);
    static Walked walk(const QByteArray &root, const Visitor &visit);
    // The bytes of the regular files under root; -1 for a tree of more than `most` entries.
    static qint64 bytesUnder(const QByteArray &root, int most = limit);
};
