// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/undo.h"

#include "core/folder/entryidentity.h"
#include "core/folder/targetfilesystem.h"
#include "core/names/filename.h"
#include "core/operation/filework.h"
#include "core/operation/marks.h"
#include "core/operation/operationplan.h"
#include "core/shell/shellcommand.h"

#include <dirent.h>
#include <sys/stat.h>

namespace {

bool exists(const QString &path)
{
    struct stat info;
    return ::lstat(FileName::toBytes(path).constData(), &info) == 0;
}

bool isEmptyFolder(const QString &path)
{
    DIR *folder = ::opendir(FileName::toBytes(path).constData());
    if (!folder)
        return false;
    int entries = 0;
    while (const dirent *entry = ::readdir(folder))
        entries += QByteArrayView(entry->d_name) != "." && QByteArrayView(entry->d_name) != "..";
    ::closedir(folder);
    return entries == 0;
}

// Whether everything of a copy still stands in its source as it was copied: each entry there,
// each file of the same size and time (cp -a keeps the time). Where not, the copy
// may be all that is left of it.
bool sourceStillHolds(const Journal::Entry &entry, const QVector<Journal::Mark> &marks)
{
    const QByteArray source = FileName::toBytes(entry.source);
    const QByteArray copy = FileName::toBytes(entry.destination);
    for (const Journal::Mark &mark : marks) {
        struct stat there, copied;
        const QByteArray inside = mark.path.mid(1);
        if (::lstat((source + inside).constData(), &there) != 0
            || ::lstat((copy + inside).constData(), &copied) != 0)
            return false;
        if (S_ISREG(copied.st_mode)
            && (!S_ISREG(there.st_mode) || there.st_size != copied.st_size
                || there.st_mtim.tv_sec != copied.st_mtim.tv_sec
                || there.st_mtim.tv_nsec != copied.st_mtim.tv_nsec))
            return false;
    }
    return true;
}

} // namespace

Undo::Step Undo::check(Journal::Kind kind, const Journal::Entry &entry)
{
    Step step;
    const bool copy = kind == Journal::Copy;
    const QVector<Journal::Mark> now = Marks::of(entry.destination, copy);
    if (now.isEmpty() || entry.marks.isEmpty() || now.first().device != entry.marks.first().device
        || now.first().inode != entry.marks.first().inode
        || now.first().born != entry.marks.first().born)
        return step; // Gone
    std::optional<QByteArray> command;
    // A move cut short whose copy is whole and whose source was never touched: the copy goes.
    const bool sourceWhole = entry.recovery == Journal::Entry::FinishOrTakeBack;
    switch (kind) {
    case Journal::Restore:
        if (!entry.inside) {
            step.verdict = Possible;
            return step;
        }
        // Inside a folder it merged into: back into the folder in the trash, as a move.
        [[fallthrough]];
    case Journal::Move:
    case Journal::Rename:
        if (sourceWhole) {
            command = ShellCommand::form(R"(rm -rf "%s")", { entry.destination });
            break;
        }
        // Back to a name that differs only in case, on a file system that ignores it.
        if (OperationPlan::isCaseOnlyRename(entry.destination, entry.source)) {
            command = OperationPlan::caseRenameCommand(entry.destination, entry.source);
            break;
        }
        // Moved or renamed, it may have been changed since: it is still the user's entry.
        if (exists(entry.source)) {
            step.verdict = NameTaken;
            return step;
        }
        // -T: never into a folder that took the old name meanwhile; -n: never over an entry.
        // Back from another file system as it went there: the copy on the disk before the
        // removal.
        command = entry.copied ? ShellCommand::form(
                          R"(cp -a -T "%s" "%s" && sync -f "%s" && )"
                          R"(rm -rf "%s")",
                          { entry.destination, entry.source, entry.source, entry.destination })
                               : ShellCommand::form(R"(mv -T -n "%s" "%s")",
                                                    { entry.destination, entry.source });
        break;
    case Journal::Copy:
        // Never the source itself, whatever the record says.
        if (EntryIdentity::of(entry.destination) == EntryIdentity::of(entry.source)) {
            step.verdict = Gone;
            return step;
        }
        if (now != entry.marks) {
            step.verdict = Changed;
            return step;
        }
        // Its source deleted or changed since, in whole or in part, the copy may be all there
        // is of it: it stays. On a card, names inside may be mapped and times coarse: there the
        // source itself must stand. The file system is looked up only where the answer depends
        // on it.
        if (!sourceStillHolds(entry, now)
            && (!exists(entry.source)
                || !TargetFileSystem::of(FileName::toBytes(entry.destination)).card)) {
            step.verdict = OnlyCopy;
            return step;
        }
        command = ShellCommand::form(R"(rm -rf "%s")", { entry.destination });
        break;
    case Journal::ToTrash:
        break; // its entries are trashed items
    case Journal::NewFolder:
        if (!isEmptyFolder(entry.destination)) {
            step.verdict = NotEmpty;
            return step;
        }
        command = ShellCommand::form(R"(rmdir "%s")", { entry.destination });
        break;
    }
    step.verdict = command ? Possible : TooLong;
    step.command = command.value_or(QByteArray());
    return step;
}

bool Undo::tookBack(Journal::Kind kind, const Journal::Entry &entry)
{
    if (kind == Journal::Restore && !entry.inside)
        return !exists(entry.destination);
    const bool back = (kind != Journal::Move && kind != Journal::Rename && kind != Journal::Restore)
                      || exists(entry.source);
    // Back under a name that differs only in case: either name finds it, the folder lists one.
    if (OperationPlan::isCaseOnlyRename(entry.destination, entry.source))
        return FileWork::listsExactly(entry.source);
    return back && !exists(entry.destination);
}

Undo::Step Undo::check(const Journal::Trashed &item)
{
    Step step;
    const QVector<Journal::Mark> now = Marks::of(item.trashed, false);
    if (now.isEmpty() || item.marks.isEmpty() || now.first().device != item.marks.first().device
        || now.first().inode != item.marks.first().inode
        || now.first().born != item.marks.first().born)
        return step; // Gone
    if (exists(item.place)) {
        step.verdict = NameTaken;
        return step;
    }
    const std::optional<QByteArray> command
            = ShellCommand::form(R"(mv -T -n "%s" "%s")", { item.trashed, item.place });
    step.verdict = command ? Possible : TooLong;
    step.command = command.value_or(QByteArray());
    return step;
}

bool Undo::tookBack(const Journal::Trashed &item)
{
    return exists(item.place) && !exists(item.trashed);
}
