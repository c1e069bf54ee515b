// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shell/commandlog.h"

#include "core/shell/diskwrite.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens a log file without following a link, and empties it (readable by the user alone) only
// once it is known to be a plain file of the user's with no other name: even root must not
// truncate another user's file. On refusal, -1 and the reason.
int openChecked(const QByteArray &path, QByteArray *reason)
{
    // Non-blocking, so that a pipe placed there cannot hold the open.
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK,
                          0600);
    if (fd < 0) {
        // The kernel may refuse a link in /tmp before O_NOFOLLOW does: say what it is.
        const int error = errno;
        struct stat info;
        if (error == ELOOP || (::lstat(path.constData(), &info) == 0 && S_ISLNK(info.st_mode)))
            *reason = "is a symbolic link";
        else
            *reason = "cannot be opened (" + QByteArray(std::strerror(error)) + ")";
        return -1;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        *reason = "is not a regular file";
    else if (info.st_uid != ::geteuid())
        *reason = "belongs to another user";
    else if (info.st_nlink != 1)
        *reason = "has other names (hard links)";
    else if (::ftruncate(fd, 0) != 0 || ::fchmod(fd, 0600) != 0)
        *reason = "cannot be emptied (" + QByteArray(std::strerror(errno)) + ")";
    else {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return fd;
    }
    ::close(fd);
    return -1;
}

// $XDG_RUNTIME_DIR, when it is a folder that only this user can enter.
QByteArray ownRuntimeFolder()
{
    const char *folder = std::getenv("XDG_RUNTIME_DIR");
    struct stat info;
    if (!folder || folder[0] != '/' || ::lstat(folder, &info) != 0 || !S_ISDIR(info.st_mode)
        || info.st_uid != ::geteuid() || (info.st_mode & 077) != 0)
        return QByteArray();
    return QByteArray(folder);
}

} // namespace

const char *const CommandLog::sharedPath = "/tmp/exec_log.txt";

CommandLog &CommandLog::instance()
{
    static CommandLog log;
    return log;
}

CommandLog::CommandLog(const QByteArray &sharedPath)
    : m_sharedPath(sharedPath)
    , m_path(sharedPath)
{
}

CommandLog::~CommandLog()
{
    // A run leaves nothing in /tmp but the shared log and what it handed to the viewer.
    if (m_temporary)
        ::unlink(m_path.constData());
}

int CommandLog::open()
{
    if (m_private)
        return openPrivate();
    QByteArray reason;
    const int fd = openChecked(m_sharedPath, &reason);
    if (fd >= 0) {
        m_path = m_sharedPath;
        return fd;
    }
    m_private = true;
    const int own = openPrivate();
    std::fprintf(stderr,
                 "filemanager: the command log %s %s; commands write their output to %s for the "
                 "rest of this run\n",
                 m_sharedPath.constData(), reason.constData(),
                 own >= 0 ? m_path.constData() : "no log");
    return own;
}

int CommandLog::openPrivate()
{
    QByteArray reason;
    // The file chosen before, as long as it is still the user's own.
    if (m_path != m_sharedPath) {
        const int fd = openChecked(m_path, &reason);
        if (fd >= 0)
            return fd;
    }
    const QByteArray folder = ownRuntimeFolder();
    if (!folder.isEmpty()) {
        const QByteArray path = folder + "/filemanager-exec_log.txt";
        const int fd = openChecked(path, &reason);
        if (fd >= 0) {
            m_path = path;
            return fd;
        }
    }
    QByteArray path("/tmp/filemanager-exec_log-XXXXXX");
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "filemanager: no command log can be created: %s\n",
                     std::strerror(errno));
        return -1;
    }
    m_path = path;
    m_temporary = true;
    return fd;
}

QByteArray CommandLog::handOver(const QByteArray &text)
{
    const QByteArray runtime = ownRuntimeFolder();
    for (const QByteArray &folder : { runtime, QByteArray("/tmp") }) {
        if (folder.isEmpty())
            continue;
        QByteArray path = folder + "/filemanager-log-XXXXXX.txt";
        const int fd = ::mkostemps(path.data(), 4, O_CLOEXEC);
        if (fd < 0)
            continue;
        const bool written = DiskWrite::writeAll(fd, text);
        if (::close(fd) == 0 && written)
            return path;
        ::unlink(path.constData()); // a full disk: half a log would mislead
    }
    return QByteArray();
}

QByteArray CommandLog::lastLines(const QByteArray &output, int count)
{
    QByteArray text = output.trimmed();
    qsizetype from = text.size();
    for (int i = 0; i < count && from > 0; ++i)
        from = text.lastIndexOf('\n', from - 1);
    text = text.mid(from + 1);
    return text.size() > 1200 ? "..." + text.right(1200) : text;
}

bool CommandLog::write(const QByteArray &text)
{
    const int fd = open();
    if (fd < 0)
        return false;
    const bool written = DiskWrite::writeAll(fd, text);
    ::close(fd);
    return written;
}
