#pragma once

#include "res_icon_reader.h"
#include "zpopup.h"

#include <QByteArray>

// Runs one shell command behind a modal wait popup. Create it, call exec() at once, delete it.
// The command reads nothing (standard input is /dev/null) and its output goes to the command log
// (CommandLog); when it fails, the log is opened for the user. The popup ends only by itself,
// once its command has run: keys, taps and close requests are ignored, and input made while the
// command ran is dropped, so that it never answers the popup that comes next.
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
    // After exec(): whether the command failed (it did not start, ended with a status other than
    // 0, or was ended by a signal), and, for a failure, what it wrote.
    bool failed() const { return m_failed; }
    QByteArray output() const { return m_output; }

public slots:
    void system_exec();

protected:
    int softKeyForKey(int key) const override;
    void leftKey() override;
    void rightKey() override;
    void closeEvent(QCloseEvent *event) override;

private:
    RES_ICON_Reader iconReader;
    char commandLine[1024];
    bool m_finished = false;
    bool m_showsLog = true;
    bool m_failed = false;
    QByteArray m_output;
};
