// SPDX-License-Identifier: GPL-3.0-or-later
// Copy and move in two steps (remember the source, then pick the destination), and the
// operations on the checked entries.
#include "browser/filedialog.h"

#include "core/names/filename.h"
#include "platform/zlistbox.h"

#include <cstdio>

using std::placeholders::_1;

QStringList fileDialog::collectCheckedNames()
{
    QStringList names;
    if (mode != MultiSelect)
        return names;
    const std::vector<int> rows = list->itemsChecked();
    if (rows.empty())
        return names;
    std::printf("get item list:\n");
    for (const int row : rows) {
        const QString name = list->item(row)->getSubItemText(textColumn, 0, true);
        names.append(name);
        // The name's own bytes, whatever they are.
        const QByteArray bytes = FileName::toBytes(name);
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fputc('\n', stdout);
    }
    std::printf("================\n");
    std::fflush(stdout);
    return names;
}

void fileDialog::firstStep(int pickMode)
{
    const QString name = currentItemName();
    if (name.isNull() || name == QLatin1String("..")) {
        sourcePath = QStringLiteral("");
        return;
    }
    sourcePath = childPath(name);
    showDir(currentDir, pickMode);
}

void fileDialog::multiFirstStep(int pickMode)
{
    sourcePath = currentDir;
    // Before the listing, which rebuilds the rows and their check boxes.
    selectedNames = collectCheckedNames();
    showDir(currentDir, pickMode);
}

void fileDialog::secondStep(OperationPlan::Kind kind)
{
    if (sourcePath.isEmpty())
        return;
    if (multiPending && selectedNames.isEmpty()) {
        showDir(currentDir, Browse);
        return;
    }
    const OperationPlan plan
            = multiPending ? OperationPlan::multiple(kind, sourcePath, selectedNames, currentDir)
                           : OperationPlan::single(kind, sourcePath, currentDir);
    // Asked or not, nothing is pending any more.
    sourcePath = QStringLiteral("");
    if (perform(kind == OperationPlan::Copy ? "BR_COPY" : "BR_MOVE", kind, plan.isMultiple(),
                std::bind(&Operation::run, _1, plan))
                .ran)
        showDir(currentDir, Browse);
}

void fileDialog::multi_del()
{
    selectedNames = collectCheckedNames();
    if (selectedNames.isEmpty()) {
        showDir(currentDir, Browse);
        return;
    }
    if (perform("BR_DELETE", OperationPlan::Delete, true,
                std::bind(
                        &Operation::run, _1,
                        OperationPlan::multiple(OperationPlan::Delete, currentDir, selectedNames)))
                .ran)
        showDir(currentDir, Browse);
}
