// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>

#include <sys/types.h>

class QSocketNotifier;
class QTimer;

// One shell command in a process group of its own, watched from the event loop. Its output is
// read through a pipe into the command log (CommandLog, best effort) and kept, so that a failure
// can show this command's own output whatever becomes of the log. The group can be paused while
// the user decides, and stopped: TERM, and KILL a second later for what ignores it; a stopped
// command counts as finished only once every process of its group is gone.
class ShellProcess : public QObject
{
    Q_OBJECT
public:
    explicit ShellProcess(QObject *parent = nullptr);
    // A process that goes away ends its command: nothing is left running behind it.
    ~ShellProcess() override;

    // Starts the command. False when it could not be started: finished() is not emitted, and
    // output() says why.
    bool start(const char *command);
    // A descriptor that the next commands inherit (see Shell::Options::inheritedFd); -1 for none.
    void setInheritedFd(int fd) { m_inheritedFd = fd; }
    bool isRunning() const { return m_pid > 0; }
    pid_t processGroup() const { return m_pid; }
    void pause();
    void resume();
    void stop();
    bool wasStopped() const { return m_stopSent; }
    // Whether a finished() status is a success: exit status 0. A shell ended by a signal did not
    // finish its work, and one that could not be waited for is not known to have.
    static bool succeeded(int status);
    // The output so far (at most a few megabytes), with a note when the user stopped it.
    const QByteArray &output() const { return m_output; }

signals:
    // The shell's wait status (waitpid), or -1 when it could not be waited for.
    void finished(int status);

private:
    void readOutput();
    void keep(const char *bytes, qsizetype size);
    void childEnded();
    void closeAll();

    pid_t m_pid = 0;
    int m_logFd = -1;
    int m_outputFd = -1;
    int m_pidFd = -1;
    int m_inheritedFd = -1;
    bool m_stopSent = false;
    bool m_outputCut = false;
    QByteArray m_output;
    QSocketNotifier *m_outputNotifier = nullptr;
    QSocketNotifier *m_childNotifier = nullptr;
    QTimer *m_childPoll = nullptr;
    QTimer *m_killer = nullptr;
};
