// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/folder/mounttable.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVector>

// The mounted file systems a user keeps files on, as the Places view lists them between Home
// and "/": every mount under /media, /run/media/<user> and /mnt, and one of a card's type
// anywhere; never the system's own, nor a bind mount of one already listed.
class Places
{
public:
    struct Place
    {
        QByteArray point;
        QByteArray name; // its label, else the mount point's last part
        QByteArray type; // the mount's, "vfat"
        QByteArray source; // the device, for an eject
        dev_t device = 0;
        bool readOnly = false;
    };
    struct Space
    {
        qint64 free = -1; // for an unprivileged user; -1 where unknown
        qint64 total = -1;
        qint64 blocks = 0; // of the file system's own size: a FAT's clusters
    };

    // Ordered by mount point. labels: a device's label, by the device's path.
    static QVector<Place> among(const QVector<MountTable::Mount> &mounts, const QByteArray &user,
                                const QHash<QByteArray, QByteArray> &labels);
    // Those of this mount table, for the user running the program.
    static QVector<Place> read(QVector<MountTable::Mount> mounts);
    // The links of /dev/disk/by-label: each device's path (the link's target), with its label.
    static QHash<QByteArray, QByteArray> labels(const QByteArray &folder = "/dev/disk/by-label");
    // udev writes a blank and what a path cannot hold in a label as \x and two hex digits.
    static QByteArray decodedLabel(const QByteArray &linkName);
    static Space spaceOf(const QByteArray &point);
    // How a type is shown: "FAT32" (a FAT by its count of clusters), "exFAT", "NTFS"; else as
    // the mount gives it.
    static QString typeName(const QByteArray &type, qint64 blocks);
};
