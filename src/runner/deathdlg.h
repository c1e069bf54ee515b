#pragma once

#include "res_icon_reader.h"
#include "zpopup.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <sys/types.h>

class QEventLoop;
class QLabel;
class QProgressBar;
class QSocketNotifier;
class QTimer;

// Runs a shell command behind a modal wait popup. Create it, call exec() at once, delete it.
// The command runs in a child shell of its own process group while the popup's loop keeps
// turning: the popup repaints and, after the first second, shows the time that has passed.
// The command reads nothing (standard input is /dev/null) and its output goes to the command log
// (CommandLog); exit status 0 is success, anything else (another status, a signal, no shell) a
// failure, which opens the log for the user.
// Nothing but the end of its command ends the popup: keys, taps and close requests are ignored,
// and input made while the command ran is dropped, so it never answers the popup that comes
// next. With a stop question, the right soft key (Cancel) asks it while the command runs; yes
// ends the command's whole process group, notes that in the log and counts as a failure.
// A command it will not run (null, empty or too long) closes the popup as soon as exec() runs.
class deathDlg : public ZPopup
{
    Q_OBJECT
public:
    // The longest command that fits the command line together with the log redirection.
    static constexpr size_t maxCommandLength = 998;

    deathDlg(const QString &title, const QString &instructText, const char *command);
    ~deathDlg() override;

    int exec() override;

    // Whether a failure opens the log at once (the default). An operation on several entries
    // gathers its failures with output() and shows them together at its end instead.
    void setShowsLogOnFailure(bool shows) { m_showsLog = shows; }
    // The question that the right soft key asks while a command runs.
    void setStopQuestion(const QString &title, const QString &text);
    // Progress of a copy or move: the bytes under source are counted before the command starts
    // (not for a tree of more than 100,000 entries), and those under destination sampled a few
    // times a second. A move within one file system is instant and shows nothing.
    void setProgress(const QByteArray &source, const QByteArray &destination, bool moving);
    // For an operation on several entries: the popup stays shown when a command has ended, and
    // runNext() runs the next one in it at once, with its own title and text.
    void setKeepsShowing(bool keeps) { m_keepsShowing = keeps; }
    int runNext(const QString &title, const QString &instructText, const char *command);

    // After exec(): whether the command failed, what it wrote then, and whether the user
    // stopped it (also when it ended by itself while the question was asked).
    bool failed() const { return m_failed; }
    QByteArray output() const { return m_output; }
    bool wasStopped() const { return m_stopped; }
    // The command's process group while it runs, else 0.
    pid_t processGroup() const { return m_running ? m_pid : 0; }

public slots:
    void system_exec();

protected:
    int softKeyForKey(int key) const override;
    void leftKey() override;
    void rightKey() override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool takeCommand(const char *command);
    int runLoop();
    void watchChild();
    void childEnded();
    void finish(int status);
    void askToStop();
    void stopCommand();
    void startProgress();
    void sampleProgress();
    void showElapsed();
    QString elapsedText() const;
    QString progressText() const;

    RES_ICON_Reader iconReader;
    char commandLine[1024];
    bool m_finished = false;
    bool m_running = false;
    bool m_showsLog = true;
    bool m_keepsShowing = false;
    bool m_failed = false;
    bool m_stopped = false;
    bool m_killSent = false;
    bool m_asking = false;
    bool m_endedWhileAsking = false;
    int m_endStatus = 0;
    pid_t m_pid = 0;
    int m_logFd = -1;
    int m_pidFd = -1;
    QByteArray m_output;
    QString m_stopTitle, m_stopText;
    QByteArray m_progressSource, m_progressDestination;
    bool m_progressMoving = false;
    qint64 m_totalBytes = -1;
    qint64 m_doneBytes = -1;
    qint64 m_sampleCost = 0;
    QElapsedTimer m_clock;
    QEventLoop *m_loop = nullptr;
    QSocketNotifier *m_childNotifier = nullptr;
    QTimer *m_childPoll = nullptr;
    QTimer *m_tick = nullptr;
    QTimer *m_sampler = nullptr;
    QTimer *m_killer = nullptr;
    QLabel *m_elapsed = nullptr;
    QLabel *m_amount = nullptr;
    QProgressBar *m_bar = nullptr;
};
