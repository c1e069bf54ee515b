// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/testsupport.h"

#include "browser/filedialog.h"
#include "platform/am_launcherclient.h"
#include "platform/zlistbox.h"
#include "platform/zmessagedlg.h"
#include "platform/zsinglecapturedlg.h"
#include "platform/zsingleselectdlg.h"
#include "runner/deathdlg.h"

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

DialogAnswerer &DialogAnswerer::choose(int row)
{
    m_answers.append({ Yes, QString(), row });
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
    } else if (auto *choice = qobject_cast<ZSingleSelectDlg *>(modal)) {
        record = { QStringLiteral("choice"), choice->title(),
                   choice->text() + u'\n' + choice->choices().join(u'\n'), QString() };
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
    for (int i = 0; i < planned.row; ++i)
        QTest::keyClick(keyTarget, Qt::Key_Down);
    if (planned.row >= 0) {
        QTest::keyClick(keyTarget, Qt::Key_Return);
        return;
    }
    QTest::keyClick(keyTarget, planned.action == Yes ? Qt::Key_F1 : Qt::Key_F2);
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

fileDialog &WindowFixture::start(const QStringList &arguments,
                                 const std::function<void()> &beforeTheWindow)
{
    delete m_window;
    setCommandLine(arguments);
    // Each window starts with nothing to undo, whatever the tests before it did.
    m_state = std::make_unique<QTemporaryDir>();
    qputenv("XDG_STATE_HOME", m_state->path().toUtf8());
    // And its own home trash, beside the test's folders, so that a replace goes there.
    qputenv("XDG_DATA_HOME", m_state->path().toUtf8() + "/data");
    if (beforeTheWindow)
        beforeTheWindow();
    m_window = new fileDialog;
    return *m_window;
}

bool WindowFixture::finish()
{
    delete m_window;
    m_window = nullptr;
    return QApplication::topLevelWidgets().isEmpty();
}
