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
    const QStringList names = mode == MultiSelect ? list->checkedTexts() : QStringList();
    if (names.isEmpty())
        return names;
    std::printf("get item list:\n");
    for (const QString &name : names) {
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
    sourcePath
            = name.isEmpty() || name == QLatin1String("..") ? QStringLiteral("") : childPath(name);
    if (sourcePath.isEmpty())
        return;
    // The entry as the user picked it: another put in its place while the destination is
    // picked is never taken for it.
    m_chosen = OperationPlan::single(OperationPlan::Delete, sourcePath).chosen();
    showDir(currentDir, pickMode);
}

void fileDialog::multiFirstStep(int pickMode)
{
    sourcePath = currentDir;
    // Before the listing, which rebuilds the rows and their check boxes.
    selectedNames = collectCheckedNames();
    m_chosen = OperationPlan::multiple(OperationPlan::Delete, sourcePath, selectedNames).chosen();
    showDir(currentDir, pickMode);
}

void fileDialog::secondStep(OperationPlan::Kind kind)
{
    if (sourcePath.isEmpty())
        return;
    if (multiPending && selectedNames.isEmpty())
        return showDir(currentDir, Browse);
    OperationPlan plan
            = multiPending ? OperationPlan::multiple(kind, sourcePath, selectedNames, currentDir)
                           : OperationPlan::single(kind, sourcePath, currentDir);
    plan.setChosen(m_chosen);
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
    if (selectedNames.isEmpty())
        return showDir(currentDir, Browse);
    if (perform("BR_DELETE", OperationPlan::Delete, true,
                std::bind(
                        &Operation::run, _1,
                        OperationPlan::multiple(OperationPlan::Delete, currentDir, selectedNames)))
                .ran)
        showDir(currentDir, Browse);
}
