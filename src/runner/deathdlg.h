// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/shell/shellcommand.h"
#include "platform/res_icon_reader.h"
#include "platform/zpopup.h"
#include "runner/stopguard.h"

#include <QByteArray>
#include <QCloseEvent>
#include <QElapsedTimer>

#include <functional>
#include <sys/types.h>

class ProgressCounter;
class QEventLoop;
class QLabel;
class QProgressBar;
class QTimer;
class ShellProcess;

// The wait popup of a shell command. Create it, call exec() at once, delete it. The command runs
// in a ShellProcess while the popup's loop keeps turning: the popup repaints and, after the first
// second, shows the time that has passed, and a ProgressCounter's bar for a copy or move. Exit
// status 0 is success, anything else (another status, a signal, no shell) a failure, which shows
// the command's own output (FailureReport). What the keys do meanwhile, and the stop question of
// the right soft key, is its StopGuard's. A command it will not run (null, empty or too long)
// closes the popup as soon as exec() runs. An operation's commands come one after another through
// runNext() (OperationRunner); the wait for work without a command shows it too (WorkWait).
class deathDlg : public ZPopup
{
    Q_OBJECT
public:
    // The longest command that fits the command line together with the log redirection.
    static constexpr size_t maxCommandLength = ShellCommand::maxLength;

    deathDlg(const QString &title, const QString &instructText, const char *command);
    ~deathDlg() override;

    int exec() override;

    // Whether a failure shows its output at once (the default). An operation on several entries
    // gathers its failures with output() and shows them together at its end instead.
    void setShowsLogOnFailure(bool shows) { m_showsLog = shows; }
    // The question that the right soft key asks, also between two commands: yes ends the
    // command's whole group, notes that in the log, counts as a failure and runs no further
    // command.
    void setStopQuestion(const QString &title, const QString &text);
    // Progress of the next command: all it is to write (asked when it begins), and a measure of
    // what it has written.
    void setProgress(const std::function<qint64()> &total, const std::function<qint64()> &written)
    {
        m_progressTotal = total;
        m_progressWritten = written;
    }
    // A descriptor that the next commands inherit (see Shell::Options::inheritedFd); -1 for none.
    void setInheritedFd(int fd);
    // For an operation on several entries: the popup stays shown when a command has ended, and
    // runNext() runs the next one in it at once, with its own title and text.
    void setKeepsShowing(bool keeps) { m_keepsShowing = keeps; }
    int runNext(const QString &title, const QString &instructText, const char *command);
    // What the right soft key does where no command runs in the popup (the wait for work).
    void setRightKeyAction(const std::function<void()> &action) { m_rightKeyAction = action; }
    // The time that has passed since the clock started, shown from its first second on.
    void startClock();
    void showElapsed();

    // After exec(): whether the command failed, what it wrote then, and whether the user
    // answered yes to the stop question (also when the command ended by itself meanwhile, or
    // between two commands): from then on no command of this popup runs.
    bool failed() const { return m_outcome == Outcome::Failed; }
    QByteArray output() const { return m_output; }
    bool wasStopped() const { return m_guard->stopped(); }
    // Whether the last command ran to its own end: it was started, and not stopped.
    bool ranToItsEnd() const;
    // The command's process group while it runs, else 0.
    pid_t processGroup() const;

public slots:
    void system_exec();

protected:
    int softKeyForKey(int key) const override;
    // Only the right soft key counts, and no close request ends the popup.
    void leftKey() override { }
    void rightKey() override;
    void closeEvent(QCloseEvent *event) override { event->ignore(); }

private:
    // What came of the last command.
    enum class Outcome { NotRun, Succeeded, Failed };

    void buildBody();
    bool takeCommand(const char *command);
    int runLoop();
    void finish(int status);
    void endLoop();
    void limitRepaints();
    void showProgress();

    RES_ICON_Reader iconReader;
    char commandLine[1024];
    RunPhase m_phase = RunPhase::Idle;
    Outcome m_outcome = Outcome::NotRun;
    int m_endStatus = 0; // of a command that ended while the stop question was open
    QByteArray m_output;
    bool m_showsLog = true;
    bool m_keepsShowing = false;
    ShellProcess *m_process = nullptr;
    ProgressCounter *m_progress = nullptr;
    StopGuard *m_guard = nullptr;
    std::function<void()> m_rightKeyAction;
    std::function<qint64()> m_progressTotal, m_progressWritten;
    QElapsedTimer m_clock;
    QElapsedTimer m_painted; // when the popup was last allowed to repaint
    QEventLoop *m_loop = nullptr;
    QTimer *m_tick = nullptr;
    QLabel *m_elapsed = nullptr;
    QLabel *m_amount = nullptr;
    QProgressBar *m_bar = nullptr;
};
