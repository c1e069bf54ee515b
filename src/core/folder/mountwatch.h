// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

// Says when a file system is mounted or unmounted: the kernel marks /proc/self/mountinfo
// (POLLPRI) on every change of the mount table, so nothing is polled while nothing changes.
class MountWatch : public QObject
{
    Q_OBJECT
public:
    explicit MountWatch(QObject *parent = nullptr);
    ~MountWatch() override;

signals:
    void changed();

private:
    void rearm();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
