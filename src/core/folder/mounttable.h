// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QVector>

#include <sys/types.h>

// The mounts this process sees, as /proc/self/mountinfo gives them: what another program wrote
// (a mount point may hold any byte), read as input. A line that is not whole is left out.
class MountTable
{
public:
    struct Mount
    {
        QByteArray point; // where it is mounted, unescaped
        QByteArray root; // what of its file system it shows: "/", or a folder for a bind mount
        QByteArray type; // "ext4", "vfat", "fuse.fusefat"...
        QByteArray source; // the device or what stands for it, unescaped
        dev_t device = 0;
        bool readOnly = false;
    };

    static QVector<Mount> parse(const QByteArray &mountinfo);
    // Those of this process now; none where the table cannot be read.
    static QVector<Mount> read();
    // The mount point that holds path (a real path, no links in it): the longest above it; and
    // that mount itself (of two on one point the later, which hides the other), or none.
    static QByteArray topOf(const QByteArray &realPath, const QVector<Mount> &mounts);
    static const Mount *holding(const QByteArray &realPath, const QVector<Mount> &mounts);
    // mountinfo writes a blank, a tab, a line break and a backslash as \ and three octal digits.
    static QByteArray unescaped(QByteArrayView field);
};
