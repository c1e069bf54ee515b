// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/operationplan.h"

#include "core/folder/treewalk.h"
#include "core/names/filename.h"
#include "core/operation/filework.h"
#include "core/operation/spoils.h"
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

bool OperationPlan::mergesFolders(const Step &step)
{
    struct stat from, there;
    return FileWork::entryAt(step.source, &from) && S_ISDIR(from.st_mode)
           && FileWork::entryAt(step.destination, &there) && S_ISDIR(there.st_mode)
           && !sameEntry(from, there);
}

bool OperationPlan::goesEntryByEntry(const Step &step, bool replacing)
{
    return (replacing && mergesFolders(step)) || step.clashesInside || step.unstorableInside;
}

OperationPlan OperationPlan::insideOf(const Step &step)
{
    OperationPlan inside
            = multiple(step.kind, step.source, FileWork::namesIn(step.source), step.destination);
    inside.setMapsNames(step.mapsNames);
    return inside;
}

bool OperationPlan::isCaseOnlyRename(const QString &from, const QString &to)
{
    const QString folder = FileName::parentOf(from);
    if (from == to || !from.contains(u'/') || FileName::parentOf(to) != folder
        || TargetFileSystem::folded(FileName::lastPart(from))
                   != TargetFileSystem::folded(FileName::lastPart(to)))
        return false;
    return TargetFileSystem::of(FileName::toBytes(folder)).foldsCase;
}

std::optional<QByteArray> OperationPlan::caseRenameCommand(const QString &from, const QString &to)
{
    const QString folder = FileName::parentOf(from);
    struct stat info;
    const bool isFolder = FileWork::entryAt(from, &info) && S_ISDIR(info.st_mode);
    const QString between = FileName::join(
            folder,
            FileWork::freeName(folder, QStringLiteral(".~") + FileName::lastPart(from), isFolder));
    return ShellCommand::form(R"(mv -T -n "%s" "%s" && mv -T -n "%s" "%s")",
                              { from, between, between, to });
}

OperationPlan OperationPlan::single(Kind kind, const QString &source,
                                    const QString &destinationFolder)
{
    OperationPlan plan;
    plan.m_kind = kind;
    plan.m_source = source;
    plan.m_names = QStringList{ FileName::lastPart(source) };
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

OperationPlan OperationPlan::toPlaces(Kind kind, const QVector<QPair<QString, QString>> &moves)
{
    OperationPlan plan;
    plan.m_kind = kind;
    plan.m_multiple = moves.size() > 1;
    for (const auto &[source, place] : moves) {
        plan.m_sources.append(source);
        plan.m_places.append(place);
        plan.m_names.append(FileName::lastPart(place));
    }
    if (!moves.isEmpty()) {
        plan.m_source = FileName::parentOf(moves.first().first);
        plan.m_destination = plan.standingFolderOf(0);
    }
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
        // Entries to places of their own clash only within one folder.
        const QString folded
                = TargetFileSystem::folded(m_places.isEmpty() ? m_names[i] : m_places[i]);
        m_clashesWithEarlier[i] = names.contains(folded);
        names.insert(folded);
    }
}

QString OperationPlan::sourceOf(int index) const
{
    if (!m_places.isEmpty())
        return m_sources.value(index);
    return m_multiple ? m_source + u'/' + m_names.value(index) : m_source;
}

QString OperationPlan::folderOf(int index) const
{
    return m_places.isEmpty() ? m_destination : FileName::parentOf(m_places.value(index));
}

QString OperationPlan::standingFolderOf(int index) const
{
    QString folder = folderOf(index);
    struct stat info;
    while (::stat(FileName::toBytes(folder).constData(), &info) != 0 && folder != u'/')
        folder = FileName::parentOf(folder);
    return folder;
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
        const QByteArray target = FileName::toBytes(
                m_places.isEmpty() ? FileName::join(m_destination, m_names[i]) : m_places[i]);
        // Entries to places of their own: each place's file system.
        const bool placeKnown
                = m_places.isEmpty()
                          ? known
                          : ::stat(FileName::toBytes(standingFolderOf(i)).constData(), &there) == 0;
        const bool stands
                = ::lstat(target.constData(), &standing) == 0 && !sameEntry(from, standing);
        look.conflicts += stands;
        look.linksOntoFolders += stands && S_ISLNK(from.st_mode) && S_ISDIR(standing.st_mode);
        look.caseClashes += m_clashesWithEarlier.value(i);
        const bool merges = stands && S_ISDIR(from.st_mode) && S_ISDIR(standing.st_mode);
        // A move within one file system is a rename: nothing is written, every name fits, and
        // only a merge has a tree to look into.
        const bool renames = m_kind == Move && placeKnown && from.st_dev == there.st_dev;
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
            if (S_ISREG(info.st_mode) && !m_target.holdsSize(info.st_size)) {
                if (++look.tooLarge <= 5)
                    look.firstTooLarge << FileName::fromBytes(inside + relative.toByteArray());
                return TreeWalk::Continue;
            }
            if (S_ISREG(info.st_mode)) {
                look.bytes += info.st_size;
                look.taken += m_target.taken(info.st_size);
            } else if (S_ISDIR(info.st_mode)) {
                look.taken += m_target.unit;
            }
            const QByteArrayView name
                    = relative.isEmpty() ? QByteArrayView(inside) : FileName::lastPart(path);
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
    bool mapped = false;
    if (m_kind != Delete && !place(index, &step, &mapped))
        return step;
    if (step.verdict != IntoItself && step.verdict != HoldsSource)
        formCommands(index, &step, mapped || !m_places.isEmpty());
    return step;
}

// Where an entry goes: its destination (mapped where its name cannot be held there), whether it
// crosses file systems, what stands there, and what inside a folder one command would spoil.
// False where it is left out.
bool OperationPlan::place(int index, Step *step, bool *mapped) const
{
    const QString into = folderOf(index);
    step->destination = m_places.isEmpty() ? FileName::join(into, step->name) : m_places[index];
    struct stat source, there, folder;
    const bool sourceExists = FileWork::entryAt(step->source, &source);
    const bool isFolder = sourceExists && S_ISDIR(source.st_mode);
    // A move within one file system is a rename, which keeps every name; one to another copies.
    const bool moves
            = m_kind == Move && sourceExists
              && ::stat(FileName::toBytes(standingFolderOf(index)).constData(), &folder) == 0;
    step->crosses = moves && source.st_dev != folder.st_dev;
    const bool renames = moves && !step->crosses;
    step->mapsNames = m_mapsNames && !renames;
    const bool unstorable = !renames && !m_target.canHold(FileName::toBytes(step->name));
    // A link where links are not kept, or a name it cannot hold and does not map: nothing.
    step->leftOut = !renames
                    && ((!m_target.links && sourceExists && S_ISLNK(source.st_mode))
                        || (sourceExists && S_ISREG(source.st_mode)
                            && !m_target.holdsSize(source.st_size))
                        || (unstorable && !step->mapsNames));
    if (step->leftOut)
        return false;
    // A name it cannot hold arrives mapped, under a free name where that is taken.
    if (step->mapsNames && unstorable) {
        QString stored = m_target.mapped(step->name, isFolder);
        if (FileWork::entryAt(FileName::join(into, stored), &there)
            || m_heldNames.contains(m_target.foldsCase ? TargetFileSystem::folded(stored) : stored))
            stored = FileWork::freeName(into, stored, isFolder);
        step->destination = FileName::join(into, stored);
        *mapped = true;
    }
    step->verdict = verdictOf(index, *step, sourceExists ? &source : nullptr);
    // A folder's tree is looked into where the destination ignores case, keeps no links or
    // names are mapped, unless it is renamed: for clashing names, and for what it cannot hold.
    if (isFolder && !renames && (m_target.foldsCase || !m_target.links || step->mapsNames)
        && (step->verdict == Clear || step->verdict == Conflict || step->verdict == CaseClash))
        lookInside(step);
    return true;
}

OperationPlan::Verdict OperationPlan::verdictOf(int index, const Step &step,
                                                const struct stat *source) const
{
    struct stat there;
    const bool stands = FileWork::entryAt(step.destination, &there);
    if (source && S_ISDIR(source->st_mode)
        && FileWork::isWithin(standingFolderOf(index), step.source, *source))
        return IntoItself;
    if (!stands)
        return Clear;
    if (source && sameEntry(*source, there))
        return SameEntry;
    if (S_ISDIR(there.st_mode)
        && FileWork::liesWithin(FileName::parentOf(FileName::toBytes(step.source)), there))
        return HoldsSource;
    if (m_clashesWithEarlier.value(index))
        return CaseClash;
    if (source && S_ISLNK(source->st_mode) && S_ISDIR(there.st_mode))
        return LinkOntoFolder;
    return Conflict;
}

// What of a folder's tree its one command would spoil there, or the destination cannot hold.
void OperationPlan::lookInside(Step *step) const
{
    const QByteArray root = FileName::toBytes(step->source);
    Spoils spoils(FileName::toBytes(step->destination), m_target.foldsCase, false);
    TreeWalk::walk(root, [&](QByteArrayView path, const struct stat &info) {
        spoils.visit(path.sliced(root.size()), info);
        step->unstorableInside
                = step->unstorableInside
                  || (path.size() > root.size()
                      && (!m_target.canHold(FileName::lastPart(path))
                          || (!m_target.links && S_ISLNK(info.st_mode))
                          || (S_ISREG(info.st_mode) && !m_target.holdsSize(info.st_size))));
        return (spoils.any() || !m_target.foldsCase) && step->unstorableInside ? TreeWalk::Stop
                                                                               : TreeWalk::Continue;
    });
    step->clashesInside = spoils.clashes > 0;
}

// The step's command, and, where another entry stands there, the one that keeps both. A mapped
// name is named whole; a move to another file system copies.
void OperationPlan::formCommands(int index, Step *step, bool mapped) const
{
    // Entries to places of their own are named by their paths, as one entry is.
    const bool byName = m_multiple && m_places.isEmpty();
    QStringList arguments
            = byName ? QStringList{ m_source, step->name } : QStringList{ step->source };
    if (m_kind != Delete)
        arguments << (mapped ? step->destination : m_destination);
    const Kind kind = m_kind == Copy || step->crosses ? Copy : m_kind;
    const QByteArray explicitForm = formOf(kind, byName, m_target.card, true);
    const std::optional<QByteArray> command = ShellCommand::form(
            (mapped ? explicitForm : formOf(kind, byName, m_target.card)).constData(), arguments);
    if (!command) {
        step->verdict = TooLong;
        return;
    }
    step->command = *command;
    if (step->verdict != Conflict && step->verdict != LinkOntoFolder && step->verdict != CaseClash)
        return;
    struct stat source;
    const bool isFolder = FileWork::entryAt(step->source, &source) && S_ISDIR(source.st_mode);
    const QString into = folderOf(index);
    step->keepBothDestination
            = FileName::join(into, FileWork::freeName(into, step->name, isFolder));
    arguments.last() = step->keepBothDestination;
    step->keepBothCommand
            = ShellCommand::form(explicitForm.constData(), arguments).value_or(QByteArray());
}
