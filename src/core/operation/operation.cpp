// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/operation.h"

#include "core/folder/treewalk.h"
#include "core/names/filename.h"
#include "core/names/namecheck.h"
#include "core/operation/filework.h"
#include "core/operation/journalrecovery.h"
#include "core/operation/trash.h"
#include "core/shell/shellcommand.h"

#include <QDir>
#include <QMap>
#include <QSet>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace {

Journal::Kind journalKind(OperationPlan::Kind kind)
{
    return kind == OperationPlan::Copy ? Journal::Copy : Journal::Move;
}

// How far a copy or move has come: what its source holds, and what has grown at its
// destination over what stood there before it began. A move within one file system is a rename,
// done at once: nothing to show.
void measureProgress(CommandRunner::Command *command, const OperationPlan::Step &step)
{
    if (step.kind == OperationPlan::Delete || step.destination.isEmpty())
        return;
    if (step.kind == OperationPlan::Move && !step.crosses)
        return;
    const QByteArray source = FileName::toBytes(step.source);
    const QByteArray destination = FileName::toBytes(step.destination);
    const auto before = std::make_shared<qint64>(0);
    command->total = [=] {
        *before = TreeWalk::bytesUnder(destination);
        return *before < 0 ? -1 : TreeWalk::bytesUnder(source);
    };
    command->written = [=] {
        const qint64 now = TreeWalk::bytesUnder(destination);
        return now < 0 ? -1 : now - *before;
    };
}

} // namespace

Operation::Operation(Asker &asker, CommandRunner &runner, Journal &journal)
    : m_asker(asker)
    , m_runner(runner)
    , m_journal(journal)
{
}

// Asks for a name until it is a valid one: a refused name is offered again as typed, after the
// notice, to be mended rather than typed anew. The trimmed name, or a null one when cancelled or
// left as the current one (a rename accepted as offered, blanks around it or not: nothing to do,
// and a name with blanks at its ends is neither trimmed nor refused).
QString Operation::askName(Asker::NameFor what, const QString &folder, const QString &current,
                           QString *typed, int selected)
{
    for (;;) {
        *typed = m_asker.askName(what, folder, current, *typed, selected);
        const QString name = NameCheck::trimmed(*typed);
        if (typed->isNull() || (!current.isNull() && (*typed == current || name == current)))
            return QString();
        if (NameCheck::isValid(name))
            return name;
        m_asker.refuse(Asker::InvalidName);
        selected = int(typed->size());
    }
}

Operation::Result Operation::createFolder(const QString &folder)
{
    QString typed;
    const QString name = askName(Asker::NewFolder, folder, QString(), &typed, 0);
    if (name.isNull())
        return m_result;
    // A folder there afterwards is success, also one that was there before; only one that this
    // made can be taken back.
    const QString path = FileName::join(folder, name);
    const QByteArray bytes = FileName::toBytes(path);
    struct stat info;
    const bool remember = !FileWork::entryAt(path, &info);
    if (remember)
        m_journal.begin(Journal::NewFolder, folder);
    const int entry = remember ? m_journal.intend(QString(), path, false, EntryIdentity()) : -1;
    const int made = ::mkdir(bytes.constData(), 0777);
    const int error = errno;
    m_journal.finish(entry, made == 0);
    if (remember)
        ended();
    m_result.agreed = true;
    m_result.ran = ::stat(bytes.constData(), &info) == 0 && S_ISDIR(info.st_mode);
    if (!m_result.ran) {
        std::fprintf(stderr, "filemanager: the folder %s was not created: %s\n", bytes.constData(),
                     std::strerror(made == 0 ? ENOTDIR : error));
        m_asker.refuse(Asker::NotMade);
    }
    return m_result;
}

Operation::Result Operation::rename(const QString &path)
{
    // The entry as the user chose it, before any question.
    const EntryIdentity chosen = EntryIdentity::of(path);
    const QString folder = FileName::parentOf(path);
    const QString name = FileName::lastPart(path);
    struct stat info;
    const bool isFolder
            = ::stat(FileName::toBytes(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
    // The name offered with its base selected: typing keeps the extension.
    QString typed = name, newPath;
    int selected = NameCheck::baseLength(name, isFolder);
    bool caseOnly = false;
    for (;;) {
        const QString newName = askName(Asker::NewName, folder, name, &typed, selected);
        if (newName.isNull())
            return m_result;
        newPath = FileName::join(folder, newName);
        // mv would replace the other entry, or move ours into it. The same entry under another
        // case, on a file system that ignores case, is a real rename. A name taken is offered
        // again too.
        caseOnly = OperationPlan::isCaseOnlyRename(path, newPath);
        if (caseOnly || !FileWork::entryAt(newPath, &info) || FileWork::sameEntry(path, newPath))
            break;
        m_asker.refuse(Asker::NameTaken);
        selected = int(typed.size());
    }
    m_result.agreed = true;
    m_result.entries = 1;
    const std::optional<QByteArray> command
            = caseOnly ? OperationPlan::caseRenameCommand(path, newPath)
                       : ShellCommand::form(R"(mv "%s" "%s")", { path, newPath });
    if (EntryIdentity::of(path) != chosen) {
        m_result.notChosen << path;
        return m_result;
    }
    m_journal.begin(Journal::Rename, folder);
    const int entry = m_journal.intend(path, newPath);
    bool succeeded = false;
    if (!command || command->size() > ShellCommand::maxLength) {
        m_asker.refuse(Asker::TooLong);
    } else {
        m_result.ran = true;
        succeeded = runCommand(*command);
    }
    m_journal.finish(entry, succeeded);
    ended();
    return m_result;
}

// The plan, its questions, then each entry: what is done here and its command, on record.
Operation::Result Operation::run(const OperationPlan &planned)
{
    OperationPlan plan = planned;
    m_several = plan.isMultiple();
    m_result.entries = m_several ? plan.count() : 1;
    OperationPlan::Resolution resolution = OperationPlan::DecideEach;
    if (!askBeforeTheWork(&plan, &resolution))
        return m_result;
    m_result.agreed = true;
    // A delete cannot be taken back: it is not on record.
    const bool deleting = plan.kind() == OperationPlan::Delete;
    if (!deleting)
        m_journal.begin(journalKind(plan.kind()), plan.destination(), m_result.entries);
    bool ran = false;
    for (int i = 0; i < plan.count() && !m_runner.stopped(); ++i) {
        const OperationPlan::Step step = nextStep(plan, i, resolution);
        // What the destination cannot hold, and does not map, gets no command.
        if (step.leftOut)
            continue;
        m_shows = !m_several                           ? CommandRunner::Waiting
                  : plan.kind() == OperationPlan::Copy ? CommandRunner::Copying
                  : plan.kind() == OperationPlan::Move ? CommandRunner::Moving
                                                       : CommandRunner::Deleting;
        m_shown = step.name;
        ran = runStep(step, resolution, deleting ? NotKept : Kept,
                      [&plan, i] { return plan.isChosen(i); })
              || ran;
    }
    putBack();
    finishWriting(plan.destination());
    if (!deleting)
        ended();
    // One entry is listed again when its command ran; several always.
    m_result.ran = m_several || ran;
    m_result.stopped = m_runner.stopped();
    return m_result;
}

// Done means on the disk: what was copied is flushed before the operation ends. A stop then
// only ends the wait.
void Operation::finishWriting(const QString &destination)
{
    if (!m_wrote || m_runner.stopped())
        return;
    m_shows = CommandRunner::Writing;
    m_shown.clear();
    runCommand(*ShellCommand::form(R"(sync -f "%s")", { destination }), nullptr, Reported);
    m_result.stillWriting = m_runner.stopped();
}

// Asked in this order, each only when it applies: the look before a copy or move, the question,
// the files too large for the destination, the room (of what is not left out), the names the
// destination cannot hold, what stands there, and where what a replace removes cannot be kept in
// the trash, whether to replace for good. Whatever ends it here ends it before anything at the
// destination changes.
bool Operation::askBeforeTheWork(OperationPlan *plan, OperationPlan::Resolution *resolution,
                                 bool confirming)
{
    OperationPlan::Look look;
    if (plan->kind() != OperationPlan::Delete
        && !m_asker.wait(Asker::Looking, [&](const std::function<bool()> &keepGoing) {
               look = plan->look(keepGoing);
           }))
        return false;
    if (confirming && !m_asker.confirm(*plan, look))
        return false;
    if (look.tooLarge > 0
        && !m_asker.leaveOutTooLarge(look.tooLarge, look.firstTooLarge, plan->largestFile()))
        return false;
    if (look.freeBytes >= 0 && look.taken > look.freeBytes && !makeRoom(*plan, look))
        return false;
    std::optional<Asker::ForNames> forNames = Asker::LeaveOut;
    if (look.unstorable > 0
        && !(forNames = m_asker.chooseForNames(look.unstorable, look.firstUnstorable)))
        return false;
    plan->setMapsNames(forNames == Asker::StoreMapped);
    if (look.conflicts > 0) {
        const std::optional<OperationPlan::Resolution> chosen
                = m_asker.chooseForExisting(look.conflicts);
        if (!chosen)
            return false;
        *resolution = *chosen;
    }
    QByteArray noTrash;
    if (look.conflicts > 0
        && (*resolution == OperationPlan::ReplaceAll || *resolution == OperationPlan::DecideEach)
        && !Trash::canKeep(plan->destination(), &noTrash)) {
        if (!m_asker.replaceForGood(look.conflicts, QString::fromLocal8Bit(noTrash)))
            return false;
        m_forGood = true;
    }
    return true;
}

// Where it does not fit: whether to go on; where the trash of the file system there holds
// entries, that trash may be emptied first, asked as emptying the trash is.
bool Operation::makeRoom(const OperationPlan &plan, const OperationPlan::Look &look)
{
    const QVector<Trash::Item> trashed = Trash::itemsFor(plan.destination());
    if (trashed.isEmpty())
        return m_asker.goOnWithoutRoom(look.taken, look.freeBytes);
    qint64 bytes = 0;
    for (const Trash::Item &item : trashed)
        bytes += item.bytes;
    const std::optional<bool> emptying
            = m_asker.emptyTrashForRoom(look.taken, look.freeBytes, int(trashed.size()), bytes);
    if (!emptying || !*emptying)
        return emptying.has_value();
    Operation emptier(m_asker, m_runner, m_journal);
    const Result emptied = emptier.discard(trashed, Asker::EmptyTrash);
    m_result.failures += emptied.failures;
    return emptied.agreed && !m_runner.stopped();
}

Operation::Result Operation::toTrash(const QString &folder, const QStringList &names)
{
    QStringList entries;
    for (const QString &name : names) {
        if (!name.isEmpty() && name != QLatin1String(".."))
            entries.append(name);
    }
    m_several = entries.size() > 1;
    m_result.entries = int(entries.size());
    m_result.agreed = true;
    if (entries.isEmpty())
        return m_result;
    m_journal.begin(Journal::ToTrash, folder, m_result.entries);
    m_shows = m_several ? CommandRunner::Trashing : CommandRunner::Waiting;
    // As many to one command as it holds, every info written first and flushed once; those
    // that cannot go so (their name is taken in the trash) go on their own, under a name of the
    // trash's.
    struct Pending
    {
        Trash::Batch batch;
        QList<int> items;
    };
    QList<Pending> pending;
    QStringList alone;
    QSet<QString> infoFolders;
    for (qsizetype at = 0; at < entries.size();) {
        int taken = 0;
        const Trash::Batch batch = Trash::prepare(folder, entries.mid(at), &taken, false);
        QSet<QString> inBatch;
        for (const Trash::Put &put : batch.puts) {
            inBatch.insert(put.original);
            infoFolders.insert(FileName::parentOf(put.info));
        }
        if (!batch.puts.isEmpty())
            pending.append({ batch, {} });
        for (const qsizetype end = at + std::max(taken, 1); at < end && at < entries.size(); ++at) {
            if (!inBatch.contains(FileName::join(folder, entries[at])))
                alone.append(FileName::join(folder, entries[at]));
        }
    }
    bool flushed = true;
    for (const QString &infos : std::as_const(infoFolders))
        flushed = Trash::flushInfos(infos) && flushed;
    for (Pending &batch : pending) {
        for (const Trash::Put &put : std::as_const(batch.batch.puts)) {
            if (flushed)
                batch.items.append(m_journal.trash(put.original, put.trashed, put.info));
            else
                Trash::forget(put.info);
        }
    }
    if (!flushed) {
        fail("sync", FileName::toBytes(folder) + ": the trash there cannot be written to the disk");
        pending.clear();
    }
    // On record before any of them moves.
    m_journal.flush();
    for (const Pending &batch : std::as_const(pending)) {
        const QList<Trash::Put> &puts = batch.batch.puts;
        if (!m_runner.stopped()) {
            m_shown = FileName::lastPart(puts.first().original);
            runCommand(batch.batch.command, nullptr, Neither);
        }
        for (qsizetype i = 0; i < puts.size(); ++i) {
            struct stat there;
            if (FileWork::entryAt(puts[i].trashed, &there)) {
                m_journal.trashed(batch.items[i]);
                ++m_result.done;
            } else {
                Trash::forget(puts[i].info);
            }
        }
    }
    for (const QString &path : std::as_const(alone)) {
        if (!m_runner.stopped())
            trashAlone(path);
    }
    ended();
    m_result.ran = true;
    m_result.stopped = m_runner.stopped();
    return m_result;
}

// One entry to the trash by a command of its own, under a name of the trash's where its own is
// taken there; one that no trash can take is a failure, with why.
void Operation::trashAlone(const QString &path)
{
    QByteArray why;
    const std::optional<Trash::Put> put = Trash::prepare(path, &why);
    if (!put)
        return fail("mv", FileName::toBytes(path) + ": it cannot be moved to the trash: " + why);
    const int item = m_journal.trash(put->original, put->trashed, put->info);
    m_shown = FileName::lastPart(path);
    runCommand(put->command);
    struct stat there;
    if (FileWork::entryAt(put->trashed, &there))
        m_journal.trashed(item);
    else
        Trash::forget(put->info);
}

Operation::Result Operation::restore(const QVector<Trash::Item> &items)
{
    QVector<QPair<QString, QString>> moves;
    QVector<Trash::Item> going;
    for (const Trash::Item &item : items) {
        if (item.original.isEmpty()) {
            m_result.cannotRestore.append({ item.shown, item.origin });
        } else {
            moves.append({ item.trashed, item.original });
            going.append(item);
        }
    }
    m_several = items.size() > 1;
    m_result.entries = int(items.size());
    if (going.isEmpty())
        return m_result;
    OperationPlan plan = OperationPlan::toPlaces(OperationPlan::Move, moves);
    OperationPlan::Resolution resolution = OperationPlan::DecideEach;
    // No question first: a restore can be taken back.
    if (!askBeforeTheWork(&plan, &resolution, false))
        return m_result;
    m_result.agreed = true;
    m_journal.begin(Journal::Restore, plan.destination(), int(going.size()));
    bool ran = false;
    for (int i = 0; i < plan.count() && !m_runner.stopped(); ++i) {
        QByteArray why;
        if (!FileWork::makeFoldersTo(going[i].original, going[i].top, &why)) {
            fail("mkdir", why);
            continue;
        }
        const OperationPlan::Step step = nextStep(plan, i, resolution);
        if (step.leftOut)
            continue;
        m_shows = m_several ? CommandRunner::Restoring : CommandRunner::Waiting;
        m_shown = step.name;
        ran = runStep(step, resolution, Kept, [&plan, i] { return plan.isChosen(i); }) || ran;
        // Its info goes once it has left the trash, never before.
        struct stat there;
        if (!FileWork::entryAt(going[i].trashed, &there))
            Trash::forget(going[i].info);
    }
    putBack();
    finishWriting(plan.destination());
    ended();
    m_result.ran = true;
    m_result.stopped = m_runner.stopped();
    return m_result;
}

Operation::Result Operation::discard(const QVector<Trash::Item> &items, Asker::Discard what)
{
    qint64 bytes = 0;
    for (const Trash::Item &item : items)
        bytes += item.bytes;
    m_result.entries = int(items.size());
    if (items.isEmpty()
        || !m_asker.confirmDiscard(what, int(items.size()), bytes, items.first().trashed))
        return m_result;
    m_result.agreed = m_result.ran = true;
    m_several = items.size() > 1;
    m_shows = m_several ? CommandRunner::Deleting : CommandRunner::Waiting;
    // By the folder they are in, as many to one command as it holds.
    QMap<QString, QVector<int>> byFolder;
    for (int i = 0; i < items.size(); ++i)
        byFolder[FileName::parentOf(items[i].trashed)].append(i);
    for (auto folder = byFolder.cbegin(); folder != byFolder.cend() && !m_runner.stopped();
         ++folder) {
        const QVector<int> &rows = folder.value();
        for (qsizetype at = 0; at < rows.size() && !m_runner.stopped();) {
            QByteArray form = R"(cd "%s" && rm -rf --)";
            QStringList arguments = { folder.key() };
            QVector<int> batch;
            for (; at < rows.size(); ++at) {
                const QByteArray longer = form + R"( "%s")";
                const QString name = FileName::lastPart(items[rows[at]].trashed);
                if (!ShellCommand::form(longer.constData(), arguments + QStringList{ name }))
                    break;
                form = longer;
                arguments.append(name);
                batch.append(rows[at]);
            }
            if (batch.isEmpty()) {
                m_asker.refuse(Asker::TooLong);
                ++at;
                continue;
            }
            m_shown = items[batch.first()].shown;
            runCommand(*ShellCommand::form(form.constData(), arguments), nullptr, Reported);
            for (const int row : std::as_const(batch)) {
                struct stat there;
                if (!FileWork::entryAt(items[row].trashed, &there)) {
                    Trash::forget(items[row].info);
                    ++m_result.done;
                }
            }
        }
    }
    m_result.stopped = m_runner.stopped();
    return m_result;
}

// One planned entry: refused, or, when another entry of its name stands at the destination,
// run only as the user decided; and only while its source is still the entry that was chosen,
// right before anything of it is done. Returns whether anything of it ran.
bool Operation::runStep(const OperationPlan::Step &step, OperationPlan::Resolution resolution,
                        Record record, const std::function<bool()> &chosen)
{
    const Act act = decide(step, resolution);
    if (act == Skip)
        return false;
    if (chosen && !chosen()) {
        m_result.notChosen << step.source;
        return false;
    }
    switch (act) {
    case Apart: {
        OperationPlan::Step apart = step;
        apart.destination = step.keepBothDestination;
        apart.command = step.keepBothCommand;
        runWhole(apart, resolution, record);
        break;
    }
    case Replace:
        replace(step, resolution, record);
        break;
    case Whole:
        runWhole(step, resolution, record);
        break;
    case Skip:
        break;
    }
    return true;
}

// What is to be done with a step, its refusal said and its question (deciding for each) asked.
Operation::Act Operation::decide(const OperationPlan::Step &step,
                                 OperationPlan::Resolution resolution)
{
    const auto keepApart = [&] {
        if (!step.keepBothCommand.isEmpty())
            return Apart;
        m_asker.refuse(Asker::TooLong);
        return Skip;
    };
    switch (step.verdict) {
    case OperationPlan::IntoItself:
        m_asker.refuse(Asker::IntoItself);
        return Skip;
    case OperationPlan::HoldsSource:
        m_asker.refuse(Asker::HoldsSource);
        return Skip;
    case OperationPlan::TooLong:
        m_asker.refuse(Asker::TooLong);
        return Skip;
    case OperationPlan::CaseClash:
        return keepApart();
    case OperationPlan::LinkOntoFolder:
        if (resolution == OperationPlan::SkipExisting)
            return Skip;
        if (resolution == OperationPlan::DecideEach) {
            // A question between two commands shows alone.
            m_runner.stepAside();
            if (!m_asker.keepLinkApart(step.destination))
                return Skip;
        }
        return keepApart();
    case OperationPlan::Conflict:
        if (resolution == OperationPlan::SkipExisting)
            return Skip;
        if (resolution == OperationPlan::KeepBoth)
            return keepApart();
        if (resolution == OperationPlan::DecideEach) {
            m_runner.stepAside();
            if (!m_asker.replace(step.destination))
                return Skip;
        }
        return Replace;
    case OperationPlan::Clear:
    case OperationPlan::SameEntry:
        break;
    }
    return Whole;
}

// An entry that nothing stands in the way of: its command, or, for a tree that the command would
// spoil, its folder made and what it holds taken across one by one. Whether it went.
bool Operation::runWhole(const OperationPlan::Step &step, OperationPlan::Resolution resolution,
                         Record record)
{
    const EntryIdentity before = EntryIdentity::of(step.destination);
    const int entry = record == NotKept ? -1
                                        : m_journal.intend(step.source, step.destination,
                                                           record == KeptInside, before);
    if (!OperationPlan::goesEntryByEntry(step, false)) {
        const bool went = runEntry(step.command, step, entry, before);
        m_journal.finish(entry, went);
        return went;
    }
    const bool made = FileWork::makeFolder(step.destination);
    if (made)
        runInside(step, resolution, true, record);
    else
        fail(step.command, FileName::toBytes(step.destination) + ": cannot be made");
    m_journal.finish(entry, made);
    return made;
}

// An agreed replace: a merge into the folder there goes entry by entry, each by these rules;
// otherwise what stands there goes to the trash, in the same command as the one that then
// writes there where that fits, or, where the user agreed to that, is removed for good. Nothing
// runs over what could not be put aside, and where the entry's own command fails, what went to
// the trash for it comes back to its place.
void Operation::replace(const OperationPlan::Step &step, OperationPlan::Resolution resolution,
                        Record record)
{
    if (OperationPlan::mergesFolders(step)) {
        runInside(step, resolution, false, record);
        return;
    }
    std::optional<Trash::Put> put;
    int item = -1;
    bool aside = false;
    if (m_forGood) {
        QByteArray why;
        if (!FileWork::clearWay(step.source, step.destination, &why))
            return fail(step.command, why);
        m_journal.replacedForGood();
    } else if (const auto ahead = m_aside.constFind(step.destination); ahead != m_aside.cend()) {
        put = ahead->put;
        item = ahead->item;
        aside = true;
        m_aside.erase(ahead);
    } else {
        QByteArray why;
        put = Trash::prepare(step.destination, &why);
        if (!put)
            return fail(step.command, FileName::toBytes(step.destination)
                                              + ": it cannot be kept in the trash: " + why);
        item = m_journal.trash(put->original, put->trashed, put->info);
    }
    const bool entryByEntry = OperationPlan::goesEntryByEntry(step, false);
    const std::optional<QByteArray> both = put && !aside && !entryByEntry
                                                   ? ShellCommand::join(put->command, step.command)
                                                   : std::nullopt;
    // What stands there goes to the trash first where it cannot go with the entry's command.
    if (put && !aside && !both && !runCommand(put->command)) {
        keepOrPutBack(*put, item, false);
        return;
    }
    if (entryByEntry) {
        const bool went = runWhole(step, resolution, record);
        if (put)
            keepOrPutBack(*put, item, went);
        return;
    }
    const EntryIdentity before = EntryIdentity::of(step.destination);
    const int entry = record == NotKept ? -1
                                        : m_journal.intend(step.source, step.destination,
                                                           record == KeptInside, before);
    const bool went = runEntry(both ? *both : step.command, step, entry, before);
    m_journal.finish(entry, went);
    if (put)
        keepOrPutBack(*put, item, went);
}

// What a replace put in the trash stays there, on record for undo, once its entry took its
// place; where the entry did not, it goes back to its place where that is free.
void Operation::keepOrPutBack(const Trash::Put &put, int item, bool replaced)
{
    if (!replaced && Trash::putBack(put))
        return;
    m_journal.trashed(item);
    struct stat there;
    if (!FileWork::entryAt(put.trashed, &there))
        Trash::forget(put.info);
}

// Entry i's step as planned before what stood in its way went ahead to the trash; where it
// begins a run of replaces of all, the run goes ahead to the trash first.
OperationPlan::Step Operation::nextStep(const OperationPlan &plan, int i,
                                        OperationPlan::Resolution resolution)
{
    const OperationPlan::Step step = plan.step(i);
    const auto ahead = m_aside.constFind(step.destination);
    if (ahead != m_aside.cend())
        return ahead->step;
    if (resolution == OperationPlan::ReplaceAll && !m_forGood)
        putAsideAhead(plan, i, step);
    return step;
}

// What the replaces of the next entries would remove goes to the trash by one command, so that
// each costs a rename there rather than a process of its own; each entry's own command then runs
// as ever. One that did not go is tried again on its own, in its turn.
void Operation::putAsideAhead(const OperationPlan &plan, int from, const OperationPlan::Step &first)
{
    const auto replaced = [](const OperationPlan::Step &step) {
        return step.verdict == OperationPlan::Conflict && !OperationPlan::mergesFolders(step);
    };
    if (!replaced(first))
        return;
    QList<OperationPlan::Step> steps;
    QStringList names;
    for (int i = from; i < plan.count() && i < from + 64; ++i) {
        const OperationPlan::Step step = i == from ? first : plan.step(i);
        if (replaced(step) && !m_aside.contains(step.destination)) {
            steps.append(step);
            names.append(FileName::lastPart(step.destination));
        }
    }
    const Trash::Batch batch = Trash::prepare(FileName::parentOf(first.destination), names);
    if (batch.puts.isEmpty())
        return;
    QList<int> items;
    for (const Trash::Put &put : batch.puts)
        items.append(m_journal.trash(put.original, put.trashed, put.info));
    // On record before any of them moves.
    m_journal.flush();
    runCommand(batch.command, nullptr, Neither);
    for (qsizetype i = 0; i < batch.puts.size(); ++i) {
        const Trash::Put &put = batch.puts[i];
        struct stat there;
        if (!FileWork::entryAt(put.trashed, &there)) {
            Trash::forget(put.info);
            continue;
        }
        for (const OperationPlan::Step &step : std::as_const(steps)) {
            if (step.destination == put.original)
                m_aside.insert(put.original, { put, items[i], step });
        }
    }
}

// What went to the trash ahead of an entry that a stop left undone goes back, by a rename of its
// own: the runner takes no command once stopped, and nothing of that entry was done. One whose
// place was taken meanwhile stays in the trash, on record for undo.
void Operation::putBack()
{
    for (const Aside &aside : std::as_const(m_aside)) {
        if (!Trash::putBack(aside.put))
            m_journal.trashed(aside.item);
    }
    m_aside.clear();
}

// The entries of a folder, each by the rules of a step, into its destination folder, kept on
// record as inside it where it was there before (a merge); then a folder made here or merged by
// a copy is given its source's permissions and times, as cp -a would, and a move's emptied
// source goes: only once all of it went across, since a stop or an entry left behind leaves the
// source folder.
void Operation::runInside(const OperationPlan::Step &step, OperationPlan::Resolution resolution,
                          bool madeHere, Record record)
{
    const OperationPlan inside = OperationPlan::insideOf(step);
    const Record kept = madeHere || record == NotKept ? NotKept : KeptInside;
    bool ranAll = true;
    for (int i = 0; i < inside.count() && !m_runner.stopped(); ++i) {
        const OperationPlan::Step next = nextStep(inside, i, resolution);
        // What is left out stays in the source, which then stays too.
        ranAll = !next.leftOut && runStep(next, resolution, kept) && ranAll;
    }
    if (madeHere || step.kind == OperationPlan::Copy)
        FileWork::finishFolder(step.source, step.destination);
    if (step.kind == OperationPlan::Move && ranAll && !m_runner.stopped())
        FileWork::removeIfEmpty(step.source);
}

// One entry's command. A move to another file system copies, flushes the copy to its disk and
// only then removes its source. A copy that failed or was stopped leaves no piece under the real
// name: what it made there goes (what stood there before it, `before`, never; nor anything that
// is not all the source's), and the entry is said to be not done.
bool Operation::runEntry(const QByteArray &line, const OperationPlan::Step &step, int entry,
                         const EntryIdentity &before)
{
    const bool copies = step.kind == OperationPlan::Copy || step.crosses;
    bool went = runCommand(line, &step);
    // Both shorter than the copy's command, which names both paths.
    if (went && step.crosses)
        went = runCommand(*ShellCommand::form(R"(sync -f "%s")", { step.destination }), nullptr,
                          Reported);
    if (!went) {
        if (copies)
            FileWork::removePiece(step.source, step.destination, before);
        if (step.kind != OperationPlan::Delete && !m_runner.stopped())
            m_result.notDone << step.destination;
        return false;
    }
    if (!step.crosses)
        return true;
    m_journal.copied(entry);
    return runCommand(*ShellCommand::form(R"(rm -rf "%s")", { step.source }), nullptr, Reported);
}

// One command through the runner, with the progress of the step it does; whether it succeeded.
bool Operation::runCommand(const QByteArray &line, const OperationPlan::Step *step, Counts counts)
{
    if (step && (step->kind == OperationPlan::Copy || step->crosses))
        m_wrote = true;
    CommandRunner::Command command;
    command.line = line;
    command.shows = m_shows;
    command.entry = m_shown;
    command.inheritedFd = m_journal.descriptor();
    if (step)
        measureProgress(&command, *step);
    const CommandRunner::Ran ran = m_runner.run(command);
    m_result.stopped = m_result.stopped || m_runner.stopped();
    if (ran.outcome != CommandRunner::Stopped && counts == AnEntry)
        ++m_result.done;
    if (ran.outcome == CommandRunner::Failed && counts != Neither)
        fail(line, ran.output);
    return ran.outcome == CommandRunner::Succeeded;
}

// An entry that failed, and why: one on its own shows its output as it is; those of an
// operation on several are gathered, each under its command, to be shown once at the end.
void Operation::fail(const QByteArray &line, const QByteArray &why)
{
    if (!m_several) {
        m_result.failures = why.isEmpty() || why.endsWith('\n') ? why : why + '\n';
        return;
    }
    QByteArray output = why;
    if (!output.isEmpty() && !output.endsWith('\n'))
        output += '\n';
    m_result.failures += "$ " + line + '\n' + output + '\n';
}

void Operation::ended()
{
    m_journal.end();
    m_result.undoable = m_journal.canUndo();
}

Operation::Result Operation::undo()
{
    const std::optional<Journal::Operation> last = m_journal.last();
    if (!last || !last->finished || !last->didSomething()) {
        m_result.undoable = false;
        return m_result;
    }
    // What the question promises from the trash is what is there now.
    int fromTheTrash = 0, leftTheTrash = 0;
    for (const Journal::Trashed &item : last->trashed) {
        if (!item.marks.isEmpty())
            ++(Undo::check(item).verdict == Undo::Gone ? leftTheTrash : fromTheTrash);
    }
    if (!m_asker.confirmUndo(*last, fromTheTrash, leftTheTrash))
        return m_result;
    takeBack(*last);
    return m_result;
}

Operation::Result Operation::reportInterrupted()
{
    std::optional<Journal::Operation> last = m_journal.last();
    if (!last || last->finished)
        return m_result;
    // A command of it that outlived the program goes on: the report waits for its end (or the
    // user stops it, asked as a stop of the operation is, the commands held meanwhile), so that
    // it tells what was done.
    if (!last->stillRunning.isEmpty()) {
        const QVector<qint64> running = last->stillRunning;
        if (!m_asker.wait(
                    Asker::StillRunning,
                    [&](const std::function<bool()> &keepGoing) {
                        while (m_journal.isHeld() && keepGoing())
                            QThread::msleep(50);
                    },
                    [&running](bool pause) { JournalRecovery::pauseCommands(running, pause); }))
            JournalRecovery::stopCommands(running);
        last = m_journal.last();
        if (!last || last->finished)
            return m_result;
    }
    JournalRecovery::settle(&*last);
    recover(&*last);
    // What a move to the trash did is what reached the trash.
    const int done
            = last->kind == Journal::ToTrash ? last->inTheTrash() : last->count(Journal::Done);
    if (m_asker.interrupted(*last, done, m_result.putBack) && last->didSomething()) {
        takeBack(*last);
        return m_result;
    }
    // What was done stays on record, to be taken back later.
    finishMoves(&*last);
    m_journal.closeCutShort(*last);
    m_result.undoable = m_journal.canUndo();
    return m_result;
}

// What a kill left half done, settled as a stop would have left it: the piece of a copy cut
// short goes, a move whose copy was on the disk removes the rest of its source, and what went to
// the trash for an entry whose place is free again goes back there (an info whose entry never
// went goes too).
void Operation::recover(Journal::Operation *cutShort)
{
    m_several = true;
    m_shows = CommandRunner::Waiting;
    for (Journal::Entry &entry : cutShort->entries) {
        if (entry.recovery == Journal::Entry::RemovePiece)
            FileWork::removePiece(entry.source, entry.destination, entry.before);
        if (entry.recovery == Journal::Entry::FinishMove) {
            m_shown = FileName::lastPart(entry.source);
            runCommand(*ShellCommand::form(R"(rm -rf "%s")", { entry.source }), nullptr, Reported);
            m_result.ran = true;
        }
    }
    // A restore's entry that left the trash leaves its info there no longer.
    for (const Journal::Entry &entry : std::as_const(cutShort->entries)) {
        struct stat there;
        if (cutShort->kind == Journal::Restore && !entry.inside
            && !FileWork::entryAt(entry.source, &there))
            Trash::forget(Trash::infoOf(entry.source));
    }
    for (Journal::Trashed &item : cutShort->trashed) {
        struct stat there;
        if (item.marks.isEmpty()) {
            if (!FileWork::entryAt(item.trashed, &there))
                Trash::forget(item.info);
        } else if (cutShort->kind != Journal::ToTrash
                   && Trash::putBack({ item.place, item.trashed, item.info, QByteArray() })) {
            // A replace whose entry never came: what it put aside goes back. What a move to
            // the trash put there was what it was to do.
            item.marks.clear();
            ++m_result.putBack;
            m_result.ran = true;
        }
    }
}

// The moves cut short whose copies are whole, not taken back: flushed, then their sources go.
void Operation::finishMoves(Journal::Operation *cutShort)
{
    m_shows = CommandRunner::Writing;
    for (Journal::Entry &entry : cutShort->entries) {
        if (entry.recovery != Journal::Entry::FinishOrTakeBack)
            continue;
        m_shown = FileName::lastPart(entry.source);
        m_result.ran = true;
        if (runCommand(*ShellCommand::form(R"(sync -f "%s")", { entry.destination }), nullptr,
                       Reported)) {
            entry.copied = true;
            entry.recovery = Journal::Entry::Nothing;
            runCommand(*ShellCommand::form(R"(rm -rf "%s")", { entry.source }), nullptr, Reported);
        }
    }
}

// Each done entry, the last first, by the rules of Undo, one command each; then each entry that
// a replace put in the trash, back to its place. What cannot be taken back is kept with the
// reason: a replaced entry that left the trash is named where it was in the trash, and one whose
// place holds what the operation made there (a copy that was changed since) stays in the trash.
void Operation::takeBack(const Journal::Operation &operation)
{
    // Undo is not undone, and a second undo of the same would find nothing of its own.
    m_journal.forgetLast();
    m_result.undoable = m_journal.canUndo();
    m_result.agreed = m_result.ran = true;
    m_result.entries = operation.count(Journal::Done) + operation.inTheTrash();
    m_several = true;
    m_shows = CommandRunner::TakingBack;
    QSet<QString> kept; // what the operation made and undo leaves
    for (qsizetype i = operation.entries.size() - 1; i >= 0 && !m_runner.stopped(); --i) {
        const Journal::Entry &entry = operation.entries[i];
        if (entry.state != Journal::Done)
            continue;
        Undo::Step step = Undo::check(operation.kind, entry);
        if (step.verdict == Undo::Possible && step.command.isEmpty())
            step.verdict = sendBackToTheTrash(entry.destination);
        else if (step.verdict == Undo::Possible)
            takeBack(step.command, entry.source, entry.destination);
        if (step.verdict == Undo::Possible
            && (m_runner.stopped() || Undo::tookBack(operation.kind, entry)))
            continue;
        m_result.notTakenBack.append({ step.verdict, entry.destination });
        kept.insert(entry.destination);
    }
    for (const Journal::Entry &entry : operation.entries) {
        struct stat there;
        if (entry.state != Journal::Done && FileWork::entryAt(entry.destination, &there))
            kept.insert(entry.destination);
    }
    for (qsizetype i = operation.trashed.size() - 1; i >= 0 && !m_runner.stopped(); --i) {
        const Journal::Trashed &item = operation.trashed[i];
        if (item.marks.isEmpty())
            continue;
        Undo::Step step = Undo::check(item);
        if (step.verdict == Undo::Possible) {
            takeBack(step.command, item.place, item.place);
            if (Undo::tookBack(item))
                Trash::forget(item.info);
            if (m_runner.stopped() || Undo::tookBack(item))
                continue;
        }
        if (step.verdict == Undo::Gone)
            step.verdict = Undo::NotInTrash;
        else if (step.verdict == Undo::NameTaken && kept.contains(item.place))
            step.verdict = Undo::StaysInTrash;
        const bool inTrash = step.verdict == Undo::NotInTrash || step.verdict == Undo::StaysInTrash;
        m_result.notTakenBack.append({ step.verdict, inTrash ? item.trashed : item.place });
    }
    m_result.stopped = m_runner.stopped();
}

// What a restore brought back goes to the trash again, by the rules of a move to the trash.
Undo::Verdict Operation::sendBackToTheTrash(const QString &path)
{
    const std::optional<Trash::Put> put = Trash::prepare(path);
    if (!put)
        return Undo::NoTrash;
    takeBack(put->command, QString(), path);
    struct stat there;
    if (!FileWork::entryAt(put->trashed, &there))
        Trash::forget(put->info);
    return Undo::Possible;
}

// One command that takes back: a move back finds the folder it came from, made again where it
// went (a folder that a merge emptied and removed).
void Operation::takeBack(const QByteArray &line, const QString &place, const QString &shown)
{
    if (!place.isEmpty())
        QDir().mkpath(FileName::parentOf(place));
    m_shown = FileName::lastPart(shown);
    runCommand(line);
}
