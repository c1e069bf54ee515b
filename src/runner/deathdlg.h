#pragma once

#include "res_icon_reader.h"
#include "zpopup.h"

// Runs one shell command behind a modal wait popup. Create it, call exec() at once, delete it.
// The command's output goes to the log; when the command fails, the log is opened for the user.
// A command it will not run (null, empty or too long) closes the popup as soon as exec() runs.
class deathDlg : public ZPopup
{
    Q_OBJECT
public:
    static const char *const logPath;
    // The longest command that fits the command line together with the log redirection.
    static constexpr size_t maxCommandLength = 998;

    deathDlg(const QString &title, const QString &instructText, const char *command);
    ~deathDlg() override;

    int exec() override;

public slots:
    void system_exec();

private:
    RES_ICON_Reader iconReader;
    char commandLine[1024];
    bool m_finished = false;
};
