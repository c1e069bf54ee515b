// SPDX-License-Identifier: GPL-3.0-or-later
// Taking back the last create folder, rename, copy or move, and what of an operation cut short
// by the program's end was done.
#include "browser/filedialog.h"

#include "core/folder/folderpath.h"

namespace {

// A stop while moves are taken back leaves what a move leaves; copies and new folders are
// removed.
OperationPlan::Kind stopping(const std::optional<Journal::Operation> &last)
{
    return last && (last->kind == Journal::Move || last->kind == Journal::Rename)
                   ? OperationPlan::Move
                   : OperationPlan::Delete;
}

} // namespace

void fileDialog::takeBack(Operation::Result (Operation::*how)())
{
    // An undone new folder may be the one on screen.
    if (perform("BR_UNDO", stopping(m_journal->last()), true, std::mem_fn(how)).ran)
        showDir(FolderPath::isListable(currentDir) ? currentDir
                                                   : FolderPath::nearestListableAbove(currentDir),
                mode);
}
