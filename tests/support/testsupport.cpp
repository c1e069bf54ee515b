#include "testsupport.h"

#include "am_launcherclient.h"
#include "deathdlg.h"
#include "filedialog.h"
#include "zlistbox.h"
#include "zmessagedlg.h"
#include "zsinglecapturedlg.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <pwd.h>
#include <unistd.h>

namespace {
QList<QByteArray> &argumentStore()
{
    static QList<QByteArray> store;
    return store;
}
} // namespace

// The application object keeps a reference to these.
int fmTestArgc = 1;
char *fmTestArgv[8] = { nullptr };

char *programPath()
{
    static QByteArray path = QByteArray(FM_BUILD_DIR) + "/filemanager";
    return path.data();
}

void setCommandLine(const QStringList &arguments)
{
    QList<QByteArray> &store = argumentStore();
    store.clear();
    for (const QString &argument : arguments)
        store.append(argument.toUtf8());
    fmTestArgv[0] = programPath();
    fmTestArgc = 1;
    for (QByteArray &bytes : store)
        if (fmTestArgc < 7)
            fmTestArgv[fmTestArgc++] = bytes.data();
    fmTestArgv[fmTestArgc] = nullptr;
}

CommandOnPath::CommandOnPath(const QString &name, const QByteArray &script)
{
    QFile file(m_dir.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n" + script);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(m_dir.path()) + ':' + m_oldPath);
}

CommandOnPath::~CommandOnPath()
{
    qputenv("PATH", m_oldPath);
}

RecordingOpener::RecordingOpener()
    : m_opener(QStringLiteral("xdg-open"),
               "printf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened.txt\"\n")
    , m_calls(new QStringList)
    , m_logs(new QByteArrayList)
{
    QStringList *calls = m_calls;
    QByteArrayList *logs = m_logs;
    AM_LauncherClient::setObserver([calls, logs](const QString &path) {
        calls->append(path);
        QFile opened(path);
        logs->append(opened.open(QIODevice::ReadOnly) ? opened.readAll() : QByteArray("<missing>"));
    });
}

RecordingOpener::~RecordingOpener()
{
    AM_LauncherClient::setObserver(nullptr);
    delete m_calls;
    delete m_logs;
}

QStringList RecordingOpener::opened() const
{
    QFile file(m_opener.filePath(QStringLiteral("opened.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    lines.removeAll(QString());
    return lines;
}

QByteArrayList RecordingOpener::openedBytes() const
{
    QFile file(m_opener.filePath(QStringLiteral("opened.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArrayList lines = file.readAll().split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

QStringList RecordingOpener::launcherCalls() const
{
    return *m_calls;
}

QByteArrayList RecordingOpener::logsWhenOpened() const
{
    return *m_logs;
}

void RecordingOpener::clear()
{
    QFile::remove(m_opener.filePath(QStringLiteral("opened.txt")));
    m_calls->clear();
    m_logs->clear();
}

OutputCapture::OutputCapture(int fd)
    : m_fd(fd)
{
    std::fflush(fd == 1 ? stdout : stderr);
    m_path = m_dir.filePath(QStringLiteral("output"));
    const int file
            = ::open(QFile::encodeName(m_path).constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    m_saved = ::dup(fd);
    ::dup2(file, fd);
    ::close(file);
}

OutputCapture::~OutputCapture()
{
    finish();
}

QByteArray OutputCapture::finish()
{
    if (m_saved < 0)
        return QByteArray();
    std::fflush(m_fd == 1 ? stdout : stderr);
    ::dup2(m_saved, m_fd);
    ::close(m_saved);
    m_saved = -1;
    QFile file(m_path);
    file.open(QIODevice::ReadOnly);
    // QtTest reports Qt's warnings on standard output too; they are not the program's output.
    QByteArray program;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.startsWith("QWARN  : ") && !line.startsWith("QDEBUG : ")
            && !line.startsWith("QINFO  : "))
            program += line + '\n';
    }
    program.chop(1);
    return program;
}

DialogAnswerer::DialogAnswerer()
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &DialogAnswerer::poll);
    m_timer.start();
    qApp->installEventFilter(this);
}

bool DialogAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    // A runner shows itself for its first command, and one runner may serve several entries,
    // each with its own title; it may be gone before the next poll. Its title and text are
    // taken once the change that announced them is done.
    auto *runner = qobject_cast<deathDlg *>(watched);
    if (runner
        && (event->type() == QEvent::Show
            || (event->type() == QEvent::WindowTitleChange && runner->isVisible()))) {
        QPointer<deathDlg> watchedRunner(runner);
        QTimer::singleShot(0, this, [this, watchedRunner] {
            if (watchedRunner)
                runners.append({ QStringLiteral("runner"), watchedRunner->title(),
                                 watchedRunner->instructText(), QString() });
        });
    }
    return QObject::eventFilter(watched, event);
}

DialogAnswerer &DialogAnswerer::answer(Action action, const QString &typed)
{
    m_answers.append({ action, typed });
    return *this;
}

void DialogAnswerer::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible())
        return;
    Seen record;
    QWidget *keyTarget = modal;
    if (auto *message = qobject_cast<ZMessageDlg *>(modal)) {
        record = { message->type() == 1 ? QStringLiteral("question") : QStringLiteral("notice"),
                   message->title(), message->text(), QString() };
    } else if (auto *entry = qobject_cast<ZSingleCaptureDlg *>(modal)) {
        record = { QStringLiteral("entry"), entry->title(), entry->text(),
                   entry->getLineEdit()->selectedText() };
        keyTarget = entry->getLineEdit();
    } else {
        return; // the command runner closes by itself
    }
    seen.append(record);
    if (m_answers.isEmpty()) {
        ++unexpected;
        QTest::keyClick(keyTarget, Qt::Key_F2);
        return;
    }
    const Planned planned = m_answers.takeFirst();
    if (!planned.typed.isNull())
        QTest::keyClicks(keyTarget, planned.typed);
    QTest::keyClick(keyTarget, planned.action == Yes ? Qt::Key_F1 : Qt::Key_F2);
}

bool canBecomeNobody()
{
    return ::geteuid() == 0 && ::getpwnam("nobody");
}

bool asNobody(const std::function<void()> &action)
{
    const passwd *nobody = canBecomeNobody() ? ::getpwnam("nobody") : nullptr;
    if (!nobody || ::setresuid(nobody->pw_uid, nobody->pw_uid, 0) != 0)
        return false;
    action();
    return ::setresuid(0, 0, 0) == 0;
}

TestFolder::TestFolder()
{
    m_dir.setAutoRemove(false); // removed by bytes below
    char *previous = ::getcwd(nullptr, 0);
    m_previous = previous ? QByteArray(previous) : QByteArray("/");
    std::free(previous);
    if (!m_dir.isValid() || ::chdir(QFile::encodeName(m_dir.path()).constData()) != 0)
        qFatal("cannot enter a temporary folder");
}

TestFolder::~TestFolder()
{
    if (::chdir(m_previous.constData()) != 0 && ::chdir("/") != 0)
        qWarning("cannot leave the temporary folder");
    // By bytes: QDir cannot remove names that are not UTF-8.
    ::nftw(
            QFile::encodeName(m_dir.path()).constData(),
            [](const char *path, const struct stat *, int, FTW *) { return ::remove(path); }, 16,
            FTW_DEPTH | FTW_PHYS);
}

bool TestFolder::makeDirs(const QStringList &relatives) const
{
    for (const QString &relative : relatives) {
        if (!QDir().mkpath(*this / relative))
            return false;
    }
    return true;
}

bool TestFolder::makeFiles(const QList<std::pair<QString, QByteArray>> &files) const
{
    for (const auto &[relative, content] : files) {
        if (!makeFile(*this / relative, content))
            return false;
    }
    return true;
}

QByteArrayList entriesOf(const QByteArray &folder)
{
    QByteArrayList names;
    if (DIR *dir = ::opendir(folder.constData())) {
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names << name;
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool makeFileBytes(const QByteArray &path, const QByteArray &content)
{
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    return ::close(fd) == 0 && written;
}

int livingMembersOf(pid_t group)
{
    int living = 0;
    QDir proc(QStringLiteral("/proc"));
    for (const QString &entry : proc.entryList(QDir::Dirs)) {
        bool isPid = false;
        entry.toInt(&isPid);
        if (!isPid)
            continue;
        // pid (comm) state ppid pgrp ...: the command's name may hold blanks and parentheses.
        const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(entry));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields[0] != "Z" && fields[2].toInt() == group)
            ++living;
    }
    return living;
}

SlowCommand::SlowCommand(const QString &name, double seconds)
    : CommandOnPath(name, "sleep " + QByteArray::number(seconds) + "\nexec "
                                  + QFile::encodeName(QStandardPaths::findExecutable(name))
                                  + " \"$@\"\n")
{
}

bool makeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList rows(const fileDialog &window)
{
    QStringList names;
    const ZListBox *list = window.entryList();
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->getSubItemText(window.nameColumn());
    return names;
}

int rowOf(const fileDialog &window, const QString &name)
{
    return int(rows(window).indexOf(name));
}

WindowFixture::~WindowFixture()
{
    delete m_window;
}

fileDialog &WindowFixture::start(const QStringList &arguments)
{
    delete m_window;
    setCommandLine(arguments);
    m_window = new fileDialog;
    return *m_window;
}

bool WindowFixture::finish()
{
    delete m_window;
    m_window = nullptr;
    return QApplication::topLevelWidgets().isEmpty();
}
