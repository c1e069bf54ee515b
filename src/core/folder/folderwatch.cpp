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

void FolderWatch::watch(const QByteArray &folder)
{
    m_pace->stop();
    m_gone = false;
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

void FolderWatch::readTook(qint64 milliseconds)
{
    m_lastCost = milliseconds;
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
            if (event->wd != m_watch)
                continue; // a folder watched before
            if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED))
                m_gone = true;
            any = true;
        }
    }
    if (any)
        schedule();
}

// A change or the folder's end said, when it is not busy; what the re-read that follows costs
// paces the next.
void FolderWatch::tell()
{
    if (m_busy && m_busy()) {
        retryLater();
        return;
    }
    QElapsedTimer took;
    took.start();
    if (m_gone)
        emit gone();
    else
        emit changed();
    readTook(took.elapsed());
}

void FolderWatch::retryLater()
{
    m_pace->start(int(std::max<qint64>(250, delayBeforeReread(m_sinceRead.elapsed(), m_lastCost))));
}

void FolderWatch::schedule()
{
    if (!m_pace->isActive())
        m_pace->start(int(delayBeforeReread(m_sinceRead.elapsed(), m_lastCost)));
}
