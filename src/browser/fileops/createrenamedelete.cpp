// SPDX-License-Identifier: GPL-3.0-or-later
// Creating a folder, and renaming and deleting the highlighted entry.
#include "browser/filedialog.h"

#include "core/names/filename.h"
#include "core/names/namecheck.h"

using std::placeholders::_1;

bool fileDialog::isValidName(const QString &name)
{
    return NameCheck::isValid(name);
}

QString fileDialog::childPath(const QString &name) const
{
    // A result's path is its own, below the search's start.
    return mode == SearchView ? resultPath(list->currentItem()) : FileName::join(currentDir, name);
}

void fileDialog::createDir()
{
    if (perform("BR_MKDIR", OperationPlan::Delete, false,
                std::bind(&Operation::createFolder, _1, currentDir))
                .ran)
        showDir(currentDir, mode);
}

void fileDialog::rename()
{
    const QString name = currentItemName();
    if (name.isEmpty() || name == QLatin1String(".."))
        return;
    sourcePath = childPath(name);
    const bool ran = perform("BR_RENAME", OperationPlan::Move, false,
                             std::bind(&Operation::rename, _1, sourcePath))
                             .ran;
    if (ran && mode == SearchView) {
        const std::optional<Journal::Operation> last = m_journal->last();
        return recheckResult(sourcePath, last && !last->entries.isEmpty()
                                                 ? last->entries.constFirst().destination
                                                 : QString());
    }
    if (ran)
        showDir(currentDir, mode);
}

void fileDialog::del()
{
    const QString name = currentItemName();
    if (name.isEmpty() || name == QLatin1String(".."))
        return;
    sourcePath = childPath(name);
    if (perform("BR_DELETE", OperationPlan::Delete, false,
                std::bind(&Operation::run, _1,
                          OperationPlan::single(OperationPlan::Delete, sourcePath)))
                .ran)
        mode == SearchView ? recheckResult(sourcePath) : showDir(currentDir, Browse);
    sourcePath = QStringLiteral("");
}
