// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <QtGlobal>

// Which entry stands at a path: its device and inode, and its birth time where the file system
// keeps one (an inode number is soon given again, to whatever is made next). A rename keeps all
// three; an entry put in another's place under its name has others. Links are not followed.
struct EntryIdentity
{
    quint64 device = 0, inode = 0;
    qint64 born = 0; // nanoseconds; 0 where the file system keeps no birth time
    bool exists = false;

    // What stands at path now; one that does not exist is nothing there.
    static EntryIdentity of(const QString &path);
    static EntryIdentity of(const QByteArray &path);

    bool operator==(const EntryIdentity &other) const
    {
        return exists == other.exists && device == other.device && inode == other.inode
               && born == other.born;
    }
    bool operator!=(const EntryIdentity &other) const { return !(*this == other); }
};
