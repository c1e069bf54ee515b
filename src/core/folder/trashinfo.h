// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// An entry's .trashinfo, as the trash of freedesktop.org has it: where the entry stood and when it
// went. Whoever could write to the trash may have written it, a card's trash anyone: it is input,
// never instructions. An origin is taken only where it lies inside what the trash serves.
class TrashInfo
{
public:
    // Where the entry came from, or why that is not known.
    enum Origin {
        Known,
        OutsideItsTop, // an absolute path outside the file system that the trash serves
        ClimbsOut, // ".." in it
        Empty, // no Path=, or an empty one
        Undecodable, // a "%" not followed by two hexadecimal digits, or a byte 0
        NoInfo, // an entry in files/ with no info for it
    };
    struct Read
    {
        Origin origin = Empty;
        QByteArray path; // absolute, where the origin is known
        qint64 deleted = 0; // the DeletionDate as YYYYMMDDhhmmss, local time; 0 unknown
    };
    // Larger than any info is: a file over this is no info.
    static constexpr qint64 maxSize = 64 * 1024;

    // The text of an info of a trash that serves the file system at top ("/" or a mount point):
    // nothing where it is no info at all (no "[Trash Info]" group first). For the home trash,
    // where an absolute path may name anything, top is empty (a relative one is then unknown).
    static std::optional<Read> parse(QByteArrayView text, const QByteArray &top);
    // The info NAME.trashinfo in the folder open as folderFd: only a regular file of at most
    // maxSize, opened without following a link and without waiting on a pipe.
    static std::optional<Read> read(int folderFd, const QByteArray &fileName,
                                    const QByteArray &top);
    // The info that this program writes for an entry at path, which went at deleted
    // (YYYYMMDDhhmmss): Path= relative to top (empty for the home trash: absolute).
    static QByteArray text(const QByteArray &path, const QByteArray &top, qint64 deleted);
    // Now, as DeletionDate is kept.
    static qint64 now();
};
