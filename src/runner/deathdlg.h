// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/shell/commandrunner.h"
#include "core/shell/shellcommand.h"
#include "core/shell/shellprocess.h"
#include "platform/res_icon_reader.h"
#include "platform/zpopup.h"

#include <QByteArray>
#include <QCloseEvent>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <sys/types.h>

class LanguageCatalog;
class ProgressCounter;
class QEventLoop;
class QLabel;
class QProgressBar;
class QTimer;

// The wait popup of a shell command. Create it, call exec() at once, delete it. The command runs
// in a ShellProcess while the popup's loop keeps turning: the popup repaints and, after the first
// second, shows the time that has passed, and a ProgressCounter's bar for a copy or move. Exit
// status 0 is success, anything else (another status, a signal, no shell) a failure, which shows
// the command's own output.
// While a command runs, input reaches this popup and its stop question alone; what was made for
// anything else is dropped, so that it never answers the popup that comes next.
// With a stop question, the right soft key (Cancel) is taken for as long as the popup shows,
// also between two commands: it asks at once, with the command's process group paused; yes ends
// the whole group, notes that in the log, counts as a failure and runs no further command.
// A command it will not run (null, empty or too long) closes the popup as soon as exec() runs.
// It also runs the commands of a whole operation (CommandRunner), made without a command and
// kept for all of them, and words what each shows with the catalogue; and it is the wait popup
// of work that runs without a command (whileWorking()).
class deathDlg : public ZPopup, public CommandRunner
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
    // The question that the right soft key asks.
    void setStopQuestion(const QString &title, const QString &text);
    // Progress of the next command: all it is to write (asked when it begins), and a measure of
    // what it has written.
    void setProgress(const std::function<qint64()> &total, const std::function<qint64()> &written)
    {
        m_progressTotal = total;
        m_progressWritten = written;
    }
    // The catalogue that words what the commands of an operation show (run()).
    void setCatalog(LanguageCatalog *catalog) { m_catalog = catalog; }

    // The runner of an operation's commands: its stop question (the title also that of its
    // failures), whether it has several entries (the popup then stays up between them), and the
    // catalogue that words what each command shows. Failures are the operation's to show.
    static std::unique_ptr<deathDlg> forOperation(const QString &title, const QString &stopText,
                                                  bool several, LanguageCatalog *catalog);

    // CommandRunner: the next command of an operation, in this popup.
    Ran run(const Command &command) override;
    bool stopped() const override { return m_stopped; }
    void stepAside() override;

    // What a stop of work asks first, where it ends commands that still run: the title and the
    // text of the question, and what holds them (true) or lets them go on (false) meanwhile.
    struct StopQuestion
    {
        QString title, text;
        std::function<void(bool)> pause;
    };
    // Work that runs in this program rather than in a command (the look before a copy, a
    // folder's size, the wait for commands that outlived the program), handed a keepGoing() to
    // ask every so often: after a moment a popup with this text shows the time that has passed,
    // and its right soft key (Cancel) makes keepGoing() say no, with a yes to the stop question
    // where there is one. False when it did.
    static bool whileWorking(const QString &text,
                             const std::function<void(const std::function<bool()> &)> &work,
                             const StopQuestion &question = StopQuestion());
    // For an operation on several entries: the popup stays shown when a command has ended, and
    // runNext() runs the next one in it at once, with its own title and text.
    void setKeepsShowing(bool keeps) { m_keepsShowing = keeps; }
    int runNext(const QString &title, const QString &instructText, const char *command);

    // After exec(): whether the command failed, what it wrote then, and whether the user
    // answered yes to the stop question (also when the command ended by itself meanwhile, or
    // between two commands): from then on no command of this popup runs.
    bool failed() const { return m_failed; }
    QByteArray output() const { return m_output; }
    bool wasStopped() const { return m_stopped; }
    // Whether the last command ran to its own end: it was started, and not stopped.
    bool ranToItsEnd() const { return m_ran && !m_process->wasStopped(); }
    // The command's process group while it runs, else 0.
    pid_t processGroup() const { return m_process->processGroup(); }

    // Shows a failure's output: a file of this run's own, opened through the launcher; where no
    // file can be written or nothing opens it, a notice with its last lines.
    static void showOutput(const QByteArray &output, const QString &title);

public slots:
    void system_exec();

protected:
    int softKeyForKey(int key) const override;
    // Only the right soft key counts, and no close request ends the popup.
    void leftKey() override { }
    void rightKey() override;
    void closeEvent(QCloseEvent *event) override { event->ignore(); }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildBody();
    bool takeCommand(const char *command);
    int runLoop();
    void finish(int status);
    void endLoop();
    bool belongsHere(QObject *receiver) const;
    bool isStopPress(QObject *receiver, QEvent *event) const;
    void askToStop();
    void limitRepaints();
    void showProgress();
    void showElapsed();

    void startClock();

    RES_ICON_Reader iconReader;
    char commandLine[1024];
    LanguageCatalog *m_catalog = nullptr;
    bool m_working = false; // the wait popup of work without a command
    bool m_workStopped = false;
    std::function<void(bool)> m_workPause;
    ShellProcess *m_process = nullptr;
    ProgressCounter *m_progress = nullptr;
    bool m_finished = false;
    bool m_showsLog = true;
    bool m_keepsShowing = false;
    bool m_failed = false;
    bool m_ran = false;
    bool m_stopped = false;
    bool m_asking = false;
    bool m_endedWhileAsking = false;
    bool m_draining = false;
    bool m_stopRequested = false;
    int m_endStatus = 0;
    QByteArray m_output;
    QWidget *m_question = nullptr;
    QString m_stopTitle, m_stopText;
    std::function<qint64()> m_progressTotal, m_progressWritten;
    QElapsedTimer m_clock;
    QElapsedTimer m_painted; // when the popup was last allowed to repaint
    QEventLoop *m_loop = nullptr;
    QTimer *m_tick = nullptr;
    QLabel *m_elapsed = nullptr;
    QLabel *m_amount = nullptr;
    QProgressBar *m_bar = nullptr;
};
