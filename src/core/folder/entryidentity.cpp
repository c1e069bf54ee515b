// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/entryidentity.h"

#include "core/names/filename.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

EntryIdentity EntryIdentity::of(const QString &path)
{
    return of(FileName::toBytes(path));
}

EntryIdentity EntryIdentity::of(const QByteArray &path)
{
    EntryIdentity identity;
    struct statx info;
    if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW, STATX_INO | STATX_BTIME, &info)
        != 0)
        return identity;
    identity.exists = true;
    identity.device = quint64(makedev(info.stx_dev_major, info.stx_dev_minor));
    identity.inode = info.stx_ino;
    if (info.stx_mask & STATX_BTIME)
        identity.born = qint64(info.stx_btime.tv_sec) * 1000000000 + info.stx_btime.tv_nsec;
    return identity;
}
