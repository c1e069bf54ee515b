#include "deathdlg.h"

#include "am_launcherclient.h"

#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>

const char *const deathDlg::logPath = "/tmp/exec_log.txt";

namespace {
const char logRedirection[] = " > /tmp/exec_log.txt 2>&1";

void writeLog(const char *text)
{
    if (FILE *log = std::fopen(deathDlg::logPath, "w")) {
        std::fputs(text, log);
        std::fclose(log);
    }
}

static_assert(sizeof logRedirection - 1 == 25, "the redirection's length sets the command limit");
} // namespace

deathDlg::deathDlg(const QString &title, const QString &instructText, const char *command)
    : ZPopup(1, nullptr, nullptr, true, 0, 0)
{
    setTitle(title);
    setInstructText(instructText);
    std::memset(commandLine, 0, sizeof commandLine);
    if (command && *command) {
        const size_t length = std::strlen(command);
        if (length > maxCommandLength) {
            // Cut short, it would be another command: refuse it whole.
            std::fprintf(stderr,
                         "deathDlg: command of %zu bytes refused, the limit is %zu: %.60s...\n",
                         length, maxCommandLength, command);
        } else {
            std::memcpy(commandLine, command, length);
            setTitleIcon(QStringLiteral("recur_enable_pop.bmp"));
            hide();
            show();
        }
    }
    // Also without a command, so that the caller's exec() always comes back.
    QTimer::singleShot(10, this, &deathDlg::system_exec);
}

deathDlg::~deathDlg()
{
    std::memset(commandLine, 0, sizeof commandLine);
}

int deathDlg::exec()
{
    // With nothing to run there is nothing to wait for; and a timer that already fired would
    // leave a re-shown popup waiting for nothing.
    if (m_finished || commandLine[0] == '\0') {
        m_finished = true;
        return result();
    }
    return ZPopup::exec();
}

void deathDlg::system_exec()
{
    if (m_finished)
        return;
    m_finished = true;
    if (commandLine[0] == '\0') {
        hide();
        return;
    }
    std::printf("Debug: system(%s)\n", commandLine);
    std::fflush(stdout);
    std::strcat(commandLine, logRedirection);

    // Until the shell's redirection replaces it, the log says that nothing ran. So a shell that
    // could not be started (glibc reports that as status 127, or -1) never leaves an earlier
    // command's output to be read as this one's.
    writeLog("The command could not be started.\n");
    const int status = std::system(commandLine);
    bool failed;
    if (status == -1) {
        const std::string reason
                = std::string("The command could not be started: ") + std::strerror(errno) + "\n";
        writeLog(reason.c_str());
        failed = true;
    } else {
        // A shell ended by a signal did not finish its work: that is a failure too.
        failed = WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0);
    }
    hide();
    if (failed)
        AM_LauncherClient::openDocument(QString::fromLatin1(logPath), QString(), true);
}
