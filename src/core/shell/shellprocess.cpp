// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shell/shellprocess.h"

#include "core/shell/commandlog.h"
#include "core/shell/shell.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The longest output kept for a report; a log can be far larger than anyone reads.
constexpr qsizetype maxOutput = 4 * 1024 * 1024;

// Best effort: the log may live on a full disk, and the output is kept in memory all the same.
void appendToLog(int fd, const char *bytes, qsizetype size)
{
    while (fd >= 0 && size > 0) {
        const ssize_t n = ::write(fd, bytes, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        bytes += n;
        size -= n;
    }
}

// The processes of a group that have not ended (a zombie that nobody here may reap has).
int livingMembers(pid_t group)
{
    int living = 0;
    const QByteArray wanted = ' ' + QByteArray::number(group) + ' ';
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return 0;
    while (const dirent *entry = ::readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
            continue;
        char buffer[512];
        const int fd = ::open((QByteArray("/proc/") + entry->d_name + "/stat").constData(),
                              O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
        ::close(fd);
        if (n <= 0)
            continue;
        // "pid (name) state ppid pgrp ...": the name may hold anything, so from its end.
        const QByteArray stat(buffer, n);
        const qsizetype close = stat.lastIndexOf(')');
        if (close < 0 || close + 2 >= stat.size() || stat.at(close + 2) == 'Z')
            continue;
        const QByteArray rest = stat.mid(close + 3); // "ppid pgrp ..."
        const qsizetype blank = rest.indexOf(' ');
        if (blank >= 0 && rest.mid(blank).startsWith(wanted))
            ++living;
    }
    ::closedir(proc);
    return living;
}

} // namespace

ShellProcess::ShellProcess(QObject *parent)
    : QObject(parent)
{
    m_killer = new QTimer(this);
    m_killer->setSingleShot(true);
    connect(m_killer, &QTimer::timeout, this, [this] {
        if (m_pid > 0)
            ::kill(-m_pid, SIGKILL);
    });
}

ShellProcess::~ShellProcess()
{
    if (m_pid > 0) {
        ::kill(-m_pid, SIGKILL);
        Shell::waitFor(m_pid);
    }
    closeAll();
}

bool ShellProcess::start(const char *command)
{
    m_output.clear();
    m_outputCut = false;
    m_stopSent = false;
    m_logFd = CommandLog::instance().open();
    int pipeFds[2] = { -1, -1 };
    int error = 0;
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = errno;
    } else {
        m_pid = Shell::start(command, {}, { pipeFds[1], true, m_inheritedFd }, &error);
        ::close(pipeFds[1]);
        m_outputFd = pipeFds[0];
    }
    if (m_pid <= 0) {
        m_pid = 0;
        const QByteArray why
                = "The command could not be started: " + QByteArray(std::strerror(error)) + "\n";
        appendToLog(m_logFd, why.constData(), why.size());
        keep(why.constData(), why.size());
        closeAll();
        return false;
    }
    ::fcntl(m_outputFd, F_SETFL, ::fcntl(m_outputFd, F_GETFL) | O_NONBLOCK);
    m_outputNotifier = new QSocketNotifier(m_outputFd, QSocketNotifier::Read, this);
    connect(m_outputNotifier, &QSocketNotifier::activated, this, &ShellProcess::readOutput);
    // Told by the kernel when the shell ends (a pidfd), or, where there is none, by looking often.
    m_pidFd = int(::syscall(SYS_pidfd_open, m_pid, 0));
    if (m_pidFd >= 0) {
        m_childNotifier = new QSocketNotifier(m_pidFd, QSocketNotifier::Read, this);
        connect(m_childNotifier, &QSocketNotifier::activated, this, &ShellProcess::childEnded);
    } else {
        m_childPoll = new QTimer(this);
        m_childPoll->setInterval(5);
        connect(m_childPoll, &QTimer::timeout, this, &ShellProcess::childEnded);
        m_childPoll->start();
    }
    return true;
}

bool ShellProcess::succeeded(int status)
{
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void ShellProcess::pause()
{
    if (m_pid > 0)
        ::kill(-m_pid, SIGSTOP);
}

void ShellProcess::resume()
{
    if (m_pid > 0)
        ::kill(-m_pid, SIGCONT);
}

void ShellProcess::stop()
{
    if (m_pid <= 0 || m_stopSent)
        return;
    m_stopSent = true;
    ::kill(-m_pid, SIGTERM);
    ::kill(-m_pid, SIGCONT); // a paused process takes the signal only once it runs again
    m_killer->start(1000);
}

void ShellProcess::readOutput()
{
    char buffer[65536];
    while (m_outputFd >= 0) {
        const ssize_t n = ::read(m_outputFd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0 && m_outputNotifier)
                m_outputNotifier->setEnabled(false); // all writers gone
            return;
        }
        appendToLog(m_logFd, buffer, n);
        keep(buffer, n);
    }
}

void ShellProcess::keep(const char *bytes, qsizetype size)
{
    if (m_outputCut)
        return;
    const qsizetype room = maxOutput - m_output.size();
    m_output.append(bytes, std::min(room, size));
    if (size > room) {
        m_output += "\n[... the rest of this output is left out]\n";
        m_outputCut = true;
    }
}

void ShellProcess::childEnded()
{
    int status = 0;
    if (!Shell::hasEnded(m_pid, &status))
        return;
    m_killer->stop();
    // What the shell wrote last; a background child that holds the pipe is not waited for.
    readOutput();
    if (m_stopSent) {
        ::kill(-m_pid, SIGKILL); // what ignored the first signal
        QElapsedTimer waited;
        waited.start();
        while (livingMembers(m_pid) > 0 && waited.elapsed() < 2000)
            ::usleep(5000);
        const QByteArray note("\nThe command was stopped by the user.\n");
        appendToLog(m_logFd, note.constData(), note.size());
        keep(note.constData(), note.size());
    }
    m_pid = 0;
    closeAll();
    emit finished(status);
}

// Deleted later: this may run inside a notifier's own signal. Disabled first, so that no
// notifier watches a descriptor after it is closed.
void ShellProcess::closeAll()
{
    for (QSocketNotifier *notifier : { m_outputNotifier, m_childNotifier }) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    if (m_childPoll)
        m_childPoll->deleteLater();
    m_outputNotifier = m_childNotifier = nullptr;
    m_childPoll = nullptr;
    for (int *fd : { &m_outputFd, &m_pidFd, &m_logFd }) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}
