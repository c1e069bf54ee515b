// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/trashplaces.h"

#include "core/folder/mounttable.h"
#include "core/names/filename.h"

#include <QDir>
#include <QSet>

#include <sys/stat.h>
#include <unistd.h>

QByteArray TrashPlaces::home()
{
    // A relative XDG_DATA_HOME is to be ignored, as the XDG base directories say.
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!data.startsWith(u'/'))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return FileName::toBytes(data) + "/Trash";
}

bool TrashPlaces::sharedIsSound(const QByteArray &top)
{
    struct stat shared;
    const QByteArray base = top == "/" ? QByteArray() : top;
    return ::lstat((base + "/.Trash").constData(), &shared) == 0 && S_ISDIR(shared.st_mode)
           && (shared.st_mode & S_ISVTX);
}

QVector<TrashPlaces::Place> TrashPlaces::at(const QByteArray &top)
{
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(::geteuid());
    QVector<Place> places;
    if (sharedIsSound(top))
        places.append({ base + "/.Trash/" + uid, top });
    places.append({ base + "/.Trash-" + uid, top });
    return places;
}

QVector<TrashPlaces::Place> TrashPlaces::all()
{
    QVector<Place> found;
    QSet<QPair<quint64, quint64>> seen;
    // Only a real folder of this user's own is a trash of theirs.
    const auto add = [&](const Place &place) {
        struct stat info;
        if (::lstat(place.trash.constData(), &info) != 0 || !S_ISDIR(info.st_mode)
            || info.st_uid != ::geteuid())
            return;
        if (seen.contains({ quint64(info.st_dev), quint64(info.st_ino) }))
            return;
        seen.insert({ quint64(info.st_dev), quint64(info.st_ino) });
        found.append(place);
    };
    add({ home(), QByteArray() });
    QSet<QByteArray> tops;
    // No trash on what holds no files, and none looked for where a look would mount something.
    static const QSet<QByteArray> noFiles = {
        "proc",    "sysfs",   "devtmpfs",    "devpts",   "cgroup", "cgroup2",    "securityfs",
        "debugfs", "tracefs", "pstore",      "bpf",      "mqueue", "hugetlbfs",  "configfs",
        "fusectl", "autofs",  "binfmt_misc", "efivarfs", "nsfs",   "rpc_pipefs",
    };
    for (const MountTable::Mount &mount : MountTable::read()) {
        if (tops.contains(mount.point) || noFiles.contains(mount.type))
            continue;
        tops.insert(mount.point);
        for (const Place &place : at(mount.point))
            add(place);
    }
    return found;
}
