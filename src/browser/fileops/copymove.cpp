// Copy and move in two steps (remember the source, then pick the destination), and the
// operations on the checked entries.
#include "filedialog.h"

#include "languagecatalog.h"
#include "zlistbox.h"

#include <cstdio>

namespace {

bool isSkipped(const QString &name)
{
    return name.isEmpty() || name == QLatin1String("..");
}

} // namespace

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
        std::printf("%s\n", name.toUtf8().constData());
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

void fileDialog::secondStep(bool copying)
{
    if (sourcePath.isEmpty())
        return;
    const QString title = catalog->lookup(copying ? "BR_COPY" : "BR_MOVE");
    auto questionText = [&](const char *key) {
        return catalog->lookup(key) + sourcePath + QStringLiteral(" -> ") + currentDir
               + QStringLiteral(" ?");
    };

    if (!multiPending) {
        if (askQuestion(title, questionText(copying ? "BR_CONFIRM_COPY" : "BR_CONFIRM_MOVE"))) {
            if (runCommand(QStringLiteral(""), catalog->lookup("BR_PLEASEWAIT"),
                           copying ? R"(cp -a "%s" "%s/")" : R"(mv "%s" "%s/")",
                           { sourcePath, currentDir }))
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
        const QString doing = catalog->lookup(copying ? "BR_COPYING" : "BR_MOVING");
        for (const QString &name : std::as_const(selectedNames)) {
            if (isSkipped(name))
                continue;
            // A failure has shown its log; the next entry goes on regardless.
            runCommand(name, doing + name,
                       copying ? R"(cp -a "%s/%s" "%s/")" : R"(mv "%s/%s" "%s/")",
                       { sourcePath, name, currentDir });
        }
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
    secondStep(true);
}

void fileDialog::move_to()
{
    secondStep(false);
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
    const QString doing = catalog->lookup("BR_DELETING");
    for (const QString &name : std::as_const(selectedNames)) {
        if (!isSkipped(name))
            runCommand(name, doing + name, R"(rm -rf "%s/%s")", { currentDir, name });
    }
    showDir(currentDir, Browse);
}
