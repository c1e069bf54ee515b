// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/historystore.h"

#include "core/names/filename.h"
#include "core/shell/diskwrite.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file's number, where its name is one as fileOf() writes it (no sign, blank or leading zero).
std::optional<qint64> numberOf(const QByteArray &name)
{
    bool ok = false;
    const qint64 number = name.toLongLong(&ok);
    return ok && number >= 0 && QByteArray::number(number) == name ? std::optional(number)
                                                                   : std::nullopt;
}

// The file open for reading, or -1: one that is not a regular file of the user's own (a pipe
// would hang the start, a link to /dev/zero fill the memory) is set aside and said so.
int openForReading(const QByteArray &path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd < 0 && errno == ENOENT)
        return -1;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
        return fd;
    if (fd >= 0)
        ::close(fd);
    const QByteArray aside = path + ".set-aside";
    const bool moved = ::rename(path.constData(), aside.constData()) == 0;
    std::fprintf(stderr, "filemanager: %s is not a regular file of this user's: %s%s\n",
                 path.constData(), moved ? "set aside as " : "left alone, and not read",
                 moved ? aside.constData() : "");
    return -1;
}

} // namespace

HistoryStore::HistoryStore(const QByteArray &folder)
    : m_folder(folder)
{
}

HistoryStore::~HistoryStore()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QList<qint64> HistoryStore::numbers() const
{
    QList<qint64> found;
    if (DIR *folder = ::opendir(m_folder.constData())) {
        while (const dirent *entry = ::readdir(folder)) {
            if (const std::optional<qint64> named = numberOf(QByteArray(entry->d_name)))
                found << *named;
        }
        ::closedir(folder);
    }
    std::sort(found.begin(), found.end());
    return found;
}

QByteArray HistoryStore::fileOf(qint64 number) const
{
    return m_folder + '/' + QByteArray::number(number);
}

void HistoryStore::giveUp(const QByteArray &why, int error)
{
    std::fprintf(stderr, "filemanager: this operation cannot be undone: %s %s: %s\n",
                 why.constData(), m_path.constData(), std::strerror(error));
    // What was written of it must not be taken for the whole.
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    ::unlink(m_path.constData());
    ::unlink((m_path + ".new").constData());
}

bool HistoryStore::append(const QByteArray &line, Flush flush)
{
    if (m_fd < 0)
        return false;
    if (!DiskWrite::writeAll(m_fd, line)) {
        giveUp("cannot write", errno);
        return false;
    }
    return flush == Now || (flush == InGroups && m_flushed.hasExpired(flushEvery)) ? this->flush()
                                                                                   : true;
}

bool HistoryStore::flush()
{
    if (m_fd < 0)
        return false;
    if (!DiskWrite::flush(m_fd)) {
        giveUp("cannot flush", errno);
        return false;
    }
    m_flushed.start();
    return true;
}

bool HistoryStore::create(const QByteArray &firstLine)
{
    close();
    // A folder of its own that no one else reads: the history names the user's files.
    const QByteArray home = FileName::parentOf(m_folder);
    QDir().mkpath(FileName::fromBytes(FileName::parentOf(home)));
    const QList<qint64> before = numbers();
    m_path = fileOf(before.isEmpty() ? 1 : before.last() + 1);
    if ((::mkdir(home.constData(), 0700) != 0 && errno != EEXIST)
        || (::mkdir(m_folder.constData(), 0700) != 0 && errno != EEXIST)) {
        giveUp("cannot make the folder of", errno);
        return false;
    }
    // The new file's first line is whole on disk before it joins the history. A file of that
    // name is never written through: whatever stands there goes first.
    const QByteArray fresh = m_path + ".new";
    ::unlink(fresh.constData());
    m_fd = ::open(fresh.constData(),
                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_APPEND | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        giveUp("cannot create", errno);
        return false;
    }
    // Held until the end, by the program and by each command it starts: another copy of the
    // program that starts meanwhile must not take this operation for one cut short, and one that
    // starts after a kill finds the commands that still run.
    if (::flock(m_fd, LOCK_EX) != 0) {
        giveUp("cannot lock", errno);
        return false;
    }
    if (!append(firstLine, Now))
        return false;
    if (::rename(fresh.constData(), m_path.constData()) != 0) {
        giveUp("cannot name", errno);
        return false;
    }
    const int folderFd = ::open(m_folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        DiskWrite::flush(folderFd);
        ::close(folderFd);
    }
    // The newest ten stay.
    for (qsizetype i = 0; i + kept - 1 < before.size(); ++i)
        ::unlink(fileOf(before[i]).constData());
    return true;
}

bool HistoryStore::reopenNewest()
{
    const QList<qint64> all = numbers();
    if (all.isEmpty())
        return false;
    close();
    m_path = fileOf(all.last());
    m_fd = ::open(m_path.constData(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (m_fd < 0 || ::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        giveUp("cannot close", errno);
        return false;
    }
    return true;
}

void HistoryStore::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void HistoryStore::forgetNewest()
{
    close();
    const QList<qint64> all = numbers();
    if (!all.isEmpty())
        ::unlink(fileOf(all.last()).constData());
}

int HistoryStore::openNewest(bool *held) const
{
    const QList<qint64> all = numbers();
    const int fd = all.isEmpty() ? -1 : openForReading(fileOf(all.last()));
    *held = fd >= 0 && ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    return fd;
}

std::optional<HistoryStore::Newest> HistoryStore::readNewest() const
{
    Newest newest;
    const int fd = openNewest(&newest.held);
    if (fd < 0)
        return std::nullopt;
    char buffer[65536];
    while (newest.bytes.size() < maxSize) {
        const ssize_t got = ::read(
                fd, buffer, size_t(std::min<qint64>(sizeof buffer, maxSize - newest.bytes.size())));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        newest.bytes.append(buffer, got);
    }
    struct stat file;
    if (::fstat(fd, &file) == 0) {
        newest.device = file.st_dev;
        newest.inode = file.st_ino;
    }
    ::close(fd);
    return newest;
}

bool HistoryStore::isNewestHeld() const
{
    bool held = false;
    const int fd = openNewest(&held);
    if (fd >= 0)
        ::close(fd);
    return held;
}
