// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/entrydetails.h"

#include "core/folder/treewalk.h"
#include "core/names/filename.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

QString EntryDetails::permissionsText(unsigned mode)
{
    QString text(9, u'-');
    const char letters[] = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i) {
        if (mode & (0400u >> i))
            text[i] = QLatin1Char(letters[i]);
    }
    if (mode & S_ISUID)
        text[2] = mode & S_IXUSR ? u's' : u'S';
    if (mode & S_ISGID)
        text[5] = mode & S_IXGRP ? u's' : u'S';
    if (mode & S_ISVTX)
        text[8] = mode & S_IXOTH ? u't' : u'T';
    return text;
}

EntryDetails EntryDetails::brief(const QString &path, struct stat *given)
{
    EntryDetails details;
    const QByteArray bytes = FileName::toBytes(path);
    struct stat own;
    struct stat &info = given ? *given : own;
    if (::lstat(bytes.constData(), &info) != 0)
        return details;
    details.type = S_ISDIR(info.st_mode)   ? Folder
                   : S_ISREG(info.st_mode) ? File
                   : S_ISLNK(info.st_mode) ? Link
                                           : Other;
    if (details.type == Link) {
        // As long as the link says, and longer where it grew meanwhile.
        QByteArray target(qMax<qsizetype>(qsizetype(info.st_size) + 1, 256), '\0');
        ssize_t n;
        while ((n = ::readlink(bytes.constData(), target.data(), size_t(target.size())))
               == ssize_t(target.size()))
            target.resize(target.size() * 2);
        details.linkTarget = FileName::fromBytes(target.left(n < 0 ? 0 : n));
    }
    details.size = info.st_size;
    return details;
}

EntryDetails EntryDetails::of(const QString &path, const std::function<bool()> &keepGoing)
{
    struct stat info;
    EntryDetails details = brief(path, &info);
    if (details.type == Missing)
        return details;
    const QByteArray bytes = FileName::toBytes(path);
    if (details.type == Folder) {
        details.size = 0;
        const auto add = [&](QByteArrayView, const struct stat &inside) {
            if (S_ISREG(inside.st_mode))
                details.size += inside.st_size;
            return TreeWalk::Continue;
        };
        details.sizeComplete = TreeWalk::walk(bytes, add, { keepGoing }).whole;
    }
    details.changed = QDateTime::fromSecsSinceEpoch(info.st_mtime);
    details.permissions = permissionsText(info.st_mode);
    const passwd *user = ::getpwuid(info.st_uid);
    const struct group *owners = ::getgrgid(info.st_gid);
    details.owner = user ? QString::fromLocal8Bit(user->pw_name) : QString::number(info.st_uid);
    details.group = owners ? QString::fromLocal8Bit(owners->gr_name) : QString::number(info.st_gid);
    // The file system that holds it: a link's own folder's.
    const QByteArray holder = details.type == Link ? FileName::parentOf(bytes) : bytes;
    struct statvfs room;
    if (::statvfs(holder.constData(), &room) == 0) {
        details.freeBytes = qint64(room.f_bavail) * qint64(room.f_frsize);
        details.totalBytes = qint64(room.f_blocks) * qint64(room.f_frsize);
    }
    return details;
}
