// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/trash.h"

#include "core/folder/mounttable.h"
#include "core/folder/trashcontents.h"
#include "core/folder/trashinfo.h"
#include "core/folder/trashplaces.h"
#include "core/names/filename.h"
#include "core/shell/diskwrite.h"
#include "core/shell/shellcommand.h"

#include <QDir>

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
    dev_t device = 0; // of what it serves
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

// The top of the mount that holds folder: the longest mount point above its real path.
QByteArray topdirOf(const QByteArray &folder)
{
    char *real = ::realpath(folder.constData(), nullptr);
    if (!real)
        return QByteArray();
    const QByteArray path(real);
    std::free(real);
    return MountTable::topOf(path, MountTable::read());
}

std::optional<Place> placeFor(const QByteArray &folder, Made *made)
{
    dev_t here, home;
    if (!deviceOf(folder, &here))
        return std::nullopt;
    const QByteArray trash = TrashPlaces::home();
    if (deviceOf(trash, &home) && home == here) {
        QDir().mkpath(FileName::fromBytes(FileName::parentOf(trash)));
        if (hasItsFolders(trash, made))
            return Place{ trash, QByteArray(), here };
        made->undo();
        return std::nullopt;
    }
    const QByteArray top = topdirOf(folder);
    if (top.isEmpty())
        return std::nullopt;
    // A shared .Trash counts only as a real folder with the sticky bit (TrashPlaces).
    for (const TrashPlaces::Place &candidate : TrashPlaces::at(top)) {
        if (hasItsFolders(candidate.trash, made))
            return Place{ candidate.trash, top, here };
        made->undo();
    }
    return std::nullopt;
}

QByteArray reasonOf(int error)
{
    return error ? QByteArray(std::strerror(error)) : QByteArray("no trash can be had there");
}

} // namespace

Trash::Item Trash::itemOf(const TrashContents &contents, int row)
{
    const TrashContents::Entry &entry = contents.entry(row);
    Item item;
    item.trashed = FileName::fromBytes(contents.trashedPath(row));
    item.info = FileName::fromBytes(contents.infoPath(row));
    item.original
            = entry.origin == TrashInfo::Known ? FileName::fromBytes(entry.original) : QString();
    item.top = contents.places()[entry.place].top;
    item.origin = entry.origin;
    item.shown = FileName::fromBytes(entry.shown);
    item.bytes = entry.bytes;
    return item;
}

QVector<Trash::Item> Trash::itemsFor(const QString &folder)
{
    const QByteArray bytes = FileName::toBytes(folder);
    dev_t here, home;
    if (!deviceOf(bytes, &here))
        return {};
    QVector<TrashPlaces::Place> places;
    if (deviceOf(TrashPlaces::home(), &home) && home == here)
        places.append({ TrashPlaces::home(), QByteArray() });
    else if (const QByteArray top = topdirOf(bytes); !top.isEmpty())
        places = TrashPlaces::at(top);
    // Only those that are there, and a real folder of this user's own.
    QVector<TrashPlaces::Place> standing;
    for (const TrashPlaces::Place &place : std::as_const(places)) {
        struct stat info;
        if (::lstat(place.trash.constData(), &info) == 0 && S_ISDIR(info.st_mode)
            && info.st_uid == ::geteuid())
            standing.append(place);
    }
    TrashContents contents;
    contents.read(standing);
    QVector<Item> items;
    for (int row = 0; row < contents.count(); ++row)
        items.append(itemOf(contents, row));
    return items;
}

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
    // Never across file systems: a mount point in the folder is not the folder's to trash (mv
    // would copy all it holds).
    struct stat entry;
    if (::lstat(bytes.constData(), &entry) == 0 && entry.st_dev != place->device)
        return fail(EXDEV);
    // Relative to the top of the mount in a trash there, as freedesktop.org's trash recommends.
    const QByteArray text = TrashInfo::text(bytes, place->topdir, TrashInfo::now());
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

bool Trash::flushInfos(const QString &infoFolder)
{
    const int fd
            = ::open(FileName::toBytes(infoFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool flushed = fd >= 0 && DiskWrite::flushFileSystem(fd);
    if (fd >= 0)
        ::close(fd);
    return flushed;
}

Trash::Batch Trash::prepare(const QString &folder, const QStringList &names, int *taken, bool flush)
{
    Batch batch;
    QString files;
    QByteArray form = R"(cd "%s" && mv -t "%s" --)";
    QStringList arguments;
    qsizetype i = 0;
    // Infos are written only while the command has room for their entries.
    for (; i < names.size(); ++i) {
        const std::optional<Put> put
                = prepare(FileName::join(folder, names[i]), false, true, nullptr);
        if (!put)
            continue;
        if (files.isEmpty()) {
            files = FileName::parentOf(put->trashed);
            arguments = QStringList{ folder, files };
        }
        const QByteArray longer = form + R"( "%s")";
        const QString name = put->trashed.mid(files.size() + 1);
        if (FileName::parentOf(put->trashed) != files
            || !ShellCommand::form(longer.constData(), arguments + QStringList{ name })) {
            forget(put->info);
            break;
        }
        form = longer;
        arguments.append(name);
        batch.puts.append(*put);
    }
    if (taken)
        *taken = int(i);
    if (batch.puts.isEmpty())
        return batch;
    // One flush for all: what a kill leaves of a batch is an info whose entry never went.
    if (flush && !flushInfos(FileName::parentOf(files) + QStringLiteral("/info"))) {
        for (const Put &put : batch.puts)
            forget(put.info);
        return Batch();
    }
    batch.command = *ShellCommand::form(form.constData(), arguments);
    return batch;
}

QString Trash::infoOf(const QString &trashed)
{
    return FileName::parentOf(FileName::parentOf(trashed)) + QStringLiteral("/info/")
           + FileName::lastPart(trashed) + QStringLiteral(".trashinfo");
}

void Trash::forget(const QString &info)
{
    ::unlink(FileName::toBytes(info).constData());
}
