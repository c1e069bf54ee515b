// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/places.h"

#include "core/folder/targetfilesystem.h"
#include "core/names/filename.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

bool within(const QByteArray &path, const QByteArray &folder)
{
    return path == folder || (path.startsWith(folder) && path.at(folder.size()) == '/');
}

bool below(const QByteArray &path, const QByteArray &folder)
{
    return path.size() > folder.size() + 1 && path.startsWith(folder + '/');
}

// The system's own: its virtual file systems, /run (but for the user's removable media) and
// what it boots from.
bool isSystems(const QByteArray &point, const QByteArray &userMedia)
{
    for (const char *folder : { "/proc", "/sys", "/dev", "/boot", "/efi" }) {
        if (within(point, folder))
            return true;
    }
    return within(point, "/run") && !below(point, userMedia);
}

} // namespace

QVector<Places::Place> Places::among(const QVector<MountTable::Mount> &mounts,
                                     const QByteArray &user,
                                     const QHash<QByteArray, QByteArray> &labels)
{
    const QByteArray userMedia = "/run/media/" + user;
    // A later mount on the same point hides the earlier one.
    QHash<QByteArray, qsizetype> latest;
    for (qsizetype i = 0; i < mounts.size(); ++i)
        latest.insert(mounts[i].point, i);
    QVector<const MountTable::Mount *> candidates;
    for (qsizetype i = 0; i < mounts.size(); ++i) {
        const MountTable::Mount &mount = mounts[i];
        if (latest.value(mount.point) != i || mount.point == "/"
            || isSystems(mount.point, userMedia))
            continue;
        const bool kept = below(mount.point, "/media") || below(mount.point, userMedia)
                          || within(mount.point, "/mnt");
        if (kept || TargetFileSystem::isCardType(mount.type))
            candidates.append(&mount);
    }
    // Of a file system mounted twice, the mount of its whole root, else the first by its point.
    std::stable_sort(candidates.begin(), candidates.end(), [](const auto *a, const auto *b) {
        return std::make_pair(a->root != "/", a->point) < std::make_pair(b->root != "/", b->point);
    });
    QSet<dev_t> listed;
    QVector<Place> places;
    for (const MountTable::Mount *mount : candidates) {
        if (listed.contains(mount->device))
            continue;
        listed.insert(mount->device);
        const QByteArray label = labels.value(mount->source);
        places.append({ mount->point,
                        label.isEmpty() ? FileName::lastPart(mount->point).toByteArray() : label,
                        mount->type, mount->source, mount->device, mount->readOnly });
    }
    std::sort(places.begin(), places.end(),
              [](const Place &a, const Place &b) { return a.point < b.point; });
    return places;
}

QVector<Places::Place> Places::read(QVector<MountTable::Mount> mounts)
{
    // A label's link names the device by its real path; the mount may name it by another.
    for (MountTable::Mount &mount : mounts) {
        if (mount.source.startsWith("/dev/")) {
            const QString real = QFileInfo(QFile::decodeName(mount.source)).canonicalFilePath();
            if (!real.isEmpty())
                mount.source = QFile::encodeName(real);
        }
    }
    const struct passwd *account = ::getpwuid(::getuid());
    return among(mounts, account ? QByteArray(account->pw_name) : QByteArray(), labels());
}

QHash<QByteArray, QByteArray> Places::labels(const QByteArray &folder)
{
    QHash<QByteArray, QByteArray> found;
    const QDir links(QFile::decodeName(folder));
    for (const QFileInfo &link : links.entryInfoList(QDir::System | QDir::Files)) {
        const QString device = link.canonicalFilePath();
        if (!device.isEmpty())
            found.insert(QFile::encodeName(device),
                         decodedLabel(QFile::encodeName(link.fileName())));
    }
    return found;
}

QByteArray Places::decodedLabel(const QByteArray &linkName)
{
    QByteArray label;
    for (qsizetype i = 0; i < linkName.size(); ++i) {
        bool hex = false;
        const int byte
                = i + 3 < linkName.size() && linkName.at(i) == '\\' && linkName.at(i + 1) == 'x'
                          ? linkName.mid(i + 2, 2).toInt(&hex, 16)
                          : 0;
        if (hex && byte > 0) {
            label += char(byte);
            i += 3;
        } else {
            label += linkName.at(i);
        }
    }
    return label;
}

Places::Space Places::spaceOf(const QByteArray &point)
{
    Space space;
    struct statvfs room;
    if (::statvfs(point.constData(), &room) == 0) {
        space.free = qint64(room.f_bavail) * qint64(room.f_frsize);
        space.total = qint64(room.f_blocks) * qint64(room.f_frsize);
        space.blocks = qint64(room.f_blocks);
    }
    return space;
}

QString Places::typeName(const QByteArray &type, qint64 blocks)
{
    // A FAT's kind is its count of clusters, which is what statvfs counts there.
    if (type == "vfat" || type == "msdos" || type == "fuse.fusefat")
        return blocks < 4085    ? QStringLiteral("FAT12")
               : blocks < 65525 ? QStringLiteral("FAT16")
                                : QStringLiteral("FAT32");
    if (type == "exfat" || type == "fuse.exfat")
        return QStringLiteral("exFAT");
    if (type == "ntfs" || type == "ntfs3" || type == "fuse.ntfs-3g" || type == "fuse.ntfs")
        return QStringLiteral("NTFS");
    return QString::fromUtf8(type);
}
