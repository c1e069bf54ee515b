// SPDX-License-Identifier: GPL-3.0-or-later
#include "runner/deathdlg.h"

#include "core/names/filename.h"
#include "core/shell/commandlog.h"
#include "core/shell/progresscounter.h"
#include "core/shell/shellprocess.h"
#include "lang/formats.h"
#include "lang/languagecatalog.h"
#include "platform/am_launcherclient.h"
#include "platform/zmessagedlg.h"
#include "platform/zsoftkey.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <cstdio>
#include <cstring>

deathDlg::deathDlg(const QString &title, const QString &instructText, const char *command)
    : ZPopup(ZPopup::Dialog, nullptr, nullptr, true, 0, 0)
{
    setTitle(title);
    setInstructText(instructText);
    buildBody();
    m_process = new ShellProcess(this);
    connect(m_process, &ShellProcess::finished, this, &deathDlg::finish);
    m_progress = new ProgressCounter(this);
    connect(m_progress, &ProgressCounter::changed, this, &deathDlg::showProgress);
    QCoreApplication::instance()->installEventFilter(this);
    // Without a command to run, exec() comes back at once; the commands of an operation come
    // through run().
    if (takeCommand(command)) {
        hide();
        startClock();
        show();
        QTimer::singleShot(10, this, &deathDlg::system_exec);
    }
}

deathDlg::~deathDlg()
{
    QCoreApplication::instance()->removeEventFilter(this);
    std::memset(commandLine, 0, sizeof commandLine);
}

void deathDlg::startClock()
{
    setTitleIcon(QStringLiteral("recur_enable_pop.bmp"));
    m_clock.start();
    m_tick->start(1000);
}

std::unique_ptr<deathDlg> deathDlg::forOperation(const QString &title, const QString &stopText,
                                                 bool several, LanguageCatalog *catalog)
{
    auto runner = std::make_unique<deathDlg>(QString(), QString(), nullptr);
    runner->setStopQuestion(title, stopText);
    runner->setShowsLogOnFailure(false);
    runner->setKeepsShowing(several);
    runner->setCatalog(catalog);
    return runner;
}

CommandRunner::Ran deathDlg::run(const Command &command)
{
    // What it shows, worded: an operation on one entry says "please wait", one on several names
    // each entry.
    QString title = command.shows == Waiting ? QString() : command.entry;
    QString text = m_catalog ? m_catalog->lookup("BR_PLEASEWAIT") : QString();
    const char *doing = command.shows == Copying    ? "BR_COPYING"
                        : command.shows == Moving   ? "BR_MOVING"
                        : command.shows == Deleting ? "BR_DELETING"
                        : command.shows == Writing  ? "BR_WRITING"
                                                    : nullptr;
    if (doing && m_catalog)
        text = m_catalog->lookup(doing) + command.entry;
    // A stop while the copies are flushed ends only the wait: the question says so.
    if (command.shows == Writing && m_catalog)
        m_stopText = m_catalog->lookup("BR_STOP_WRITING");
    m_process->setInheritedFd(command.inheritedFd);
    m_progressTotal = command.total;
    m_progressWritten = command.written;
    if (!m_clock.isValid())
        startClock();
    runNext(title, text, command.line.constData());
    Ran ran;
    ran.output = m_output;
    ran.outcome = ranToItsEnd() ? (m_failed ? Failed : Succeeded) : m_stopped ? Stopped : Failed;
    return ran;
}

void deathDlg::stepAside()
{
    hide();
}

void deathDlg::rightKey()
{
    if (!m_working)
        return askToStop();
    if (m_stopText.isEmpty() || m_asking) {
        m_workStopped = !m_asking;
        return;
    }
    // Held while the user decides, as a running command is.
    m_asking = true;
    if (m_workPause)
        m_workPause(true);
    m_workStopped = ZMessageDlg::ask(m_stopTitle, m_stopText);
    if (m_workPause && !m_workStopped)
        m_workPause(false);
    m_asking = false;
}

bool deathDlg::whileWorking(const QString &text,
                            const std::function<void(const std::function<bool()> &)> &work,
                            const StopQuestion &question)
{
    QElapsedTimer clock;
    clock.start();
    deathDlg popup(QString(), text, nullptr);
    popup.m_working = true;
    popup.m_stopTitle = question.title;
    popup.m_stopText = question.text;
    popup.m_workPause = question.pause;
    work([&] {
        if (!popup.isVisible() && clock.elapsed() > 300) {
            popup.getSoftKey()->setText(
                    ZSoftKey::Right,
                    QCoreApplication::translate("deathDlg", "TXT_RID_OPTION_CANCEL", "Cancel"));
            popup.startClock();
            popup.show();
        }
        if (popup.isVisible()) {
            popup.showElapsed();
            QCoreApplication::processEvents();
        }
        return !popup.m_workStopped;
    });
    return !popup.m_workStopped;
}

void deathDlg::buildBody()
{
    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(8, 8, 8, 8);
    m_bar = new QProgressBar(body);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    m_bar->hide();
    layout->addWidget(m_bar);
    for (QLabel **label : { &m_amount, &m_elapsed }) {
        *label = new QLabel(body);
        (*label)->hide();
        layout->addWidget(*label);
    }
    m_amount->setObjectName(QStringLiteral("progressText"));
    m_elapsed->setObjectName(QStringLiteral("elapsedText"));
    layout->addStretch();
    insertChild(body);

    m_tick = new QTimer(this);
    m_tick->setTimerType(Qt::PreciseTimer); // a coarse timer may fire just before the second
    connect(m_tick, &QTimer::timeout, this, &deathDlg::showElapsed);
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
                ZSoftKey::Right,
                QCoreApplication::translate("deathDlg", "TXT_RID_OPTION_CANCEL", "Cancel"));
}

int deathDlg::exec()
{
    // With nothing to run there is nothing to wait for; and a command that already ended would
    // leave a re-shown popup waiting for nothing.
    m_finished = m_finished || commandLine[0] == '\0';
    return runLoop();
}

int deathDlg::runNext(const QString &title, const QString &instructText, const char *command)
{
    m_finished = false;
    m_failed = false;
    m_ran = false;
    m_output.clear();
    limitRepaints();
    setTitle(title);
    // Without a title (an operation on one entry), a screen reader still hears what the wait is.
    if (title.isEmpty())
        tellCalmly(this, m_stopTitle);
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
    return m_stopText.isEmpty() && !m_working ? -1 : ZPopup::softKeyForKey(key);
}

// While a command runs, the user's input reaches this popup and its stop question only; while
// the input that came during a command's end is drained, nothing gets it, but a press of the
// right soft key is remembered. Between commands, the popups of the operation take their input.
bool deathDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (!isUserInput(event->type()))
        return false;
    if (m_draining) {
        if (isStopPress(watched, event))
            m_stopRequested = true;
        return true;
    }
    return m_process->isRunning() && !belongsHere(watched);
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
        return ZSoftKey::softKeyFor(static_cast<QKeyEvent *>(event)->key()) == ZSoftKey::Right;
    return event->type() == QEvent::MouseButtonRelease
           && receiver == getSoftKey()->findChild<QWidget *>(QStringLiteral("rightKey"));
}

void deathDlg::system_exec()
{
    if (m_finished || m_process->isRunning())
        return;
    if (m_asking) {
        // Asked before the first command began: it waits for the answer.
        QTimer::singleShot(10, this, &deathDlg::system_exec);
        return;
    }
    if (commandLine[0] == '\0' || m_stopped) {
        endLoop();
        return;
    }
    std::printf("Debug: system(%s)\n", commandLine);
    std::fflush(stdout);

    m_bar->hide();
    m_amount->hide();
    if (m_progressTotal && m_progress->start(m_progressTotal(), m_progressWritten))
        showProgress();
    m_ran = true;
    if (!m_process->start(commandLine))
        finish(-1);
}

void deathDlg::finish(int status)
{
    m_progress->stop();
    if (m_asking) {
        // The stop question is still open: the end is taken once it is answered.
        m_endedWhileAsking = true;
        m_endStatus = status;
        return;
    }
    m_failed = m_process->wasStopped() || !ShellProcess::succeeded(status);
    m_output = m_process->output();
    setProgress(nullptr, nullptr);
    // Input that came while the command ended was meant for this popup, which takes none but the
    // right soft key: that is remembered for the next command; the rest never reaches what follows.
    m_draining = true;
    QCoreApplication::processEvents();
    m_draining = false;
    endLoop();
    // A stop the user chose is no failure to read up on; the operation says what it left.
    if (m_failed && m_showsLog && !m_process->wasStopped())
        showOutput(m_output, m_stopTitle);
}

void deathDlg::endLoop()
{
    m_finished = true;
    if (m_loop)
        m_loop->quit();
    if (!m_keepsShowing)
        hide();
}

void deathDlg::showOutput(const QByteArray &output, const QString &title)
{
    const QByteArray path = CommandLog::handOver(output);
    if (!path.isEmpty() && AM_LauncherClient::openDocumentSurely(FileName::fromBytes(path)))
        return;
    ZMessageDlg::inform(title, QString::fromUtf8(CommandLog::lastLines(output, 12)),
                        QStringLiteral("error_pop.bmp"));
}

// The command's whole process group is paused while the question is open, so that what the
// question says a stop leaves is what stands when it is answered.
void deathDlg::askToStop()
{
    if (m_stopText.isEmpty() || m_asking || m_stopped)
        return;
    m_asking = true;
    m_process->pause();
    auto *question = new ZMessageDlg(m_stopTitle, m_stopText, ZMessageDlg::Question, 0, nullptr,
                                     nullptr, true, 0);
    m_question = question;
    const bool yes = question->exec() == 1;
    m_question = nullptr;
    delete question;
    m_asking = false;
    if (yes) {
        m_stopped = true;
        m_process->stop();
    } else {
        m_process->resume();
    }
    if (m_endedWhileAsking) {
        m_endedWhileAsking = false;
        finish(m_endStatus);
    }
}

// Entries that follow each other faster than an eye can read are not each painted: at most
// about 30 repaints a second, whatever the pace. The titles still change with every entry.
void deathDlg::limitRepaints()
{
    if (!updatesEnabled())
        return;
    if (m_painted.isValid() && m_painted.elapsed() < 33) {
        setUpdatesEnabled(false);
        QTimer::singleShot(int(33 - m_painted.elapsed()), this, [this] {
            setUpdatesEnabled(true);
            m_painted.start();
        });
        return;
    }
    m_painted.start();
}

void deathDlg::showProgress()
{
    const qint64 total = m_progress->total();
    m_bar->setValue(total > 0 ? int(m_progress->done() * 1000 / total) : 0);
    m_bar->show();
    const QString amount
            = Formats::bytes(m_progress->done()) + QStringLiteral(" / ") + Formats::bytes(total);
    tellCalmly(m_amount, amount);
    m_amount->setText(amount);
    m_amount->show();
}

void deathDlg::showElapsed()
{
    const QString text = Formats::elapsed(m_clock.elapsed());
    if (text.isEmpty())
        return;
    tellCalmly(m_elapsed, text);
    m_elapsed->setText(text);
    m_elapsed->show();
}
