// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/operationplan.h"

#include "core/folder/treewalk.h"
#include "core/names/filename.h"
#include "core/names/namecheck.h"
#include "core/shell/shellcommand.h"

#include <QSet>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

bool sameEntry(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the folder at path holds, at any depth and without following links, the entry with
// the identity of target. This finds a destination that is a bind mount of a folder inside the
// source, which no path comparison can. Beyond TreeWalk::limit entries it gives up.
bool treeHolds(const QByteArray &path, const struct stat &target)
{
    bool found = false;
    int entries = 0;
    TreeWalk::walk(path, [&](QByteArrayView, const struct stat &info) {
        found = S_ISDIR(info.st_mode) && sameEntry(info, target);
        return found || ++entries > TreeWalk::limit ? TreeWalk::Stop : TreeWalk::Continue;
    });
    return found;
}

// Whether the folder at path is the entry itself or lies anywhere below it: walked up from its
// real path, so that a way in through a symbolic link or a bind mount counts.
bool liesWithin(const QByteArray &path, const struct stat &entry)
{
    char *real = ::realpath(path.constData(), nullptr);
    if (!real)
        return false;
    QByteArray at(real);
    std::free(real);
    for (;;) {
        struct stat info;
        if (::stat(at.constData(), &info) == 0 && sameEntry(info, entry))
            return true;
        if (at == "/")
            return false;
        const qsizetype slash = at.lastIndexOf('/');
        at.truncate(slash > 0 ? slash : 1);
    }
}

// Whether folder is the entry itself or lies anywhere inside it, also where the entry's own tree
// holds a way to it.
bool isWithin(const QString &folder, const QString &entryPath, const struct stat &entry)
{
    const QByteArray path = FileName::toBytes(folder);
    struct stat destination;
    if (::stat(path.constData(), &destination) != 0)
        return false;
    return liesWithin(path, entry) || treeHolds(FileName::toBytes(entryPath), destination);
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash > 0 ? path.left(slash) : QByteArray("/");
}

// Whether a real folder stands at root + relative, through real folders only: a merge meets
// what a link at the destination points to only after it removed the link.
bool realFolderAt(const QByteArray &root, QByteArrayView relative)
{
    struct stat info;
    for (qsizetype at = 0;;) {
        const qsizetype slash = relative.indexOf('/', at + 1);
        const QByteArray path
                = root + relative.first(slash < 0 ? relative.size() : slash).toByteArray();
        if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
            return false;
        if (slash < 0)
            return true;
        at = slash;
    }
}

// What the one command of a folder's tree would spoil at the destination: a link where a real
// folder stands (in a merge), and a name that another in the same folder takes where case is
// ignored. Each entry is handed over with its path below the tree's root ("/a/b").
class Spoils
{
public:
    Spoils(const QByteArray &destination, bool foldsCase, bool merging)
        : m_destination(destination)
        , m_foldsCase(foldsCase)
        , m_merging(merging)
    {
    }

    void visit(QByteArrayView relative, const struct stat &info)
    {
        if (relative.isEmpty())
            return;
        if (m_merging && S_ISLNK(info.st_mode) && realFolderAt(m_destination, relative))
            ++links;
        if (!m_foldsCase)
            return;
        const qsizetype slash = relative.lastIndexOf('/');
        const QString key
                = FileName::fromBytes(relative.first(slash)) + u'/'
                  + TargetFileSystem::folded(FileName::fromBytes(relative.sliced(slash + 1)));
        if (m_names.contains(key))
            ++clashes;
        else
            m_names.insert(key);
    }
    bool any() const { return links > 0 || clashes > 0; }

    int links = 0;
    int clashes = 0;

private:
    QByteArray m_destination;
    bool m_foldsCase, m_merging;
    QSet<QString> m_names;
};

bool removeEntry(const QByteArray &path, QByteArray *why)
{
    if (::unlink(path.constData()) == 0 || errno == ENOENT)
        return true;
    if (why)
        *why = path + " could not be removed before it was replaced: " + std::strerror(errno);
    return false;
}

// A tree removed from the bottom up, links removed and never followed, and never one of its
// mounts entered.
bool removeTree(const QByteArray &path, QByteArray *why)
{
    bool removed = true;
    TreeWalk::walk(path,
                   [&](QByteArrayView entry, const struct stat &) {
                       if (::remove(entry.toByteArray().constData()) == 0)
                           return TreeWalk::Continue;
                       if (why)
                           *why = entry.toByteArray()
                                  + " could not be removed before it was replaced: "
                                  + std::strerror(errno);
                       removed = false;
                       return TreeWalk::Stop;
                   },
                   { nullptr, true, true });
    return removed;
}

// A card keeps no owner or rights, and cp -a fails on every file there for trying: only the
// times go with the bytes. With a destination: named whole, not a folder to put it into.
QByteArray formOf(OperationPlan::Kind kind, bool multiple, bool card, bool named = false)
{
    const QByteArray from = multiple ? R"("%s/%s")" : R"("%s")";
    const QByteArray into = named ? R"( "%s")" : R"( "%s/")";
    switch (kind) {
    case OperationPlan::Copy:
        return (card ? "cp -dR --preserve=timestamps " : "cp -a ") + from + into;
    case OperationPlan::Move:
        return "mv " + from + into;
    case OperationPlan::Delete:
        break;
    }
    return "rm -rf " + from;
}

} // namespace

bool OperationPlan::clearWayForReplace(const Step &step, QByteArray *why)
{
    const QByteArray source = FileName::toBytes(step.source);
    const QByteArray destination = FileName::toBytes(step.destination);
    struct stat from, there;
    if (::lstat(source.constData(), &from) != 0 || ::lstat(destination.constData(), &there) != 0)
        return true;
    // Never the source itself, a folder that holds it, or a real folder for a link.
    if (sameEntry(from, there)
        || (S_ISDIR(there.st_mode)
            && (S_ISLNK(from.st_mode) || liesWithin(parentOf(source), there)))) {
        if (why)
            *why = destination
                   + " is not removed: it is or holds the source, or a link would take"
                     " the place of a folder";
        return false;
    }
    return S_ISDIR(there.st_mode) ? removeTree(destination, why) : removeEntry(destination, why);
}

bool OperationPlan::mergesFolders(const Step &step)
{
    struct stat from, there;
    return entryAt(step.source, &from) && S_ISDIR(from.st_mode) && entryAt(step.destination, &there)
           && S_ISDIR(there.st_mode) && !sameEntry(from, there);
}

bool OperationPlan::goesEntryByEntry(const Step &step, bool replacing)
{
    return (replacing && mergesFolders(step)) || step.clashesInside || step.unstorableInside;
}

namespace {

bool sameType(mode_t a, mode_t b)
{
    return (a & S_IFMT) == (b & S_IFMT);
}

// Whether every entry of the tree at `tree` stands in `within` too, of its type, a file there
// at least as large: so a piece that a copy left is all the source's, and what a move already
// took from its source is not.
bool holdsAll(const QByteArray &within, const QByteArray &tree)
{
    bool all = true;
    TreeWalk::walk(tree, [&](QByteArrayView path, const struct stat &info) {
        struct stat there;
        all = ::lstat((within + path.sliced(tree.size()).toByteArray()).constData(), &there) == 0
              && sameType(info.st_mode, there.st_mode)
              && (!S_ISREG(info.st_mode) || there.st_size >= info.st_size);
        return all ? TreeWalk::Continue : TreeWalk::Stop;
    });
    return all;
}

// Whether a copy's time is its source's, to what the file system there keeps: a card two
// seconds, others to the nanosecond where they keep those.
bool sameTime(const struct timespec &source, const struct timespec &copy, bool card)
{
    const qint64 apart = (qint64(source.tv_sec) - qint64(copy.tv_sec)) * 1000000000
                         + (source.tv_nsec - copy.tv_nsec);
    if (card)
        return apart <= 2000000000 && apart >= -2000000000;
    return source.tv_sec == copy.tv_sec && (source.tv_nsec == copy.tv_nsec || copy.tv_nsec == 0);
}

} // namespace

bool OperationPlan::removePiece(const QString &source, const QString &destination,
                                const EntryIdentity &before)
{
    const EntryIdentity there = EntryIdentity::of(destination);
    if (!there.exists || there == before || there == EntryIdentity::of(source)
        || !holdsAll(FileName::toBytes(source), FileName::toBytes(destination)))
        return false;
    return removeTree(FileName::toBytes(destination), nullptr);
}

bool OperationPlan::copyIsWhole(const QString &source, const QString &destination)
{
    const QByteArray from = FileName::toBytes(source), to = FileName::toBytes(destination);
    const EntryIdentity copy = EntryIdentity::of(to);
    if (!copy.exists || copy == EntryIdentity::of(from))
        return false;
    const bool card = TargetFileSystem::of(parentOf(to)).card;
    bool whole = true;
    const TreeWalk::Walked walked = TreeWalk::walk(from, [&](QByteArrayView path,
                                                             const struct stat &info) {
        const bool top = path.size() == from.size();
        struct stat there;
        whole = ::lstat((to + path.sliced(from.size()).toByteArray()).constData(), &there) == 0
                && sameType(info.st_mode, there.st_mode)
                && (!S_ISREG(info.st_mode)
                    || (there.st_size == info.st_size
                        && sameTime(info.st_mtim, there.st_mtim, card)))
                && (!top || !S_ISDIR(info.st_mode) || sameTime(info.st_mtim, there.st_mtim, card));
        return whole ? TreeWalk::Continue : TreeWalk::Stop;
    });
    return whole && walked.whole;
}

bool OperationPlan::makeFolder(const Step &step)
{
    const QByteArray destination = FileName::toBytes(step.destination);
    struct stat there;
    return ::mkdir(destination.constData(), 0700) == 0
           || (errno == EEXIST && ::lstat(destination.constData(), &there) == 0
               && S_ISDIR(there.st_mode));
}

void OperationPlan::finishFolder(const Step &step)
{
    const QByteArray destination = FileName::toBytes(step.destination);
    struct stat from;
    if (::lstat(FileName::toBytes(step.source).constData(), &from) != 0)
        return;
    // As cp -a would leave it, where the file system keeps these at all.
    ::chmod(destination.constData(), from.st_mode & 07777);
    const struct timespec times[2] = { from.st_atim, from.st_mtim };
    ::utimensat(AT_FDCWD, destination.constData(), times, AT_SYMLINK_NOFOLLOW);
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
    OperationPlan inside = multiple(step.kind, step.source, names, step.destination);
    inside.setMapsNames(step.mapsNames);
    return inside;
}

bool OperationPlan::removeIfEmpty(const QString &folder)
{
    return ::rmdir(FileName::toBytes(folder).constData()) == 0;
}

bool OperationPlan::entryAt(const QString &path, struct stat *info)
{
    return ::lstat(FileName::toBytes(path).constData(), info) == 0;
}

bool OperationPlan::listsExactly(const QString &path)
{
    const QByteArray bytes = FileName::toBytes(path);
    const QByteArray name = bytes.mid(bytes.lastIndexOf('/') + 1);
    bool listed = false;
    if (DIR *folder = ::opendir(parentOf(bytes).constData())) {
        while (const dirent *entry = ::readdir(folder))
            listed = listed || name == entry->d_name;
        ::closedir(folder);
    }
    return listed;
}

bool OperationPlan::isCaseOnlyRename(const QString &from, const QString &to)
{
    const qsizetype slash = from.lastIndexOf(u'/');
    if (slash < 0 || to.lastIndexOf(u'/') != slash || from.left(slash) != to.left(slash)
        || from == to
        || TargetFileSystem::folded(from.mid(slash + 1))
                   != TargetFileSystem::folded(to.mid(slash + 1)))
        return false;
    return TargetFileSystem::of(parentOf(FileName::toBytes(from))).foldsCase;
}

std::optional<QByteArray> OperationPlan::caseRenameCommand(const QString &from, const QString &to)
{
    const QString folder = from.left(from.lastIndexOf(u'/'));
    struct stat info;
    const bool isFolder = entryAt(from, &info) && S_ISDIR(info.st_mode);
    const QString between = FileName::join(
            folder.isEmpty() ? QStringLiteral("/") : folder,
            freeName(folder.isEmpty() ? QStringLiteral("/") : folder,
                     QStringLiteral(".~") + from.mid(from.lastIndexOf(u'/') + 1), isFolder));
    return ShellCommand::form(R"(mv -T -n "%s" "%s" && mv -T -n "%s" "%s")",
                              { from, between, between, to });
}

OperationPlan OperationPlan::single(Kind kind, const QString &source,
                                    const QString &destinationFolder)
{
    OperationPlan plan;
    plan.m_kind = kind;
    plan.m_source = source;
    plan.m_names = QStringList{ source.mid(source.lastIndexOf(u'/') + 1) };
    plan.m_destination = destinationFolder;
    plan.lookAtTheDestination();
    plan.m_chosen = { EntryIdentity::of(source) };
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
    plan.lookAtTheDestination();
    for (int i = 0; i < plan.count(); ++i)
        plan.m_chosen.append(EntryIdentity::of(plan.sourceOf(i)));
    return plan;
}

void OperationPlan::setChosen(const QVector<EntryIdentity> &chosen)
{
    if (chosen.size() == m_names.size())
        m_chosen = chosen;
}

bool OperationPlan::isChosen(int index) const
{
    return EntryIdentity::of(sourceOf(index)) == m_chosen.value(index);
}

void OperationPlan::lookAtTheDestination()
{
    if (m_kind == Delete || m_destination.isEmpty())
        return;
    m_target = TargetFileSystem::of(FileName::toBytes(m_destination));
    if (!m_target.foldsCase)
        return;
    QSet<QString> names;
    m_clashesWithEarlier.resize(m_names.size());
    for (qsizetype i = 0; i < m_names.size(); ++i) {
        const QString folded = TargetFileSystem::folded(m_names[i]);
        m_clashesWithEarlier[i] = names.contains(folded);
        names.insert(folded);
    }
}

QString OperationPlan::sourceOf(int index) const
{
    return m_multiple ? m_source + u'/' + m_names.value(index) : m_source;
}

OperationPlan::Look OperationPlan::look(const std::function<bool()> &keepGoing) const
{
    Look look;
    const QByteArray destination = FileName::toBytes(m_destination);
    struct statvfs room;
    if (::statvfs(destination.constData(), &room) == 0)
        look.freeBytes = qint64(room.f_bavail) * qint64(room.f_frsize);
    struct stat there;
    const bool known = ::stat(destination.constData(), &there) == 0;

    for (int i = 0; i < count() && !look.stopped; ++i) {
        const QByteArray source = FileName::toBytes(sourceOf(i));
        struct stat from, standing;
        if (::lstat(source.constData(), &from) != 0)
            continue;
        const QByteArray target = FileName::toBytes(FileName::join(m_destination, m_names[i]));
        const bool stands
                = ::lstat(target.constData(), &standing) == 0 && !sameEntry(from, standing);
        look.conflicts += stands;
        look.linksOntoFolders += stands && S_ISLNK(from.st_mode) && S_ISDIR(standing.st_mode);
        look.caseClashes += m_clashesWithEarlier.value(i);
        const bool merges = stands && S_ISDIR(from.st_mode) && S_ISDIR(standing.st_mode);
        // A move within one file system is a rename: nothing is written, every name fits, and
        // only a merge has a tree to look into.
        const bool renames = m_kind == Move && known && from.st_dev == there.st_dev;
        if (renames) {
            ++look.entries;
            if (!merges)
                continue;
        } else {
            look.crossesFileSystems = look.crossesFileSystems || m_kind == Move;
        }
        Spoils spoils(target, m_target.foldsCase && !renames, merges);
        const QByteArray inside = FileName::toBytes(m_names[i]);
        const auto visit = [&](QByteArrayView path, const struct stat &info) {
            const QByteArrayView relative = path.sliced(source.size());
            spoils.visit(relative, info);
            if (renames)
                return TreeWalk::Continue;
            ++look.entries;
            if (S_ISREG(info.st_mode)) {
                look.bytes += info.st_size;
                look.taken += m_target.taken(info.st_size);
            } else if (S_ISDIR(info.st_mode)) {
                look.taken += m_target.unit;
            }
            const QByteArrayView name = relative.isEmpty() ? QByteArrayView(inside)
                                                           : path.sliced(path.lastIndexOf('/') + 1);
            if (m_target.canHold(name) && (m_target.links || !S_ISLNK(info.st_mode)))
                return TreeWalk::Continue;
            if (++look.unstorable <= 5)
                look.firstUnstorable << FileName::fromBytes(inside + relative.toByteArray());
            return TreeWalk::Continue;
        };
        look.stopped = TreeWalk::walk(source, visit, { keepGoing }).stopped;
        look.linksOntoFolders += spoils.links;
        look.caseClashes += spoils.clashes;
    }
    return look;
}

QString OperationPlan::freeName(const QString &folder, const QString &name, bool isFolder)
{
    const TargetFileSystem target = TargetFileSystem::of(FileName::toBytes(folder));
    const qsizetype split = NameCheck::baseLength(name, isFolder);
    // An extension too long to leave room for a number is no extension.
    const bool keepsExtension = target.fits(QStringLiteral(" (99999)") + name.mid(split));
    const QString base = keepsExtension ? name.left(split) : name;
    const QString extension = keepsExtension ? name.mid(split) : QString();
    struct stat info;
    for (int n = 2;; ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n) + extension;
        QString shortened = base;
        while (!shortened.isEmpty() && !target.fits(shortened + suffix))
            NameCheck::chopCharacter(&shortened);
        const QString candidate = shortened + suffix;
        if (!entryAt(FileName::join(folder, candidate), &info))
            return candidate;
    }
}

void OperationPlan::setMapsNames(bool maps)
{
    m_mapsNames = maps;
    m_heldNames.clear();
    // A mapped name must not take the place of another of these that is still to come.
    for (const QString &name : maps ? m_names : QStringList()) {
        if (m_target.canHold(FileName::toBytes(name)))
            m_heldNames.insert(m_target.foldsCase ? TargetFileSystem::folded(name) : name);
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
    bool mapped = false;
    if (m_kind != Delete) {
        arguments << m_destination;
        step.destination = FileName::join(m_destination, step.name);
        struct stat source, there, folder;
        const bool sourceExists = entryAt(step.source, &source);
        const bool isFolder = sourceExists && S_ISDIR(source.st_mode);
        // A move within one file system is a rename, which keeps every name; one to another
        // copies.
        const bool moves = m_kind == Move && sourceExists
                           && ::stat(FileName::toBytes(m_destination).constData(), &folder) == 0;
        step.crosses = moves && source.st_dev != folder.st_dev;
        const bool renames = moves && !step.crosses;
        step.mapsNames = m_mapsNames && !renames;
        const bool unstorable = !renames && !m_target.canHold(FileName::toBytes(step.name));
        // A link where links are not kept, or a name it cannot hold and does not map: nothing.
        step.leftOut = !renames
                       && ((!m_target.links && sourceExists && S_ISLNK(source.st_mode))
                           || (unstorable && !step.mapsNames));
        if (step.leftOut)
            return step;
        // A name it cannot hold arrives mapped, under a free name where that is taken.
        if (step.mapsNames && unstorable) {
            QString stored = m_target.mapped(step.name, isFolder);
            if (entryAt(FileName::join(m_destination, stored), &there)
                || m_heldNames.contains(m_target.foldsCase ? TargetFileSystem::folded(stored)
                                                           : stored))
                stored = freeName(m_destination, stored, isFolder);
            step.destination = FileName::join(m_destination, stored);
            mapped = true;
        }
        const bool stands = entryAt(step.destination, &there);
        if (isFolder && isWithin(m_destination, step.source, source))
            step.verdict = IntoItself;
        else if (stands && sourceExists && sameEntry(source, there))
            step.verdict = SameEntry;
        else if (stands && S_ISDIR(there.st_mode)
                 && liesWithin(parentOf(FileName::toBytes(step.source)), there))
            step.verdict = HoldsSource;
        else if (stands && m_clashesWithEarlier.value(index))
            step.verdict = CaseClash;
        else if (stands && sourceExists && S_ISLNK(source.st_mode) && S_ISDIR(there.st_mode))
            step.verdict = LinkOntoFolder;
        else if (stands)
            step.verdict = Conflict;
        // A folder's tree is looked into where the destination ignores case, keeps no links or
        // names are mapped, unless it is renamed: for clashing names, and for what it cannot
        // hold.
        if (isFolder && !renames && (m_target.foldsCase || !m_target.links || step.mapsNames)
            && (step.verdict == Clear || step.verdict == Conflict || step.verdict == CaseClash)) {
            const QByteArray root = FileName::toBytes(step.source);
            Spoils spoils(FileName::toBytes(step.destination), m_target.foldsCase, false);
            TreeWalk::walk(root, [&](QByteArrayView path, const struct stat &info) {
                spoils.visit(path.sliced(root.size()), info);
                step.unstorableInside
                        = step.unstorableInside
                          || (path.size() > root.size()
                              && (!m_target.canHold(path.sliced(path.lastIndexOf('/') + 1))
                                  || (!m_target.links && S_ISLNK(info.st_mode))));
                return (spoils.any() || !m_target.foldsCase) && step.unstorableInside
                               ? TreeWalk::Stop
                               : TreeWalk::Continue;
            });
            step.clashesInside = spoils.clashes > 0;
        }
    }
    if (step.verdict == IntoItself || step.verdict == HoldsSource)
        return step;
    // A mapped name is named whole; a move to another file system copies.
    const bool copies = m_kind == Copy || step.crosses;
    const Kind kind = copies ? Copy : m_kind;
    const QByteArray explicitForm = formOf(kind, m_multiple, m_target.card, true);
    if (mapped)
        arguments.last() = step.destination;
    const std::optional<QByteArray> command = ShellCommand::form(
            (mapped ? explicitForm : formOf(kind, m_multiple, m_target.card)).constData(),
            arguments);
    const bool standsThere = step.verdict == Conflict || step.verdict == LinkOntoFolder
                             || step.verdict == CaseClash;
    if (!command) {
        step.verdict = TooLong;
        return step;
    }
    step.command = *command;
    if (standsThere) {
        struct stat source;
        const bool isFolder = entryAt(step.source, &source) && S_ISDIR(source.st_mode);
        step.keepBothDestination
                = FileName::join(m_destination, freeName(m_destination, step.name, isFolder));
        QStringList keepBoth = arguments;
        keepBoth.last() = step.keepBothDestination;
        step.keepBothCommand
                = ShellCommand::form(explicitForm.constData(), keepBoth).value_or(QByteArray());
    }
    return step;
}
