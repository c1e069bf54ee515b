// SPDX-License-Identifier: GPL-3.0-or-later
#include "runner/deathdlg.h"

#include "core/shell/progresscounter.h"
#include "core/shell/shellprocess.h"
#include "lang/formats.h"
#include "platform/zsoftkey.h"
#include "runner/failurereport.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

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
    m_guard = new StopGuard(this, m_process, m_phase);
    // Without a command to run, exec() comes back at once; the commands of an operation come
    // through runNext().
    if (takeCommand(command)) {
        hide();
        startClock();
        show();
        QTimer::singleShot(10, this, &deathDlg::system_exec);
    }
}

deathDlg::~deathDlg()
{
    std::memset(commandLine, 0, sizeof commandLine);
}

void deathDlg::startClock()
{
    setTitleIcon(QStringLiteral("recur_enable_pop.bmp"));
    m_clock.start();
    m_tick->start(1000);
}

void deathDlg::setInheritedFd(int fd)
{
    m_process->setInheritedFd(fd);
}

bool deathDlg::ranToItsEnd() const
{
    return m_outcome != Outcome::NotRun && !m_process->wasStopped();
}

pid_t deathDlg::processGroup() const
{
    return m_process->processGroup();
}

void deathDlg::rightKey()
{
    if (m_rightKeyAction)
        return m_rightKeyAction();
    m_guard->ask();
    // The command ended while the question was open: its end is taken now.
    if (m_phase == RunPhase::EndedWhileAsking)
        finish(m_endStatus);
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
    m_guard->setQuestion(title, text);
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
    if (commandLine[0] == '\0')
        m_phase = RunPhase::Finished;
    return runLoop();
}

int deathDlg::runNext(const QString &title, const QString &instructText, const char *command)
{
    m_phase = RunPhase::Idle;
    m_outcome = Outcome::NotRun;
    m_output.clear();
    limitRepaints();
    setTitle(title);
    // Without a title (an operation on one entry), a screen reader still hears what the wait is.
    if (title.isEmpty())
        tellCalmly(this, m_guard->title());
    setInstructText(instructText);
    // The right soft key pressed while the last command ended is answered now, before the next.
    if (m_guard->takeRememberedPress())
        m_guard->ask();
    if (m_guard->stopped() || !takeCommand(command)) {
        m_phase = RunPhase::Finished;
        return result();
    }
    if (!isVisible())
        show();
    system_exec();
    return runLoop();
}

int deathDlg::runLoop()
{
    if (m_phase != RunPhase::Finished) {
        QEventLoop loop;
        m_loop = &loop;
        loop.exec(QEventLoop::DialogExec);
        m_loop = nullptr;
    }
    if (!m_keepsShowing)
        hide();
    return result();
}

// With a stop question, or work to stop, the right soft key counts as long as the popup is up.
int deathDlg::softKeyForKey(int key) const
{
    return m_guard->hasQuestion() || m_rightKeyAction ? ZPopup::softKeyForKey(key) : -1;
}

void deathDlg::system_exec()
{
    if (m_phase != RunPhase::Idle)
        return;
    if (m_guard->isAsking()) {
        // Asked before the first command began: it waits for the answer.
        QTimer::singleShot(10, this, &deathDlg::system_exec);
        return;
    }
    if (commandLine[0] == '\0' || m_guard->stopped()) {
        endLoop();
        return;
    }
    std::printf("Debug: system(%s)\n", commandLine);
    std::fflush(stdout);

    m_bar->hide();
    m_amount->hide();
    if (m_progressTotal && m_progress->start(m_progressTotal(), m_progressWritten))
        showProgress();
    m_phase = RunPhase::Running;
    if (!m_process->start(commandLine))
        finish(-1);
}

void deathDlg::finish(int status)
{
    m_progress->stop();
    if (m_phase == RunPhase::Asking) {
        // The stop question is still open: the end is taken once it is answered.
        m_phase = RunPhase::EndedWhileAsking;
        m_endStatus = status;
        return;
    }
    const bool stopped = m_process->wasStopped();
    m_outcome = stopped || !ShellProcess::succeeded(status) ? Outcome::Failed : Outcome::Succeeded;
    m_output = m_process->output();
    setProgress(nullptr, nullptr);
    // Input that came while the command ended was meant for this popup, which takes none but the
    // right soft key: that is remembered for the next command; the rest never reaches what follows.
    m_guard->drain();
    endLoop();
    // A stop the user chose is no failure to read up on; the operation says what it left.
    if (failed() && m_showsLog && !stopped)
        FailureReport::show(m_output, m_guard->title());
}

void deathDlg::endLoop()
{
    m_phase = RunPhase::Finished;
    if (m_loop)
        m_loop->quit();
    if (!m_keepsShowing)
        hide();
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
