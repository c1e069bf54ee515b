#include "deathdlg.h"

#include "am_launcherclient.h"
#include "commandlog.h"
#include "filename.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

// The longest failure output kept for a report; a log can be far larger than anyone reads.
constexpr qsizetype maxOutput = 4 * 1024 * 1024;

// Runs the command with /bin/sh as system() does, but reading nothing (a command that asks, such
// as mv onto a write-protected file, must not wait for a terminal), writing into the log, and in
// a process group of its own. Only this function waits for the shell, so no other part of the
// program can take its status. Returns the wait status, or -1 with errno when no shell started.
int runShell(const char *command, int logFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (logFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, logFd, 1);
        posix_spawn_file_actions_adddup2(&actions, logFd, 2);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF
                                                  | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults, none;
    sigemptyset(&defaults);
    for (const int signal : { SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGHUP })
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);

    char shell[] = "sh", option[] = "-c";
    char *arguments[] = { shell, option, const_cast<char *>(command), nullptr };
    pid_t pid = -1;
    const int error = posix_spawn(&pid, "/bin/sh", &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        errno = error;
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return status;
}

QByteArray readBack(int fd)
{
    QByteArray text;
    if (fd < 0 || ::lseek(fd, 0, SEEK_SET) != 0)
        return text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, n);
        if (text.size() > maxOutput) {
            text.truncate(maxOutput);
            text += "\n[... the rest of this output is left out]\n";
            break;
        }
    }
    return text;
}

// Drops the user's input while it lives: keys and taps made while a command ran were meant for
// the wait popup, which takes none.
class InputDropper : public QObject
{
public:
    InputDropper() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputDropper() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Wheel:
            return true;
        default:
            return false;
        }
    }
};

} // namespace

deathDlg::deathDlg(const QString &title, const QString &instructText, const char *command)
    : ZPopup(1, nullptr, nullptr, true, 0, 0)
{
    setTitle(title);
    setInstructText(instructText);
    std::memset(commandLine, 0, sizeof commandLine);
    if (command && *command) {
        const size_t length = std::strlen(command);
        if (length > maxCommandLength) {
            // Cut short, it would be another command: refuse it whole.
            std::fprintf(stderr,
                         "deathDlg: command of %zu bytes refused, the limit is %zu: %.60s...\n",
                         length, maxCommandLength, command);
        } else {
            std::memcpy(commandLine, command, length);
            setTitleIcon(QStringLiteral("recur_enable_pop.bmp"));
            hide();
            show();
        }
    }
    // Also without a command, so that the caller's exec() always comes back.
    QTimer::singleShot(10, this, &deathDlg::system_exec);
}

deathDlg::~deathDlg()
{
    std::memset(commandLine, 0, sizeof commandLine);
}

int deathDlg::exec()
{
    // With nothing to run there is nothing to wait for; and a timer that already fired would
    // leave a re-shown popup waiting for nothing.
    if (m_finished || commandLine[0] == '\0') {
        m_finished = true;
        return result();
    }
    return ZPopup::exec();
}

// Nothing but the runner itself ends its loop, after its command.
int deathDlg::softKeyForKey(int) const
{
    return -1;
}

void deathDlg::leftKey() { }

void deathDlg::rightKey() { }

void deathDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

void deathDlg::system_exec()
{
    if (m_finished)
        return;
    m_finished = true;
    if (commandLine[0] == '\0') {
        hide();
        return;
    }
    std::printf("Debug: system(%s)\n", commandLine);
    std::fflush(stdout);

    CommandLog &log = CommandLog::instance();
    const int logFd = log.open();
    const int status = runShell(commandLine, logFd);
    if (status == -1) {
        const QByteArray reason
                = "The command could not be started: " + QByteArray(std::strerror(errno)) + "\n";
        if (logFd >= 0 && ::write(logFd, reason.constData(), size_t(reason.size())) < 0)
            std::perror("deathDlg: writing the log");
        m_failed = true;
    } else {
        // A shell ended by a signal did not finish its work: that is a failure too.
        m_failed = WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0);
    }
    if (m_failed)
        m_output = readBack(logFd);
    if (logFd >= 0)
        ::close(logFd);

    {
        InputDropper dropper;
        QCoreApplication::processEvents();
    }
    hide();
    if (m_failed && m_showsLog)
        AM_LauncherClient::openDocument(FileName::fromBytes(log.path()), QString(), true);
}
