#include "deathdlg.h"

#include "am_launcherclient.h"
#include "commandlog.h"
#include "filename.h"
#include "zmessagedlg.h"
#include "zsoftkey.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QWindow>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
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
// such as mv onto a write-protected file, must not wait for a terminal), writing into outputFd,
// in a process group of its own that a stop can end whole. Returns the shell's pid, or -1 with
// the reason in error.
pid_t spawnShell(const char *command, int outputFd, int *error)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
        posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
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

// The last lines of a failure's output, for a notice where no file can show it whole.
QString lastLines(const QByteArray &output, int count)
{
    QByteArray text = output.trimmed();
    qsizetype from = text.size();
    for (int i = 0; i < count && from > 0; ++i)
        from = text.lastIndexOf('\n', from - 1);
    text = text.mid(from + 1);
    if (text.size() > 1200)
        text = "..." + text.right(1200);
    return QString::fromUtf8(text);
}

// The processes of a group that have not ended (a zombie that nobody here may reap has).
int livingMembers(pid_t group)
{
    int living = 0;
    const QByteArray wanted = ' ' + QByteArray::number(group) + ' ';
    if (DIR *proc = ::opendir("/proc")) {
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
    }
    return living;
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

bool isInput(QEvent::Type type)
{
    switch (type) {
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
    QCoreApplication::instance()->installEventFilter(this);
    // Also without a command, so that the caller's exec() always comes back.
    QTimer::singleShot(10, this, &deathDlg::system_exec);
}

deathDlg::~deathDlg()
{
    QCoreApplication::instance()->removeEventFilter(this);
    if (m_running) {
        // Never left behind: a runner that goes away ends its command.
        ::kill(-m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) { }
    }
    for (const int fd : { m_pidFd, m_logFd, m_outputFd }) {
        if (fd >= 0)
            ::close(fd);
    }
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
    // For the whole operation: a caption that came and went between entries would be missed.
    if (!text.isEmpty())
        getSoftKey()->setText(
                1, QCoreApplication::translate("deathDlg", "TXT_RID_OPTION_CANCEL", "Cancel"));
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
    m_killSent = false;
    m_output.clear();
    m_outputCut = false;
    setTitle(title);
    setInstructText(instructText);
    // The right soft key pressed while the last command ended is answered now, before the next.
    if (m_stopRequested && !m_stopped) {
        m_stopRequested = false;
        askToStop();
    }
    if (m_stopped || !takeCommand(command)) {
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

// With a stop question, the right soft key counts as long as the popup is up.
int deathDlg::softKeyForKey(int key) const
{
    return m_stopText.isEmpty() ? -1 : ZPopup::softKeyForKey(key);
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

// While a command runs, the user's input reaches this popup and its stop question only; while
// the input that came during a command's end is drained, nothing gets it, but a press of the
// right soft key is remembered. Between commands, the popups of the operation take their input.
bool deathDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (!isInput(event->type()))
        return false;
    if (m_draining) {
        if (isStopPress(watched, event))
            m_stopRequested = true;
        return true;
    }
    return m_running && !belongsHere(watched);
}

bool deathDlg::belongsHere(QObject *receiver) const
{
    if (auto *widget = qobject_cast<QWidget *>(receiver))
        return widget->window() == this || (m_question && widget->window() == m_question);
    if (auto *window = qobject_cast<QWindow *>(receiver))
        return window == windowHandle() || (m_question && window == m_question->windowHandle());
    return false;
}

bool deathDlg::isStopPress(QObject *receiver, QEvent *event) const
{
    if (m_stopText.isEmpty())
        return false;
    if (event->type() == QEvent::KeyPress)
        return ZSoftKey::softKeyFor(static_cast<QKeyEvent *>(event)->key()) == 1;
    return event->type() == QEvent::MouseButtonRelease
           && receiver == getSoftKey()->findChild<QWidget *>(QStringLiteral("rightKey"));
}

void deathDlg::system_exec()
{
    if (m_finished || m_running)
        return;
    if (m_asking) {
        // Asked before the first command began: it waits for the answer.
        QTimer::singleShot(10, this, &deathDlg::system_exec);
        return;
    }
    if (commandLine[0] == '\0' || m_stopped) {
        m_finished = true;
        if (m_loop)
            m_loop->quit();
        if (!m_keepsShowing)
            hide();
        return;
    }
    std::printf("Debug: system(%s)\n", commandLine);
    std::fflush(stdout);

    m_logFd = CommandLog::instance().open();
    startProgress();
    int pipeFds[2] = { -1, -1 };
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        const QByteArray why = "The command could not be started: " + QByteArray(std::strerror(errno)) + "\n";
        appendToLog(m_logFd, why.constData(), why.size());
        keepOutput(why.constData(), why.size());
        finish(-1);
        return;
    }
    int error = 0;
    m_pid = spawnShell(commandLine, pipeFds[1], &error);
    ::close(pipeFds[1]);
    m_outputFd = pipeFds[0];
    if (m_pid < 0) {
        const QByteArray why = "The command could not be started: " + QByteArray(std::strerror(error)) + "\n";
        appendToLog(m_logFd, why.constData(), why.size());
        keepOutput(why.constData(), why.size());
        finish(-1);
        return;
    }
    m_running = true;
    ::fcntl(m_outputFd, F_SETFL, ::fcntl(m_outputFd, F_GETFL) | O_NONBLOCK);
    m_outputNotifier = new QSocketNotifier(m_outputFd, QSocketNotifier::Read, this);
    connect(m_outputNotifier, &QSocketNotifier::activated, this, &deathDlg::readOutput);
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

// What the command wrote so far: into the log, and kept for a failure.
void deathDlg::readOutput()
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
        keepOutput(buffer, n);
    }
}

void deathDlg::keepOutput(const char *bytes, qsizetype size)
{
    if (m_outputCut)
        return;
    // A log can be far larger than anyone reads.
    const qsizetype room = maxOutput - m_output.size();
    m_output.append(bytes, std::min(room, size));
    if (size > room) {
        m_output += "\n[... the rest of this output is left out]\n";
        m_outputCut = true;
    }
}

void deathDlg::childEnded()
{
    int status = 0;
    const pid_t reaped = ::waitpid(m_pid, &status, WNOHANG);
    if (reaped == 0 || (reaped < 0 && errno == EINTR))
        return;
    // Deleted later: this may run inside the notifier's own signal.
    for (QObject *watcher : { static_cast<QObject *>(m_childNotifier),
                              static_cast<QObject *>(m_childPoll),
                              static_cast<QObject *>(m_outputNotifier) }) {
        if (watcher)
            watcher->deleteLater();
    }
    m_childNotifier = nullptr;
    m_childPoll = nullptr;
    m_outputNotifier = nullptr;
    if (m_pidFd >= 0)
        ::close(m_pidFd);
    m_pidFd = -1;
    // What the shell wrote last; a background child that holds the pipe is not waited for.
    readOutput();
    ::close(m_outputFd);
    m_outputFd = -1;
    m_running = false;
    m_killer->stop();
    if (m_killSent) {
        ::kill(-m_pid, SIGKILL); // what ignored the first signal
        waitForTheGroup();
    }
    finish(reaped < 0 ? -1 : status);
}

// A stop has ended the command only once every process it started is gone.
void deathDlg::waitForTheGroup()
{
    QElapsedTimer waited;
    waited.start();
    while (livingMembers(m_pid) > 0 && waited.elapsed() < 2000)
        ::usleep(5000);
}

void deathDlg::finish(int status)
{
    m_running = false;
    m_sampler->stop();
    if (m_asking) {
        // The stop question is still open: the end is taken once it is answered.
        m_endedWhileAsking = true;
        m_endStatus = status;
        return;
    }
    if (m_killSent) {
        const QByteArray note("\nThe command was stopped by the user.\n");
        appendToLog(m_logFd, note.constData(), note.size());
        keepOutput(note.constData(), note.size());
    }
    // A shell ended by a signal did not finish its work: that is a failure too.
    m_failed = status == -1 || m_killSent || WIFSIGNALED(status)
               || (WIFEXITED(status) && WEXITSTATUS(status) != 0);
    if (m_logFd >= 0)
        ::close(m_logFd);
    m_logFd = -1;
    m_pid = 0;
    m_progressSource.clear();
    m_progressDestination.clear();

    dropPendingInput();
    m_finished = true;
    if (m_loop)
        m_loop->quit();
    if (!m_keepsShowing)
        hide();
    if (m_failed && m_showsLog)
        showOutput(m_output, m_stopTitle);
}

// Input that came while the command ended was meant for this popup, which takes none but the
// right soft key: that is remembered for the next command; the rest never reaches what follows.
void deathDlg::dropPendingInput()
{
    m_draining = true;
    QCoreApplication::processEvents();
    m_draining = false;
}

void deathDlg::showOutput(const QByteArray &output, const QString &title)
{
    const QByteArray path = CommandLog::handOver(output);
    if (!path.isEmpty()) {
        AM_LauncherClient::openDocument(FileName::fromBytes(path), QString(), true);
        return;
    }
    auto *notice = new ZMessageDlg(title, lastLines(output, 12), ZMessageDlg::Notice, 0, nullptr,
                                   nullptr, true, 0);
    notice->setTitleIcon(QStringLiteral("error_pop.bmp"));
    notice->exec();
    delete notice;
}

// The command's whole process group is paused while the question is open, so that what the
// question says a stop leaves is what stands when it is answered.
void deathDlg::askToStop()
{
    if (m_stopText.isEmpty() || m_asking || m_stopped)
        return;
    m_asking = true;
    const bool paused = m_running && ::kill(-m_pid, SIGSTOP) == 0;
    auto *question = new ZMessageDlg(m_stopTitle, m_stopText, ZMessageDlg::Question, 0, nullptr,
                                     nullptr, true, 0);
    m_question = question;
    const bool yes = question->exec() == 1;
    m_question = nullptr;
    delete question;
    m_asking = false;
    if (yes) {
        m_stopped = true;
        if (m_running)
            stopCommand();
    } else if (paused && m_running) {
        ::kill(-m_pid, SIGCONT);
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
    ::kill(-m_pid, SIGCONT); // a paused process takes the signal only once it runs again
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
    // What stands there already (a folder merged into, a file replaced) was not written by this
    // command.
    m_bytesBefore = treeBytes(m_progressDestination, countLimit);
    m_totalBytes = m_bytesBefore < 0 ? -1 : treeBytes(m_progressSource, countLimit);
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
    m_doneBytes = std::clamp(done - m_bytesBefore, qint64(0), m_totalBytes);
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
