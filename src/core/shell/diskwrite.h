// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>

#include <functional>

// Bytes on their way to a file and to its disk: a whole buffer, however the kernel splits the
// writes, and a flush. Every flush that the program asks for goes through here, so that a test
// can see what is made durable, and when: nothing but a crash of the machine would show it.
class DiskWrite
{
public:
    // Writes all of the bytes; false, with the reason in errno (ENOSPC where nothing more could
    // be written), otherwise.
    static bool writeAll(int fd, QByteArrayView bytes);
    // The file's data on its disk (fdatasync); or all that its file system holds (syncfs).
    static bool flush(int fd);
    static bool flushFileSystem(int fd);
    // Told of each flush before it is done, with the descriptor flushed; nothing to stop.
    static void watchFlushes(const std::function<void(int fd)> &watcher);
};
