// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QElapsedTimer>
#include <QObject>
#include <QSet>

#include <functional>

class QSocketNotifier;
class QTimer;

// Watches one folder (inotify) for entries that other programs make, remove, move in or out or
// replace by another of another type, and hands on their names, each once, in the order they
// first changed: a burst is gathered for ten times what the last changes cost to follow, within
// 100 to 200 ms. Where the events cannot be trusted (the queue overflowed) it asks for the folder
// to be read again instead, at most once per max(250 ms, four times the last read's own time),
// so that a folder of a million entries being written into is not re-read without pause. When
// the system refuses a watch (the inotify limits), it says so once on standard error and watches
// nothing.
class FolderWatch : public QObject
{
    Q_OBJECT
public:
    explicit FolderWatch(QObject *parent = nullptr);
    ~FolderWatch() override;

    // Watches this folder from now on, and no other.
    void watch(const QByteArray &folder);
    // Forgets what changed until now: the folder is being read whole.
    void drop();
    // While busy() says so (a popup is open, a command of ours runs), nothing is said: it is
    // asked again later, not at once, however long ago the last re-read was.
    void setBusy(const std::function<bool()> &busy) { m_busy = busy; }
    // How long the listing's last reading took, which paces the next re-read (a re-read that a
    // change caused is timed here).
    void readTook(qint64 milliseconds);

    // The time to wait, after a change, before the next re-read; and before changes by name are
    // handed on, which a listing of a million rows cannot follow 20 times a second at little
    // cost.
    static qint64 delayBeforeReread(qint64 sinceLastRead, qint64 lastReadCost);
    static qint64 delayBeforeChanges(qint64 sinceLastChanges, qint64 lastChangesCost);

signals:
    // The entries of these names changed; none: read the folder again.
    void changed(const QByteArrayList &names);
    // The folder itself was removed or moved away.
    void gone();

private:
    void readEvents();
    void schedule();
    void retryLater();
    void tell();

    int m_fd = -1;
    int m_watch = -1;
    bool m_refusalSaid = false;
    bool m_gone = false;
    bool m_overflowed = false;
    QByteArrayList m_names;
    QSet<QByteArray> m_named;
    qint64 m_lastCost = 0; // of the last whole read
    qint64 m_changesCost = 0; // of following the last changes by name
    bool m_readReported = false;
    QElapsedTimer m_sinceRead;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_pace = nullptr;
    std::function<bool()> m_busy;
};
