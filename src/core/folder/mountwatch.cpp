// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/mountwatch.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

MountWatch::MountWatch(QObject *parent)
    : QObject(parent)
{
    m_fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        m_mounts = MountTable::read(); // as it was at the start, at least
        return;
    }
    rearm();
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        rearm();
        emit changed();
    });
}

MountWatch::~MountWatch()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

// The mark stays until the table is read to its end again: what is read is the table.
void MountWatch::rearm()
{
    QByteArray table;
    char buffer[16384];
    ::lseek(m_fd, 0, SEEK_SET);
    for (ssize_t got; (got = ::read(m_fd, buffer, sizeof buffer)) > 0;)
        table.append(buffer, got);
    m_mounts = MountTable::parse(table);
}
