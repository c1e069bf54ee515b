#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

#include <functional>

class QSocketNotifier;
class QTimer;

// Watches one folder (inotify) for entries that other programs make, remove or rename, and says
// so at a measured pace: at most once per max(250 ms, four times the last re-read's own time),
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
    // While busy() says so (a popup is open, a command of ours runs), nothing is said: it is
    // asked again later, not at once, however long ago the last re-read was.
    void setBusy(const std::function<bool()> &busy) { m_busy = busy; }
    // How long the listing's last reading took, which paces the next re-read (a re-read that a
    // change caused is timed here).
    void readTook(qint64 milliseconds);

    // The time to wait, after a change, before the next re-read.
    static qint64 delayBeforeReread(qint64 sinceLastRead, qint64 lastReadCost);

signals:
    // Entries of the folder changed since the last re-read.
    void changed();
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
    qint64 m_lastCost = 0;
    QElapsedTimer m_sinceRead;
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_pace = nullptr;
    std::function<bool()> m_busy;
};
