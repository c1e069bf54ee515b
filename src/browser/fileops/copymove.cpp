// Copy and move in two steps (remember the source, then pick the destination), and the
// operations on the checked entries.
#include "browser/filedialog.h"

#include "browser/fileops/operationrunner.h"
#include "core/names/filename.h"
#include "core/shell/progresscounter.h"
#include "lang/languagecatalog.h"
#include "platform/zlistbox.h"
#include "platform/zsingleselectdlg.h"

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
    if (multiPending && selectedNames.isEmpty()) {
        showDir(currentDir, Browse);
        return;
    }
    const char *key = multiPending ? (copying ? "BR_CONFIRM_COPY_MULTI" : "BR_CONFIRM_MOVE_MULTI")
                                   : (copying ? "BR_CONFIRM_COPY" : "BR_CONFIRM_MOVE");
    const QString question = catalog->lookup(key) + sourcePath + QStringLiteral(" -> ") + currentDir
                             + catalog->lookup("BR_QUESTION_END");
    const OperationPlan plan
            = multiPending ? OperationPlan::multiple(kind, sourcePath, selectedNames, currentDir)
                           : OperationPlan::single(kind, sourcePath, currentDir);
    Decision decision;
    const bool agreed = decideBeforeTheWork(plan, title, question, &decision);
    sourcePath = QStringLiteral("");
    if (!agreed)
        return;
    if (multiPending) {
        m_journal->begin(copying ? Journal::Copy : Journal::Move, currentDir, plan.count());
        runEntries(plan, title, catalog->lookup(copying ? "BR_COPYING" : "BR_MOVING"), decision);
        journalEnded();
        showDir(currentDir, Browse);
        return;
    }
    if (!decision.unstorable.isEmpty())
        return; // its own name cannot be stored there
    m_journal->begin(copying ? Journal::Copy : Journal::Move, currentDir);
    OperationRunner runner(title, stopQuestion(kind), false, m_journal->descriptor());
    const bool ran = runStep(runner, plan.step(0), title, QStringLiteral(""),
                             catalog->lookup("BR_PLEASEWAIT"), decision.resolution);
    journalEnded();
    if (ran)
        showDir(currentDir, Browse);
    showStopped(runner, title, 1);
}

// Everything asked before a copy or move runs, in this order, each only when it applies: the
// question with what the work holds; whether to go on when it does not fit; whether to go on
// when names cannot be stored there; one choice for every entry that exists there already.
// Whatever ends it here ends it before anything at the destination changes.
bool fileDialog::decideBeforeTheWork(const OperationPlan &plan, const QString &title,
                                     const QString &question, Decision *decision)
{
    OperationPlan::Look look;
    if (!whileWaiting([&](const std::function<bool()> &keepGoing) { look = plan.look(keepGoing); }))
        return false;
    QString text = question + u'\n' + catalog->lookup("BR_ENTRIES")
                   + ProgressCounter::formatCount(plan.count());
    if (plan.kind() == OperationPlan::Copy || look.crossesFileSystems)
        text += QStringLiteral(" (%1)").arg(ProgressCounter::formatBytes(look.bytes));
    if (look.crossesFileSystems)
        text += u'\n' + catalog->lookup("BR_MOVE_COPIES");
    if (look.linksOntoFolders > 0)
        text += u'\n' + catalog->lookup("BR_LINKS_KEPT_APART")
                + ProgressCounter::formatCount(look.linksOntoFolders);
    if (look.caseClashes > 0)
        text += u'\n' + catalog->lookup("BR_CASE_KEPT_APART")
                + ProgressCounter::formatCount(look.caseClashes);
    if (!askQuestion(title, text))
        return false;
    if (look.freeBytes >= 0 && look.bytes > look.freeBytes
        && !askQuestion(catalog->lookup("BR_NOT_ENOUGH_SPACE"),
                        catalog->lookup("BR_SPACE_NEEDED")
                                + ProgressCounter::formatBytes(look.bytes) + u'\n'
                                + catalog->lookup("BR_SPACE_FREE")
                                + ProgressCounter::formatBytes(look.freeBytes) + u'\n'
                                + catalog->lookup("BR_GO_ON_ANYWAY")))
        return false;
    if (look.unstorable > 0
        && !askQuestion(catalog->lookup("BR_NAMES_NOT_STORED"),
                        catalog->lookup("BR_NAMES_CANNOT_BE_STORED")
                                + ProgressCounter::formatCount(look.unstorable) + u'\n'
                                + look.firstUnstorable.join(u'\n') + u'\n'
                                + catalog->lookup("BR_GO_ON_ANYWAY")))
        return false;
    decision->unstorable = look.unstorableEntries;
    if (look.conflicts == 0)
        return true;
    auto *choice = new ZSingleSelectDlg(
            title, catalog->lookup("BR_EXIST_THERE") + ProgressCounter::formatCount(look.conflicts),
            { catalog->lookup("BR_REPLACE_ALL"), catalog->lookup("BR_SKIP_EXISTING"),
              catalog->lookup("BR_KEEP_BOTH"), catalog->lookup("BR_DECIDE_EACH") });
    const bool chosen = choice->exec() == 1;
    // In the order of the list.
    decision->resolution = OperationPlan::Resolution(choice->selectedIndex());
    delete choice;
    return chosen;
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
               catalog->lookup("BR_DELETE"), catalog->lookup("BR_DELETING"), Decision());
    showDir(currentDir, Browse);
}
