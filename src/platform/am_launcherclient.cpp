#include "am_launcherclient.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>

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
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        std::fprintf(stderr, "openDocument: no xdg-open on PATH, cannot open '%s'\n",
                     localPath.toUtf8().constData());
        return;
    }
    if (!QProcess::startDetached(opener, { localPath }))
        std::fprintf(stderr, "openDocument: could not start '%s' for '%s'\n",
                     opener.toUtf8().constData(), localPath.toUtf8().constData());
}
