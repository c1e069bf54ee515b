// Copy and move in two steps (remember the source, then pick the destination), and the
// operations on the checked entries.
#include "browser/filedialog.h"

#include "browser/fileops/operationrunner.h"
#include "core/filename.h"
#include "lang/languagecatalog.h"
#include "platform/zlistbox.h"

#include <cstdio>

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
    const bool copying = kind == OperationPlan::Copy;
    const QString title = catalog->lookup(copying ? "BR_COPY" : "BR_MOVE");
    auto questionText = [&](const char *key) {
        return catalog->lookup(key) + sourcePath + QStringLiteral(" -> ") + currentDir
               + QStringLiteral(" ?");
    };

    if (!multiPending) {
        if (askQuestion(title, questionText(copying ? "BR_CONFIRM_COPY" : "BR_CONFIRM_MOVE"))) {
            const OperationPlan plan = OperationPlan::single(kind, sourcePath, currentDir);
            OperationRunner runner(title, stopQuestion(kind), false);
            if (runStep(runner, plan.step(0), title, QStringLiteral(""),
                        catalog->lookup("BR_PLEASEWAIT")))
                showDir(currentDir, Browse);
        }
        sourcePath = QStringLiteral("");
        return;
    }

    if (selectedNames.isEmpty()) {
        showDir(currentDir, Browse);
        return;
    }
    if (askQuestion(title,
                    questionText(copying ? "BR_CONFIRM_COPY_MULTI" : "BR_CONFIRM_MOVE_MULTI"))) {
        runEntries(OperationPlan::multiple(kind, sourcePath, selectedNames, currentDir), title,
                   catalog->lookup(copying ? "BR_COPYING" : "BR_MOVING"));
        showDir(currentDir, Browse);
    }
    sourcePath = QStringLiteral("");
}

void fileDialog::copy()
{
    firstStep(PickCopyTarget);
}

void fileDialog::move()
{
    firstStep(PickMoveTarget);
}

void fileDialog::multi_copy()
{
    multiFirstStep(PickCopyTarget);
}

void fileDialog::multi_move()
{
    multiFirstStep(PickMoveTarget);
}

void fileDialog::copy_to()
{
    secondStep(OperationPlan::Copy);
}

void fileDialog::move_to()
{
    secondStep(OperationPlan::Move);
}

void fileDialog::multi_del()
{
    selectedNames = collectCheckedNames();
    if (selectedNames.isEmpty()) {
        showDir(currentDir, Browse);
        return;
    }
    if (!askQuestion(catalog->lookup("BR_DELETE"), catalog->lookup("BR_CONFIRM_DELETE_MULTI")))
        return;
    runEntries(OperationPlan::multiple(OperationPlan::Delete, currentDir, selectedNames),
               catalog->lookup("BR_DELETE"), catalog->lookup("BR_DELETING"));
    showDir(currentDir, Browse);
}
