// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/targetfilesystem.h"

#include "core/folder/mounttable.h"
#include "core/names/filename.h"
#include "core/names/namecheck.h"

#include <QFile>

#include <algorithm>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

#ifndef FS_CASEFOLD_FL
#define FS_CASEFOLD_FL 0x40000000
#endif

namespace {

constexpr qint64 fuseType = 0x65735546;

// An ext4 (or f2fs) folder whose names are looked up without case.
bool hasCasefoldAttribute(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    const bool folds = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL);
    ::close(fd);
    return folds;
}

} // namespace

bool TargetFileSystem::isCard(qint64 statfsType, QByteArrayView mountType)
{
    switch (statfsType) {
    case 0x4d44: // FAT
    case 0x2011bab0: // exFAT
    case 0x5346544e: // NTFS
    case 0x7366746e: // ntfs3
        return true;
    case fuseType:
        // Where the kernel has no driver of its own, or Debian's usual NTFS driver: a block device
        // through FUSE is a card or a Windows disk.
        return mountType == "fuseblk" || mountType == "fuse.fusefat" || mountType == "fuse.exfat"
               || mountType == "fuse.ntfs-3g" || mountType == "fuse.ntfs";
    default:
        return false;
    }
}

bool TargetFileSystem::isCardType(QByteArrayView mountType)
{
    static const QByteArrayView types[]
            = { "vfat",    "msdos",        "exfat",      "ntfs",         "ntfs3",
                "fuseblk", "fuse.fusefat", "fuse.exfat", "fuse.ntfs-3g", "fuse.ntfs" };
    return std::find(std::begin(types), std::end(types), mountType) != std::end(types);
}

qint64 TargetFileSystem::largestFileOn(qint64 statfsType, QByteArrayView mountType)
{
    const bool fat
            = statfsType == 0x4d44 || (statfsType == fuseType && mountType == "fuse.fusefat");
    return fat ? (qint64(1) << 32) - 1 : -1;
}

bool TargetFileSystem::keepsLinks(qint64 statfsType, QByteArrayView mountType)
{
    if (!isCard(statfsType, mountType))
        return true;
    // fuseblk may be NTFS or exFAT: a link is left out rather than fail there.
    return statfsType == 0x5346544e || statfsType == 0x7366746e || mountType == "fuse.ntfs-3g"
           || mountType == "fuse.ntfs";
}

QByteArray TargetFileSystem::mountTypeOf(dev_t device)
{
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    return mounts.open(QIODevice::ReadOnly) ? mountTypeIn(mounts.readAll(), device) : QByteArray();
}

QByteArray TargetFileSystem::mountTypeIn(const QByteArray &mountinfo, dev_t device)
{
    for (const MountTable::Mount &mount : MountTable::parse(mountinfo)) {
        if (mount.device == device)
            return mount.type;
    }
    return QByteArray();
}

TargetFileSystem TargetFileSystem::of(const QByteArray &folder)
{
    TargetFileSystem target;
    struct statfs system;
    if (::statfs(folder.constData(), &system) == 0) {
        QByteArray mountType;
        struct stat info;
        if (qint64(system.f_type) == fuseType && ::stat(folder.constData(), &info) == 0)
            mountType = mountTypeOf(info.st_dev);
        target.card = isCard(qint64(system.f_type), mountType);
        target.links = keepsLinks(qint64(system.f_type), mountType);
        target.largestFile = largestFileOn(qint64(system.f_type), mountType);
        target.unit = system.f_frsize > 0  ? system.f_frsize
                      : system.f_bsize > 0 ? system.f_bsize
                                           : 4096;
    }
    target.foldsCase = target.card || hasCasefoldAttribute(folder);
    const long nameMax = ::pathconf(folder.constData(), _PC_NAME_MAX);
    target.nameMax = nameMax > 0 ? nameMax : 255;
    return target;
}

QString TargetFileSystem::folded(const QString &name)
{
    return name.toCaseFolded();
}

bool TargetFileSystem::fits(const QString &name) const
{
    return FileName::toBytes(name).size() <= nameMax && (!card || name.size() <= 255);
}

QString TargetFileSystem::mapped(const QString &name, bool isFolder) const
{
    QString stored = name;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const QChar c = stored[i];
        // Both halves of a character beyond U+FFFF stay; a lone byte that is not UTF-8 goes.
        if (c.isHighSurrogate() && i + 1 < stored.size() && stored[i + 1].isLowSurrogate())
            ++i;
        else if (c.unicode() < 0x20 || QStringView(u"\"*:<>?\\|").contains(c)
                 || FileName::isRawByte(c.unicode()))
            stored[i] = u'_';
    }
    while (stored.endsWith(u' ') || stored.endsWith(u'.'))
        stored.chop(1);
    const qsizetype split = NameCheck::baseLength(stored, isFolder);
    QString base = stored.left(split);
    const QString extension = stored.mid(split);
    while (!base.isEmpty() && !fits(base + extension))
        NameCheck::chopCharacter(&base);
    stored = base + extension;
    return stored.isEmpty() || !fits(stored) ? QStringLiteral("_") : stored;
}

bool TargetFileSystem::canHold(QByteArrayView name) const
{
    const QString decoded = FileName::fromBytes(name);
    if (!fits(decoded))
        return false;
    if (!card)
        return true;
    if (FileName::hasRawBytes(decoded))
        return false;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || QByteArrayView("\"*:<>?\\|").contains(c))
            return false;
    }
    return !name.endsWith(' ') && !name.endsWith('.');
}
