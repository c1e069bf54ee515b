#include "core/operationplan.h"

#include "core/filename.h"
#include "core/shellcommand.h"
#include "core/treewalk.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

bool sameEntry(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the folder at path holds, at any depth and without following links, the entry with
// the identity of target. This finds a destination that is a bind mount of a folder inside the
// source, which no path comparison can. Beyond OperationPlan::walkLimit entries it gives up.
bool treeHolds(const QByteArray &path, const struct stat &target)
{
    bool found = false;
    int entries = 0;
    TreeWalk::walk(path, [&](QByteArrayView, const struct stat &info) {
        found = S_ISDIR(info.st_mode) && sameEntry(info, target);
        return found || ++entries > OperationPlan::walkLimit ? TreeWalk::Stop : TreeWalk::Continue;
    });
    return found;
}

// Whether folder is the entry itself or lies anywhere inside it: walked up from its real path,
// so that a way in through a symbolic link counts, then looked for inside the entry's own tree.
bool isWithin(const QString &folder, const QString &entryPath, const struct stat &entry)
{
    char *real = ::realpath(FileName::toBytes(folder).constData(), nullptr);
    if (!real)
        return false;
    QByteArray path(real);
    std::free(real);
    struct stat destination;
    if (::stat(path.constData(), &destination) != 0)
        return false;
    for (;;) {
        struct stat info;
        if (::stat(path.constData(), &info) == 0 && sameEntry(info, entry))
            return true;
        if (path == "/")
            break;
        const qsizetype slash = path.lastIndexOf('/');
        path.truncate(slash > 0 ? slash : 1);
    }
    return treeHolds(FileName::toBytes(entryPath), destination);
}

bool removeEntry(const QByteArray &path)
{
    if (::unlink(path.constData()) == 0 || errno == ENOENT)
        return true;
    std::fprintf(stderr, "filemanager: %s could not be removed before it was replaced: %s\n",
                 path.constData(), std::strerror(errno));
    return false;
}

// A tree removed from the bottom up, links removed and never followed.
bool removeTree(const QByteArray &path)
{
    const int failed = ::nftw(
            path.constData(),
            [](const char *entry, const struct stat *, int, FTW *) { return ::remove(entry); }, 32,
            FTW_DEPTH | FTW_PHYS);
    if (failed == 0)
        return true;
    std::fprintf(stderr, "filemanager: %s could not be removed before it was replaced: %s\n",
                 path.constData(), std::strerror(errno));
    return false;
}

// Whatever is not a plain file or a folder: opening it would write elsewhere or wait.
bool isSpecial(mode_t mode)
{
    return !S_ISREG(mode) && !S_ISDIR(mode);
}

// For each folder of the copy, what stands at its place in the destination and is not a folder
// is removed; a folder there is merged into, and walked on.
bool clearFoldersOfCopy(const QByteArray &source, const QByteArray &destination)
{
    bool cleared = true;
    const bool walked = TreeWalk::walk(source, [&](QByteArrayView path, const struct stat &info) {
        if (!S_ISDIR(info.st_mode))
            return TreeWalk::Continue;
        const QByteArray there = destination + path.sliced(source.size()).toByteArray();
        struct stat standing;
        if (::lstat(there.constData(), &standing) != 0)
            return TreeWalk::SkipInside; // nothing of it there: cp makes it anew
        if (!S_ISDIR(standing.st_mode)) {
            cleared = removeEntry(there) && cleared;
            return TreeWalk::SkipInside;
        }
        return TreeWalk::Continue;
    });
    return walked && cleared;
}

const char *formOf(OperationPlan::Kind kind, bool multiple, bool replacing = false)
{
    switch (kind) {
    case OperationPlan::Copy:
        if (replacing)
            return multiple ? R"(cp -a --remove-destination "%s/%s" "%s/")"
                            : R"(cp -a --remove-destination "%s" "%s/")";
        return multiple ? R"(cp -a "%s/%s" "%s/")" : R"(cp -a "%s" "%s/")";
    case OperationPlan::Move:
        return multiple ? R"(mv "%s/%s" "%s/")" : R"(mv "%s" "%s/")";
    case OperationPlan::Delete:
        break;
    }
    return multiple ? R"(rm -rf "%s/%s")" : R"(rm -rf "%s")";
}

} // namespace

bool OperationPlan::clearWayForReplace(const Step &step)
{
    const QByteArray source = FileName::toBytes(step.source);
    const QByteArray destination = FileName::toBytes(step.destination);
    struct stat from, there;
    if (::lstat(source.constData(), &from) != 0 || ::lstat(destination.constData(), &there) != 0)
        return true;
    if (!S_ISDIR(from.st_mode)) {
        // A file onto a folder: the user chose to replace it.
        if (S_ISDIR(there.st_mode))
            return removeTree(destination);
        return isSpecial(there.st_mode) ? removeEntry(destination) : true;
    }
    if (step.kind == Copy)
        return clearFoldersOfCopy(source, destination);
    return S_ISDIR(there.st_mode) ? true : removeEntry(destination);
}

bool OperationPlan::mergesFolders(const Step &step)
{
    struct stat from, there;
    return step.kind == Move && entryAt(step.source, &from) && S_ISDIR(from.st_mode)
           && entryAt(step.destination, &there) && S_ISDIR(there.st_mode)
           && !sameEntry(from, there);
}

OperationPlan OperationPlan::insideOf(const Step &step)
{
    QStringList names;
    if (DIR *folder = ::opendir(FileName::toBytes(step.source).constData())) {
        while (const dirent *entry = ::readdir(folder)) {
            const QByteArrayView name(entry->d_name);
            if (name != "." && name != "..")
                names << FileName::fromBytes(name);
        }
        ::closedir(folder);
    }
    names.sort();
    return multiple(step.kind, step.source, names, step.destination);
}

bool OperationPlan::removeIfEmpty(const QString &folder)
{
    return ::rmdir(FileName::toBytes(folder).constData()) == 0;
}

bool OperationPlan::entryAt(const QString &path, struct stat *info)
{
    return ::lstat(FileName::toBytes(path).constData(), info) == 0;
}

OperationPlan OperationPlan::single(Kind kind, const QString &source,
                                    const QString &destinationFolder)
{
    OperationPlan plan;
    plan.m_kind = kind;
    plan.m_source = source;
    plan.m_names = QStringList{ source.mid(source.lastIndexOf(u'/') + 1) };
    plan.m_destination = destinationFolder;
    return plan;
}

OperationPlan OperationPlan::multiple(Kind kind, const QString &sourceFolder,
                                      const QStringList &names, const QString &destinationFolder)
{
    OperationPlan plan;
    plan.m_kind = kind;
    plan.m_multiple = true;
    plan.m_source = sourceFolder;
    for (const QString &name : names) {
        if (!name.isEmpty() && name != QLatin1String(".."))
            plan.m_names.append(name);
    }
    plan.m_destination = destinationFolder;
    return plan;
}

QString OperationPlan::sourceOf(int index) const
{
    return m_multiple ? m_source + u'/' + m_names.value(index) : m_source;
}

bool OperationPlan::canHold(QByteArrayView name, bool fatLike, long nameMax)
{
    if (name.size() > nameMax)
        return false;
    if (!fatLike)
        return true;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || QByteArrayView("\"*:<>?\\|").contains(c))
            return false;
    }
    return !name.endsWith(' ') && !name.endsWith('.') && FileName::fromBytes(name).size() <= 255;
}

OperationPlan::Look OperationPlan::look(const std::function<bool()> &keepGoing) const
{
    Look look;
    const QByteArray destination = FileName::toBytes(m_destination);
    struct statvfs room;
    if (::statvfs(destination.constData(), &room) == 0)
        look.freeBytes = qint64(room.f_bavail) * qint64(room.f_frsize);
    // FAT, exFAT, NTFS (the kernel's and ntfs3): what memory cards and Windows disks carry.
    struct statfs system;
    const bool fatLike = ::statfs(destination.constData(), &system) == 0
                         && (system.f_type == 0x4d44 || system.f_type == 0x2011bab0
                             || system.f_type == 0x5346544e || system.f_type == 0x7366746e);
    long nameMax = ::pathconf(destination.constData(), _PC_NAME_MAX);
    if (nameMax <= 0)
        nameMax = 255;
    struct stat there;
    const bool known = ::stat(destination.constData(), &there) == 0;

    for (int i = 0; i < count() && !look.stopped; ++i) {
        const QByteArray source = FileName::toBytes(sourceOf(i));
        struct stat from, standing;
        if (::lstat(source.constData(), &from) != 0)
            continue;
        const QByteArray target = FileName::toBytes(FileName::join(m_destination, m_names[i]));
        if (::lstat(target.constData(), &standing) == 0 && !sameEntry(from, standing))
            ++look.conflicts;
        // A move within one file system is a rename: nothing is written, every name fits.
        if (m_kind == Move && known && from.st_dev == there.st_dev) {
            ++look.entries;
            continue;
        }
        look.crossesFileSystems = look.crossesFileSystems || m_kind == Move;
        const QByteArray inside = FileName::toBytes(m_names[i]);
        TreeWalk::walk(source, [&](QByteArrayView path, const struct stat &info) {
            if (++look.entries % 512 == 0 && keepGoing && !keepGoing()) {
                look.stopped = true;
                return TreeWalk::Stop;
            }
            if (S_ISREG(info.st_mode))
                look.bytes += info.st_size;
            const QByteArrayView name = path.size() == source.size()
                                                ? QByteArrayView(inside)
                                                : path.sliced(path.lastIndexOf('/') + 1);
            if (canHold(name, fatLike, nameMax))
                return TreeWalk::Continue;
            if (path.size() == source.size())
                look.unstorableEntries << m_names[i];
            if (++look.unstorable <= 5)
                look.firstUnstorable
                        << FileName::fromBytes(inside + path.sliced(source.size()).toByteArray());
            return TreeWalk::Continue;
        });
    }
    return look;
}

QString OperationPlan::freeName(const QString &folder, const QString &name, bool isFolder)
{
    const qsizetype dot = isFolder ? -1 : name.lastIndexOf(u'.');
    const QString base = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    struct stat info;
    for (int n = 2;; ++n) {
        const QString candidate = base + QStringLiteral(" (%1)").arg(n) + extension;
        if (!entryAt(FileName::join(folder, candidate), &info))
            return candidate;
    }
}

OperationPlan::Step OperationPlan::step(int index) const
{
    Step step;
    step.kind = m_kind;
    step.name = m_names.value(index);
    step.source = sourceOf(index);

    QStringList arguments;
    if (m_multiple)
        arguments << m_source << step.name;
    else
        arguments << m_source;
    if (m_kind != Delete) {
        arguments << m_destination;
        step.destination = FileName::join(m_destination, step.name);
        struct stat source, there;
        const bool sourceExists = entryAt(step.source, &source);
        if (sourceExists && S_ISDIR(source.st_mode) && isWithin(m_destination, step.source, source))
            step.verdict = IntoItself;
        else if (entryAt(step.destination, &there))
            step.verdict = sourceExists && sameEntry(source, there) ? SameEntry : Conflict;
    }
    if (step.verdict == IntoItself)
        return step;
    const std::optional<QByteArray> command
            = ShellCommand::form(formOf(m_kind, m_multiple), arguments);
    const std::optional<QByteArray> replacing
            = step.verdict == Conflict
                      ? ShellCommand::form(formOf(m_kind, m_multiple, true), arguments)
                      : command;
    if (!command || !replacing) {
        step.verdict = TooLong;
        return step;
    }
    step.command = *command;
    step.replaceCommand = *replacing;
    if (step.verdict == Conflict) {
        struct stat source;
        const bool isFolder = entryAt(step.source, &source) && S_ISDIR(source.st_mode);
        step.keepBothDestination
                = FileName::join(m_destination, freeName(m_destination, step.name, isFolder));
        QStringList keepBoth = arguments;
        keepBoth.last() = step.keepBothDestination;
        const char *form = m_kind == Copy
                                   ? (m_multiple ? R"(cp -a "%s/%s" "%s")" : R"(cp -a "%s" "%s")")
                                   : (m_multiple ? R"(mv "%s/%s" "%s")" : R"(mv "%s" "%s")");
        step.keepBothCommand = ShellCommand::form(form, keepBoth).value_or(QByteArray());
    }
    return step;
}
