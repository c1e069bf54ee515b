// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/folder/mounttable.h"

#include <QObject>

class QSocketNotifier;

// Says when a file system is mounted or unmounted: the kernel marks /proc/self/mountinfo
// (POLLPRI) on every change of the mount table, so nothing is polled while nothing changes. The
// table it read last is the mounts as they are now, for whoever needs them.
class MountWatch : public QObject
{
    Q_OBJECT
public:
    explicit MountWatch(QObject *parent = nullptr);
    ~MountWatch() override;
    const QVector<MountTable::Mount> &mounts() const { return m_mounts; }

signals:
    void changed();

private:
    void rearm();

    QVector<MountTable::Mount> m_mounts;
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
