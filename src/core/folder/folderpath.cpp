// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/folderpath.h"

#include "core/names/filename.h"

#include <QDir>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The working folder, whatever bytes its path holds.
QString workingFolder()
{
    char *bytes = ::getcwd(nullptr, 0);
    const QString folder = bytes ? FileName::fromBytes(bytes) : QStringLiteral("/");
    std::free(bytes);
    return folder;
}

bool statIs(const QString &path, mode_t type)
{
    struct stat info;
    return ::stat(FileName::toBytes(path).constData(), &info) == 0
           && (info.st_mode & S_IFMT) == type;
}

} // namespace

QString FolderPath::cleaned(const QString &path)
{
    QString cleaned = QDir::cleanPath(
            QDir::isAbsolutePath(path) ? path : FileName::join(workingFolder(), path));
    while (cleaned == QLatin1String("/..") || cleaned.startsWith(QLatin1String("/../")))
        cleaned = cleaned.size() == 3 ? QStringLiteral("/") : cleaned.mid(3);
    return cleaned;
}

bool FolderPath::isListable(const QString &folder)
{
    return statIs(folder, S_IFDIR)
           && ::access(FileName::toBytes(folder).constData(), R_OK | X_OK) == 0;
}

QString FolderPath::nearestListableAbove(const QString &folder)
{
    QString path = folder;
    for (;;) {
        path = FileName::parentOf(path);
        if (path == QLatin1String("/") || isListable(path))
            return path;
    }
}

bool FolderPath::isFolder(const QString &path)
{
    return statIs(path, S_IFDIR);
}

bool FolderPath::isFile(const QString &path)
{
    return statIs(path, S_IFREG);
}
