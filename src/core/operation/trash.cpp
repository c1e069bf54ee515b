// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/trash.h"

#include "core/names/filename.h"
#include "core/shell/diskwrite.h"
#include "core/shell/shellcommand.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Place
{
    QByteArray trash; // the trash folder, with files/ and info/ in it
    QByteArray topdir; // the top of the mount it serves; empty for the home trash
};

// The device of path, or of its nearest folder above that exists.
bool deviceOf(QByteArray path, dev_t *device)
{
    struct stat info;
    while (::stat(path.constData(), &info) != 0) {
        if (path == "/")
            return false;
        path = FileName::parentOf(path);
    }
    *device = info.st_dev;
    return true;
}

// The folders a trash is made of, and those of them that a look made: where the trash cannot
// be used after all, they go again, so that no empty trash is left where none was.
struct Made
{
    QByteArrayList folders;
    int error = 0; // why the trash cannot be had, where the file system said
    void undo()
    {
        for (qsizetype i = folders.size() - 1; i >= 0; --i)
            ::rmdir(folders[i].constData());
        folders.clear();
    }
};

// A folder of this user's own, made with mode 0700 when missing; never a link or another's.
bool ownFolder(const QByteArray &path, Made *made)
{
    if (::mkdir(path.constData(), 0700) == 0)
        made->folders.append(path);
    else if (errno != EEXIST)
        return made->error = errno, false;
    struct stat info;
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode)
           && info.st_uid == ::geteuid();
}

bool hasItsFolders(const QByteArray &trash, Made *made)
{
    return ownFolder(trash, made) && ownFolder(trash + "/files", made)
           && ownFolder(trash + "/info", made);
}

QByteArray homeTrash()
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!data.startsWith(u'/'))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return FileName::toBytes(data) + "/Trash";
}

// mountinfo writes a blank, a tab, a line break and a backslash as \ and three octal digits.
QByteArray unescaped(const QByteArray &field)
{
    QByteArray plain;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                plain += char(code);
                i += 3;
                continue;
            }
        }
        plain += field[i];
    }
    return plain;
}

// The top of the mount that holds folder: the longest mount point above its real path.
QByteArray topdirOf(const QByteArray &folder)
{
    char *real = ::realpath(folder.constData(), nullptr);
    if (!real)
        return QByteArray();
    const QByteArray path(real);
    std::free(real);
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    QByteArray top = "/";
    if (!mounts.open(QIODevice::ReadOnly))
        return top;
    for (const QByteArray &line : mounts.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        const QByteArray point = unescaped(fields[4]);
        if (point.size() > top.size() && (path == point || path.startsWith(point + '/')))
            top = point;
    }
    return top;
}

std::optional<Place> placeFor(const QByteArray &folder, Made *made)
{
    dev_t here, home;
    if (!deviceOf(folder, &here))
        return std::nullopt;
    const QByteArray trash = homeTrash();
    if (deviceOf(trash, &home) && home == here) {
        QDir().mkpath(FileName::fromBytes(FileName::parentOf(trash)));
        if (hasItsFolders(trash, made))
            return Place{ trash, QByteArray() };
        made->undo();
        return std::nullopt;
    }
    const QByteArray top = topdirOf(folder);
    if (top.isEmpty())
        return std::nullopt;
    const QByteArray base = top == "/" ? QByteArray() : top;
    const QByteArray uid = QByteArray::number(::geteuid());
    // A shared .Trash counts only as a real folder with the sticky bit.
    struct stat shared;
    if (::lstat((base + "/.Trash").constData(), &shared) == 0 && S_ISDIR(shared.st_mode)
        && (shared.st_mode & S_ISVTX) && hasItsFolders(base + "/.Trash/" + uid, made))
        return Place{ base + "/.Trash/" + uid, top };
    made->undo();
    if (hasItsFolders(base + "/.Trash-" + uid, made))
        return Place{ base + "/.Trash-" + uid, top };
    made->undo();
    return std::nullopt;
}

QByteArray reasonOf(int error)
{
    return error ? QByteArray(std::strerror(error)) : QByteArray("no trash can be had there");
}

} // namespace

QString Trash::forEntriesOf(const QString &folder)
{
    Made made;
    const std::optional<Place> place = placeFor(FileName::toBytes(folder), &made);
    return place ? FileName::fromBytes(place->trash) : QString();
}

bool Trash::canKeep(const QString &folder, QByteArray *why)
{
    Made made;
    const std::optional<Place> place = placeFor(FileName::toBytes(folder), &made);
    if (!place) {
        *why = reasonOf(made.error);
        return false;
    }
    // As large as an info is, written and flushed as one is; under a name no trash lists.
    const QByteArray probe
            = place->trash + "/info/.filemanager-probe-" + QByteArray::number(::getpid());
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                          0600);
    const bool written
            = fd >= 0 && DiskWrite::writeAll(fd, QByteArray(256, ' ')) && DiskWrite::flush(fd);
    const int error = errno;
    if (fd >= 0)
        ::close(fd);
    ::unlink(probe.constData());
    if (written)
        return true;
    *why = reasonOf(error);
    made.undo();
    return false;
}

bool Trash::putBack(const Put &put)
{
    if (::renameat2(AT_FDCWD, FileName::toBytes(put.trashed).constData(), AT_FDCWD,
                    FileName::toBytes(put.original).constData(), RENAME_NOREPLACE)
        != 0)
        return false;
    forget(put.info);
    return true;
}

// The info of the entry at path, written and, unless flush is false, flushed; the name it has in
// the trash: its own where that is free.
std::optional<Trash::Put> Trash::prepare(const QString &path, bool flush, bool ownName,
                                         QByteArray *why)
{
    const QByteArray bytes = FileName::toBytes(path);
    Made made;
    const std::optional<Place> place = placeFor(FileName::parentOf(bytes), &made);
    const auto fail = [&](int error) {
        if (why)
            *why = reasonOf(error);
        made.undo();
        return std::nullopt;
    };
    if (!place)
        return fail(made.error);
    // Relative to the top of the mount in a trash there, as freedesktop.org's trash recommends.
    const QByteArray recorded = place->topdir.isEmpty() ? bytes
                                : place->topdir == "/"  ? bytes.mid(1)
                                                        : bytes.mid(place->topdir.size() + 1);
    const QByteArray text
            = "[Trash Info]\nPath=" + recorded.toPercentEncoding("/") + "\nDeletionDate="
              + QDateTime::currentDateTime().toString(Qt::ISODate).left(19).toUtf8() + '\n';
    QByteArray name = FileName::lastPart(bytes).toByteArray();
    for (int n = 1; n < INT_MAX && (n == 1 || !ownName); ++n) {
        const QByteArray unique = n == 1 ? name : name + '.' + QByteArray::number(n);
        const QByteArray info = place->trash + "/info/" + unique + ".trashinfo";
        const QByteArray trashed = place->trash + "/files/" + unique;
        const int fd = ::open(info.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        // A name too long with ".trashinfo" after it: a name of the trash's own.
        if (fd < 0 && errno == ENAMETOOLONG && name != "trashed" && !ownName) {
            name = "trashed";
            n = 0;
            continue;
        }
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return fail(errno);
        struct stat taken;
        const bool free = ::lstat(trashed.constData(), &taken) != 0;
        const bool written
                = free && DiskWrite::writeAll(fd, text) && (!flush || DiskWrite::flush(fd));
        const int error = errno;
        ::close(fd);
        if (!free) {
            ::unlink(info.constData());
            continue;
        }
        const std::optional<QByteArray> command
                = ShellCommand::form(R"(mv -T "%s" "%s")", { path, FileName::fromBytes(trashed) });
        if (!written || !command) {
            ::unlink(info.constData());
            return fail(written ? ENAMETOOLONG : error);
        }
        return Put{ path, FileName::fromBytes(trashed), FileName::fromBytes(info), *command };
    }
    return fail(0);
}

std::optional<Trash::Put> Trash::prepare(const QString &path, QByteArray *why)
{
    return prepare(path, true, false, why);
}

Trash::Batch Trash::prepare(const QString &folder, const QStringList &names)
{
    Batch batch;
    QList<Put> written;
    for (const QString &name : names) {
        if (const std::optional<Put> put
            = prepare(FileName::join(folder, name), false, true, nullptr))
            written.append(*put);
    }
    if (written.isEmpty())
        return batch;
    const QString files = FileName::parentOf(written.first().trashed);
    QByteArray form = R"(cd "%s" && mv -t "%s" --)";
    QStringList arguments = { folder, files };
    for (const Put &put : written) {
        const QByteArray longer = form + R"( "%s")";
        const QString name = put.trashed.mid(files.size() + 1);
        if (!ShellCommand::form(longer.constData(), arguments + QStringList{ name }))
            break;
        form = longer;
        arguments.append(name);
        batch.puts.append(put);
    }
    for (qsizetype i = batch.puts.size(); i < written.size(); ++i)
        forget(written[i].info);
    // One flush for all: what a kill leaves of a batch is an info whose entry never went.
    const QByteArray infos = FileName::toBytes(FileName::parentOf(files) + "/info");
    const int fd = ::open(infos.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool flushed = fd >= 0 && DiskWrite::flushFileSystem(fd);
    if (fd >= 0)
        ::close(fd);
    if (batch.puts.isEmpty() || !flushed) {
        for (const Put &put : batch.puts)
            forget(put.info);
        return Batch();
    }
    batch.command = *ShellCommand::form(form.constData(), arguments);
    return batch;
}

void Trash::forget(const QString &info)
{
    ::unlink(FileName::toBytes(info).constData());
}
