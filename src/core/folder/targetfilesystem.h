// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <sys/types.h>

// What the file system of a destination folder allows, as far as a copy or move must know before
// it writes there: whether it is a memory card's or a Windows disk's (FAT, exFAT, NTFS, through
// the kernel or through FUSE), whether it compares names without case (those, and an ext4 folder
// with the casefold attribute), whether it keeps symbolic links (FAT and exFAT do not), and its
// longest name in bytes.
struct TargetFileSystem
{
    bool card = false;
    bool foldsCase = false;
    long nameMax = 255;
    qint64 unit = 4096; // what it allocates at least: a block, a card's cluster (statfs)
    bool links = true;
    qint64 largestFile = -1; // the largest file it holds, in bytes; -1: no limit of its own

    static TargetFileSystem of(const QByteArray &folder);

    // By the type that statfs gives and, for FUSE, the type of the mount in /proc/self/mountinfo.
    static bool isCard(qint64 statfsType, QByteArrayView mountType);
    // The same by the mount's type alone, as /proc/self/mountinfo gives it ("vfat", "fuseblk").
    static bool isCardType(QByteArrayView mountType);
    // FAT, through the kernel or FUSE, holds files up to 4 GiB - 1 byte; exFAT and NTFS have no
    // such limit: -1.
    static qint64 largestFileOn(qint64 statfsType, QByteArrayView mountType);
    // Whether a file system of that type keeps symbolic links: of the cards, NTFS alone.
    static bool keepsLinks(qint64 statfsType, QByteArrayView mountType);
    // The type that /proc/self/mountinfo gives the mount of this device ("fuse.fusefat"), or empty;
    // and the same read from a text of that form.
    static QByteArray mountTypeOf(dev_t device);
    static QByteArray mountTypeIn(const QByteArray &mountinfo, dev_t device);
    // Two names that a file system that folds case takes for one have the same folded form.
    static QString folded(const QString &name);

    // Whether a name of this length fits: bytes, and on a card at most 255 UTF-16 units.
    bool fits(const QString &name) const;
    // Whether the name can be stored at all: it fits, and on a card (which stores names as
    // UTF-16) is UTF-8, holds none of " * : < > ? \ | or a control character and ends in no
    // blank or dot.
    bool canHold(QByteArrayView name) const;
    bool holdsSize(qint64 size) const { return largestFile < 0 || size <= largestFile; }
    // What a file of this size takes there: whole units.
    qint64 taken(qint64 size) const { return (size + unit - 1) / unit * unit; }
    // A name it can hold for one it cannot: each character it refuses (a byte that is not UTF-8
    // among them) as "_", blanks and dots at
    // the end dropped, the base shortened by whole characters until it fits ("_" for nothing).
    QString mapped(const QString &name, bool isFolder) const;
};
