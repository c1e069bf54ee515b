#include "platform/am_launcherclient.h"

#include "core/filename.h"
#include "core/shell.h"

#include <QDir>
#include <QStandardPaths>

#include <cstdio>
#include <sys/wait.h>

namespace {
AM_LauncherClient::Observer &observer()
{
    static AM_LauncherClient::Observer instance;
    return instance;
}
} // namespace

void AM_LauncherClient::setObserver(Observer newObserver)
{
    observer() = std::move(newObserver);
}

void AM_LauncherClient::openDocument(const QString &path, const QString &, bool)
{
    if (observer())
        observer()(path);
    // "//etc/hosts" is a valid local path, but an opener that reads it as a URL takes "etc" for
    // a host: hand over the cleaned path, which names the same file.
    QString localPath = QDir::cleanPath(path);
    if (localPath.startsWith(QLatin1Char('-')))
        localPath.prepend(QStringLiteral("./")); // never an option to the opener
    const QByteArray file = FileName::toBytes(localPath);
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        std::fprintf(stderr, "openDocument: no xdg-open on PATH, cannot open '%s'\n",
                     file.constData());
        return;
    }
    // The path's own bytes as one argument (QProcess would turn bytes that are not UTF-8 into
    // "?"). A shell starts the opener in the background and ends at once, so that the opener,
    // which may run as long as the document is open, is nobody's child here.
    const QByteArray openerBytes = FileName::toBytes(opener);
    int error = 0;
    const pid_t pid = Shell::start("\"$1\" \"$2\" &", { "sh", openerBytes, file }, {}, &error);
    const int status = pid < 0 ? -1 : Shell::waitFor(pid);
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::fprintf(stderr, "openDocument: could not start '%s' for '%s'\n",
                     openerBytes.constData(), file.constData());
}
