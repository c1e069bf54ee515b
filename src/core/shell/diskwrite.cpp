// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shell/diskwrite.h"

#include <cerrno>
#include <unistd.h>

namespace {

std::function<void(int)> &watcher()
{
    static std::function<void(int)> watching;
    return watching;
}

} // namespace

bool DiskWrite::writeAll(int fd, QByteArrayView bytes)
{
    for (qsizetype written = 0; written < bytes.size();) {
        const ssize_t now = ::write(fd, bytes.data() + written, size_t(bytes.size() - written));
        if (now < 0 && errno == EINTR)
            continue;
        if (now <= 0) {
            if (now == 0)
                errno = ENOSPC;
            return false;
        }
        written += now;
    }
    return true;
}

bool DiskWrite::flush(int fd)
{
    if (watcher())
        watcher()(fd);
    return ::fdatasync(fd) == 0;
}

bool DiskWrite::flushFileSystem(int fd)
{
    if (watcher())
        watcher()(fd);
    return ::syncfs(fd) == 0;
}

void DiskWrite::watchFlushes(const std::function<void(int fd)> &watching)
{
    watcher() = watching;
}
