#include "deathdlg.h"

#include "am_launcherclient.h"
#include "commandlog.h"
#include "filename.h"
#include "zmessagedlg.h"
#include "zsoftkey.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fts.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

// The longest failure output kept for a report; a log can be far larger than anyone reads.
constexpr qsizetype maxOutput = 4 * 1024 * 1024;
// Beyond this many entries a tree is not counted: the count would hold up the copy itself.
constexpr int countLimit = 100000;

// Starts the command with /bin/sh as system() does, but reading nothing (a command that asks,
// such as mv onto a write-protected file, must not wait for a terminal), writing into the log,
// in a process group of its own that a stop can end whole. Returns the shell's pid, or -1 with
// the reason in error.
pid_t spawnShell(const char *command, int logFd, int *error)
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
    *error = posix_spawn(&pid, "/bin/sh", &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return *error == 0 ? pid : -1;
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

void appendToLog(int fd, const QByteArray &line)
{
    if (fd >= 0
        && (::lseek(fd, 0, SEEK_END) < 0
            || ::write(fd, line.constData(), size_t(line.size())) != line.size()))
        std::perror("deathDlg: writing the log");
}

// The bytes of the regular files under path, links not followed; -1 for a tree of more than
// limit entries. Nothing there counts as 0.
qint64 treeBytes(const QByteArray &path, int limit)
{
    QByteArray copy = path;
    char *paths[] = { copy.data(), nullptr };
    FTS *tree = ::fts_open(paths, FTS_PHYSICAL | FTS_NOCHDIR, nullptr);
    if (!tree)
        return 0;
    qint64 total = 0;
    int entries = 0;
    while (const FTSENT *entry = ::fts_read(tree)) {
        if (entry->fts_info == FTS_F)
            total += entry->fts_statp->st_size;
        if (++entries > limit) {
            total = -1;
            break;
        }
    }
    ::fts_close(tree);
    return total;
}

QString formatBytes(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    const char *units[] = { "KB", "MB", "GB", "TB" };
    double value = double(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    return QStringLiteral("%1 %2")
            .arg(value, 0, 'f', value < 10 ? 1 : 0)
            .arg(QLatin1String(units[unit]));
}

bool onOneDevice(const QByteArray &source, const QByteArray &destination)
{
    struct stat from, to;
    const qsizetype slash = destination.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? destination.left(slash) : QByteArray("/");
    return ::lstat(source.constData(), &from) == 0 && ::stat(folder.constData(), &to) == 0
           && from.st_dev == to.st_dev;
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

    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(8, 8, 8, 8);
    m_bar = new QProgressBar(body);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    m_bar->hide();
    m_amount = new QLabel(body);
    m_amount->setObjectName(QStringLiteral("progressText"));
    m_amount->hide();
    m_elapsed = new QLabel(body);
    m_elapsed->setObjectName(QStringLiteral("elapsedText"));
    m_elapsed->hide();
    layout->addWidget(m_bar);
    layout->addWidget(m_amount);
    layout->addWidget(m_elapsed);
    layout->addStretch();
    insertChild(body);

    m_tick = new QTimer(this);
    m_tick->setInterval(1000);
    m_tick->setTimerType(Qt::PreciseTimer); // a coarse timer may fire just before the second
    connect(m_tick, &QTimer::timeout, this, &deathDlg::showElapsed);
    m_sampler = new QTimer(this);
    m_sampler->setSingleShot(true);
    connect(m_sampler, &QTimer::timeout, this, &deathDlg::sampleProgress);
    m_killer = new QTimer(this);
    m_killer->setSingleShot(true);
    connect(m_killer, &QTimer::timeout, this, [this] {
        if (m_running)
            ::kill(-m_pid, SIGKILL);
    });

    std::memset(commandLine, 0, sizeof commandLine);
    if (takeCommand(command)) {
        setTitleIcon(QStringLiteral("recur_enable_pop.bmp"));
        hide();
        show();
        m_clock.start();
        m_tick->start();
    }
    // Also without a command, so that the caller's exec() always comes back.
    QTimer::singleShot(10, this, &deathDlg::system_exec);
}

deathDlg::~deathDlg()
{
    if (m_running) {
        // Never left behind: a runner that goes away ends its command.
        ::kill(-m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) { }
    }
    if (m_pidFd >= 0)
        ::close(m_pidFd);
    if (m_logFd >= 0)
        ::close(m_logFd);
    std::memset(commandLine, 0, sizeof commandLine);
}

bool deathDlg::takeCommand(const char *command)
{
    std::memset(commandLine, 0, sizeof commandLine);
    if (!command || !*command)
        return false;
    const size_t length = std::strlen(command);
    if (length > maxCommandLength) {
        // Cut short, it would be another command: refuse it whole.
        std::fprintf(stderr, "deathDlg: command of %zu bytes refused, the limit is %zu: %.60s...\n",
                     length, maxCommandLength, command);
        return false;
    }
    std::memcpy(commandLine, command, length);
    return true;
}

void deathDlg::setStopQuestion(const QString &title, const QString &text)
{
    m_stopTitle = title;
    m_stopText = text;
}

void deathDlg::setProgress(const QByteArray &source, const QByteArray &destination, bool moving)
{
    m_progressSource = source;
    m_progressDestination = destination;
    m_progressMoving = moving;
}

int deathDlg::exec()
{
    // With nothing to run there is nothing to wait for; and a command that already ended would
    // leave a re-shown popup waiting for nothing.
    if (m_finished || commandLine[0] == '\0') {
        m_finished = true;
        if (!m_keepsShowing)
            hide();
        return result();
    }
    return runLoop();
}

int deathDlg::runNext(const QString &title, const QString &instructText, const char *command)
{
    m_finished = false;
    m_failed = false;
    m_stopped = false;
    m_killSent = false;
    m_output.clear();
    m_progressSource.clear();
    m_progressDestination.clear();
    setTitle(title);
    setInstructText(instructText);
    if (!takeCommand(command)) {
        m_finished = true;
        return result();
    }
    if (!isVisible())
        show();
    system_exec();
    return runLoop();
}

int deathDlg::runLoop()
{
    if (!m_finished) {
        QEventLoop loop;
        m_loop = &loop;
        loop.exec(QEventLoop::DialogExec);
        m_loop = nullptr;
    }
    if (!m_keepsShowing)
        hide();
    return result();
}

// The keys count only while a command runs, and then only for the stop question.
int deathDlg::softKeyForKey(int key) const
{
    return m_running && !m_stopText.isEmpty() ? ZPopup::softKeyForKey(key) : -1;
}

void deathDlg::leftKey() { }

void deathDlg::rightKey()
{
    askToStop();
}

void deathDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

void deathDlg::system_exec()
{
    if (m_finished || m_running)
        return;
    if (commandLine[0] == '\0') {
        m_finished = true;
        if (m_loop)
            m_loop->quit();
        hide();
        return;
    }
    std::printf("Debug: system(%s)\n", commandLine);
    std::fflush(stdout);

    m_logFd = CommandLog::instance().open();
    startProgress();
    int error = 0;
    m_pid = spawnShell(commandLine, m_logFd, &error);
    if (m_pid < 0) {
        appendToLog(m_logFd,
                    "The command could not be started: " + QByteArray(std::strerror(error)) + "\n");
        finish(-1);
        return;
    }
    m_running = true;
    if (!m_stopText.isEmpty())
        getSoftKey()->setText(
                1, QCoreApplication::translate("deathDlg", "TXT_RID_OPTION_CANCEL", "Cancel"));
    watchChild();
}

// Told by the kernel when the shell ends (a pidfd), or, where there is none, by looking often.
void deathDlg::watchChild()
{
    m_pidFd = int(::syscall(SYS_pidfd_open, m_pid, 0));
    if (m_pidFd >= 0) {
        m_childNotifier = new QSocketNotifier(m_pidFd, QSocketNotifier::Read, this);
        connect(m_childNotifier, &QSocketNotifier::activated, this, &deathDlg::childEnded);
    } else {
        m_childPoll = new QTimer(this);
        m_childPoll->setInterval(5);
        connect(m_childPoll, &QTimer::timeout, this, &deathDlg::childEnded);
        m_childPoll->start();
    }
}

void deathDlg::childEnded()
{
    int status = 0;
    const pid_t reaped = ::waitpid(m_pid, &status, WNOHANG);
    if (reaped == 0 || (reaped < 0 && errno == EINTR))
        return;
    delete m_childNotifier;
    m_childNotifier = nullptr;
    delete m_childPoll;
    m_childPoll = nullptr;
    if (m_pidFd >= 0)
        ::close(m_pidFd);
    m_pidFd = -1;
    m_running = false;
    m_killer->stop();
    if (m_killSent)
        ::kill(-m_pid, SIGKILL); // what ignored the first signal
    finish(reaped < 0 ? -1 : status);
}

void deathDlg::finish(int status)
{
    m_running = false;
    m_sampler->stop();
    getSoftKey()->setText(1, QString());
    if (m_asking) {
        // The stop question is still open: the end is taken once it is answered.
        m_endedWhileAsking = true;
        m_endStatus = status;
        return;
    }
    if (m_killSent)
        appendToLog(m_logFd, "\nThe command was stopped by the user.\n");
    // A shell ended by a signal did not finish its work: that is a failure too.
    m_failed = status == -1 || m_killSent || WIFSIGNALED(status)
               || (WIFEXITED(status) && WEXITSTATUS(status) != 0);
    if (m_failed)
        m_output = readBack(m_logFd);
    if (m_logFd >= 0)
        ::close(m_logFd);
    m_logFd = -1;
    m_pid = 0;

    {
        InputDropper dropper;
        QCoreApplication::processEvents();
    }
    m_finished = true;
    if (m_loop)
        m_loop->quit();
    if (!m_keepsShowing)
        hide();
    if (m_failed && m_showsLog)
        AM_LauncherClient::openDocument(FileName::fromBytes(CommandLog::instance().path()),
                                        QString(), true);
}

void deathDlg::askToStop()
{
    if (!m_running || m_stopText.isEmpty() || m_asking)
        return;
    m_asking = true;
    auto *question = new ZMessageDlg(m_stopTitle, m_stopText, 1, 0, nullptr, nullptr, true, 0);
    const bool yes = question->exec() == 1;
    delete question;
    m_asking = false;
    if (yes) {
        m_stopped = true;
        if (m_running)
            stopCommand();
    }
    if (m_endedWhileAsking) {
        m_endedWhileAsking = false;
        finish(m_endStatus);
    }
}

void deathDlg::stopCommand()
{
    m_killSent = true;
    ::kill(-m_pid, SIGTERM);
    // Whatever ignores that ends a moment later.
    m_killer->start(1000);
}

void deathDlg::startProgress()
{
    m_totalBytes = -1;
    m_doneBytes = -1;
    m_bar->hide();
    m_amount->hide();
    if (m_progressSource.isEmpty() || m_progressDestination.isEmpty())
        return;
    if (m_progressMoving && onOneDevice(m_progressSource, m_progressDestination))
        return;
    m_totalBytes = treeBytes(m_progressSource, countLimit);
    if (m_totalBytes < 0)
        return;
    m_doneBytes = 0;
    m_bar->setValue(0);
    m_bar->show();
    m_amount->setText(progressText());
    m_amount->show();
    m_sampleCost = 0;
    m_sampler->start(250);
}

// At most four times a second, and never more than a twentieth of the time: walking a large
// destination tree must not slow down the copy it watches.
void deathDlg::sampleProgress()
{
    if (!m_running)
        return;
    QElapsedTimer cost;
    cost.start();
    const qint64 done = treeBytes(m_progressDestination, countLimit);
    m_sampleCost = cost.elapsed();
    if (done < 0)
        return;
    m_doneBytes = std::min(done, m_totalBytes);
    m_bar->setValue(m_totalBytes > 0 ? int(m_doneBytes * 1000 / m_totalBytes) : 0);
    m_amount->setText(progressText());
    m_sampler->start(int(std::max<qint64>(250, m_sampleCost * 20)));
}

void deathDlg::showElapsed()
{
    if (elapsedText().isEmpty())
        return;
    m_elapsed->setText(elapsedText());
    m_elapsed->show();
}

QString deathDlg::elapsedText() const
{
    // A tick a little late still shows the second it stands for.
    const qint64 seconds = m_clock.isValid() ? (m_clock.elapsed() + 100) / 1000 : 0;
    if (seconds < 1)
        return QString();
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3")
                .arg(seconds / 3600)
                .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
                .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString deathDlg::progressText() const
{
    if (m_totalBytes < 0 || m_doneBytes < 0)
        return QString();
    return formatBytes(m_doneBytes) + QStringLiteral(" / ") + formatBytes(m_totalBytes);
}
