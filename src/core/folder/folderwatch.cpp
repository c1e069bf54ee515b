// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/folderwatch.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

FolderWatch::FolderWatch(QObject *parent)
    : QObject(parent)
{
    m_pace = new QTimer(this);
    m_pace->setSingleShot(true);
    connect(m_pace, &QTimer::timeout, this, &FolderWatch::tell);
    m_sinceRead.start();
}

FolderWatch::~FolderWatch()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

qint64 FolderWatch::delayBeforeReread(qint64 sinceLastRead, qint64 lastReadCost)
{
    return std::max<qint64>(0, std::max<qint64>(250, 4 * lastReadCost) - sinceLastRead);
}

qint64 FolderWatch::delayBeforeChanges(qint64 sinceLastChanges, qint64 lastChangesCost)
{
    // Ten times the cost keeps it under a tenth of a core, up to what keeps a change in sight
    // within a quarter second.
    const qint64 wait = std::clamp<qint64>(10 * lastChangesCost, 100, 200);
    return std::max<qint64>(0, wait - sinceLastChanges);
}

void FolderWatch::watch(const QByteArray &folder)
{
    m_pace->stop();
    m_gone = false;
    drop();
    m_sinceRead.start();
    if (m_fd < 0) {
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd >= 0) {
            m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
            connect(m_notifier, &QSocketNotifier::activated, this, &FolderWatch::readEvents);
        }
    }
    if (m_fd >= 0 && m_watch >= 0)
        ::inotify_rm_watch(m_fd, m_watch);
    m_watch = m_fd < 0 ? -1
                       : ::inotify_add_watch(m_fd, folder.constData(),
                                             IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO
                                                     | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR);
    if (m_watch >= 0)
        return;
    const int error = errno;
    // Removed, or moved away, since it was listed: as if that had been seen.
    if (error == ENOENT || error == ENOTDIR) {
        m_gone = true;
        m_pace->start(0);
        return;
    }
    if (!m_refusalSaid) {
        m_refusalSaid = true;
        std::fprintf(stderr,
                     "filemanager: changes that other programs make to %s cannot be watched (%s); "
                     "a folder is listed anew only when it is entered\n",
                     folder.constData(), std::strerror(error));
    }
}

void FolderWatch::drop()
{
    if (m_fd >= 0 && m_watch >= 0)
        readEvents();
    m_names.clear();
    m_named.clear();
    m_overflowed = false;
    if (!m_gone)
        m_pace->stop();
}

void FolderWatch::readTook(qint64 milliseconds)
{
    m_lastCost = milliseconds;
    m_readReported = true;
    m_sinceRead.start();
}

void FolderWatch::readEvents()
{
    alignas(inotify_event) char buffer[16384];
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            m_overflowed = m_overflowed || (event->mask & IN_Q_OVERFLOW);
            any = any || (event->mask & IN_Q_OVERFLOW);
            if (event->wd != m_watch)
                continue; // a folder watched before
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED))
                m_gone = true;
            const QByteArray name(event->len ? event->name : "");
            if (!name.isEmpty() && !m_named.contains(name)) {
                m_named.insert(name);
                m_names.append(name);
            }
            any = true;
        }
    }
    if (any)
        schedule();
}

// A change or the folder's end said, when it is not busy; what following it costs paces the
// next.
void FolderWatch::tell()
{
    if (m_busy && m_busy()) {
        retryLater();
        return;
    }
    QElapsedTimer took;
    took.start();
    const QByteArrayList names = m_overflowed ? QByteArrayList() : m_names;
    m_names.clear();
    m_named.clear();
    m_overflowed = false;
    m_readReported = false;
    if (m_gone)
        emit gone();
    else
        emit changed(names);
    // A whole read paces re-reads; following changes by name paces the next changes.
    if (!m_readReported)
        (names.isEmpty() || m_gone ? m_lastCost : m_changesCost) = took.elapsed();
    m_sinceRead.start();
}

// While busy, asked again often, so that what changed shows soon after the popup closes.
void FolderWatch::retryLater()
{
    m_pace->start(100);
}

void FolderWatch::schedule()
{
    const bool whole = m_overflowed || m_gone;
    if (!m_pace->isActive())
        m_pace->start(int(whole ? delayBeforeReread(m_sinceRead.elapsed(), m_lastCost)
                                : delayBeforeChanges(m_sinceRead.elapsed(), m_changesCost)));
}
