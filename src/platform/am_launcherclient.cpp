// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/am_launcherclient.h"

#include "core/names/filename.h"
#include "core/shell/shell.h"

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

namespace {

// Starts the opener for the file without waiting for it, but for up to patience ticks of 50 ms
// in which it may end: false when there is none, or it failed within them.
bool launch(const QString &path, int patience)
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
        return false;
    }
    // The path's own bytes as one argument (QProcess would turn bytes that are not UTF-8 into
    // "?"). A shell starts the opener in the background and ends, at once or after the moment
    // given, so that the opener, which may run as long as the document is open, is nobody's
    // child here.
    const QByteArray openerBytes = FileName::toBytes(opener);
    int error = 0;
    const pid_t pid
            = Shell::start(R"("$1" "$2" &
p=$!
n=0
while [ "$n" -lt "$3" ] && kill -0 "$p" 2>/dev/null; do sleep 0.05; n=$((n + 1)); done
kill -0 "$p" 2>/dev/null || wait "$p")",
                           { "sh", openerBytes, file, QByteArray::number(patience) }, {}, &error);
    const int status = pid < 0 ? -1 : Shell::waitFor(pid);
    if (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    std::fprintf(stderr, "openDocument: '%s' could not open '%s'\n", openerBytes.constData(),
                 file.constData());
    return false;
}

} // namespace

void AM_LauncherClient::openDocument(const QString &path, const QString &, bool)
{
    launch(path, 0);
}

bool AM_LauncherClient::openDocumentSurely(const QString &path)
{
    return launch(path, 30);
}
