// Taking back the last create folder, rename, copy or move, and what of an operation cut short
// by the program's end was done.
#include "browser/filedialog.h"

#include "browser/fileops/operationrunner.h"
#include "core/names/filename.h"
#include "core/operation/undo.h"
#include "core/shell/progresscounter.h"
#include "lang/languagecatalog.h"
#include "platform/zmessagedlg.h"
#include "runner/deathdlg.h"

#include <QThread>

namespace {

// By Journal::Kind.
const char *const undoKeys[]
        = { "BR_UNDO_MOVE", "BR_UNDO_RENAME", "BR_UNDO_COPY", "BR_UNDO_MKDIR" };

// What an operation cut short was doing, before its folder.
const char *unfinishedKey(Journal::Kind kind)
{
    switch (kind) {
    case Journal::Move:
        return "BR_UNFINISHED_MOVE";
    case Journal::Copy:
        return "BR_UNFINISHED_COPY";
    case Journal::Rename:
        return "BR_UNFINISHED_RENAME";
    case Journal::NewFolder:
        break;
    }
    return "BR_UNFINISHED_MKDIR";
}
// By Undo::Verdict.
const char *const reasonKeys[] = { "BR_UNDO_FAILED",     "BR_UNDO_GONE",      "BR_UNDO_CHANGED",
                                   "BR_UNDO_NAME_TAKEN", "BR_UNDO_NOT_EMPTY", "BR_UNDO_TOO_LONG" };

} // namespace

// The operation has run: what it did is on record, and the menu offers to undo it if anything.
void fileDialog::journalEnded()
{
    m_journal->end();
    m_canUndo = m_journal->doneEntries() > 0;
    rebuildMenu(mode);
}

void fileDialog::undo()
{
    const std::optional<Journal::Operation> last = m_journal->last();
    if (!last || last->count(Journal::Done) == 0) {
        m_canUndo = false;
        rebuildMenu(mode);
        return;
    }
    const bool several = last->kind == Journal::Move || last->kind == Journal::Copy;
    QString text = catalog->lookup(undoKeys[last->kind])
                   + (several ? last->folder : last->entries.first().destination)
                   + catalog->lookup("BR_QUESTION_END");
    if (several)
        text += u'\n' + catalog->lookup("BR_ENTRIES")
                + ProgressCounter::formatCount(last->count(Journal::Done));
    if (last->replaced > 0)
        text += u'\n' + catalog->lookup("BR_REPLACED_STAY")
                + ProgressCounter::formatCount(last->replaced);
    if (askQuestion(catalog->lookup("BR_UNDO"), text))
        takeBack(*last);
}

void fileDialog::reportInterrupted()
{
    std::optional<Journal::Operation> last = m_journal->last();
    if (!last || last->finished)
        return;
    // A command of it that outlived the program goes on: the report waits for its end (or the
    // user stops it), so that it tells what was done.
    if (!last->stillRunning.isEmpty()) {
        if (!whileWaiting(
                    [&](const std::function<bool()> &keepGoing) {
                        while (m_journal->isHeld() && keepGoing())
                            QThread::msleep(50);
                    },
                    catalog->lookup("BR_STILL_RUNNING")))
            Journal::stopCommands(last->stillRunning);
        last = m_journal->last();
        if (!last || last->finished)
            return;
    }
    Journal::settle(&*last);
    const int done = last->count(Journal::Done);
    const QString text = catalog->lookup(unfinishedKey(last->kind)) + last->folder + u'\n'
                         + catalog->lookup("BR_DONE") + ProgressCounter::formatCount(done) + u'\n'
                         + catalog->lookup("BR_NOT_DONE")
                         + ProgressCounter::formatCount(last->planned - done);
    // Nothing done is nothing to take back: then only a notice.
    bool takeBackDone = false;
    if (done > 0) {
        takeBackDone = askQuestion(catalog->lookup("BR_INTERRUPTED"),
                                   text + u'\n' + catalog->lookup("BR_TAKE_BACK_DONE"));
    } else {
        auto *notice = new ZMessageDlg(catalog->lookup("BR_INTERRUPTED"), text, ZMessageDlg::Notice,
                                       0, nullptr, nullptr, true, 0);
        notice->setTitleIcon(QStringLiteral("info_pop.bmp"));
        notice->exec();
        delete notice;
    }
    // Either way it is settled now: nothing else is run for it.
    m_journal->clear();
    m_canUndo = false;
    if (takeBackDone)
        takeBack(*last);
    else
        rebuildMenu(mode);
}

// Each done entry, the last first, by the rules of Undo, one command each behind one wait popup;
// what cannot be taken back is said in one notice at the end.
void fileDialog::takeBack(const Journal::Operation &operation)
{
    // Undo is not undone, and a second undo of the same would find nothing of its own.
    m_journal->clear();
    m_canUndo = false;
    const QString title = catalog->lookup("BR_UNDO");
    // Moves go back, copies and new folders are removed.
    const bool movesBack = operation.kind == Journal::Move || operation.kind == Journal::Rename;
    OperationRunner runner(
            title, stopQuestion(movesBack ? OperationPlan::Move : OperationPlan::Delete), true);
    QStringList notTaken;
    for (qsizetype i = operation.entries.size() - 1; i >= 0 && !runner.stopped(); --i) {
        const Journal::Entry &entry = operation.entries[i];
        if (entry.state != Journal::Done)
            continue;
        const QString shown = FileName::forDisplay(entry.destination);
        const Undo::Step step = Undo::check(operation.kind, entry);
        if (step.verdict == Undo::Possible) {
            runner.run(shown.mid(shown.lastIndexOf(u'/') + 1), catalog->lookup("BR_PLEASEWAIT"),
                       step.command);
            if (runner.stopped() || Undo::tookBack(operation.kind, entry))
                continue;
        }
        notTaken << catalog->lookup(reasonKeys[step.verdict]) + shown;
    }
    runner.close();
    if (!runner.failures().isEmpty())
        deathDlg::showOutput(runner.failures(), title);
    showStopped(runner, title, operation.count(Journal::Done));
    if (!notTaken.isEmpty()) {
        auto *notice = new ZMessageDlg(
                title, catalog->lookup("BR_NOT_TAKEN_BACK") + u'\n' + notTaken.join(u'\n'),
                ZMessageDlg::Notice, 0, nullptr, nullptr, true, 0);
        notice->setTitleIcon(QStringLiteral("info_pop.bmp"));
        notice->exec();
        delete notice;
    }
    // An undone new folder may be the one on screen.
    showDir(isListable(currentDir) ? currentDir : nearestListableAbove(currentDir), mode);
}
