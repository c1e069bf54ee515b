// Running the commands of an operation: refusing an entry, asking before replacing one, the wait
// popup, and showing the failures of an operation on several entries together.
#include "browser/filedialog.h"

#include "browser/fileops/operationrunner.h"
#include "core/names/filename.h"
#include "core/shell/progresscounter.h"
#include "core/shell/shellcommand.h"
#include "lang/languagecatalog.h"
#include "platform/zmessagedlg.h"
#include "runner/deathdlg.h"

void fileDialog::showError(const char *key)
{
    auto *notice = new ZMessageDlg(catalog->lookup("BR_ERROR"), catalog->lookup(key),
                                   ZMessageDlg::Notice, 0, nullptr, nullptr, true, 0);
    notice->setTitleIcon(QStringLiteral("error_pop.bmp"));
    notice->exec();
    delete notice;
}

// What a stop leaves, said before it is done, for the operation at hand.
QString fileDialog::stopQuestion(OperationPlan::Kind kind) const
{
    const char *leaves = kind == OperationPlan::Copy   ? "BR_STOP_COPY"
                         : kind == OperationPlan::Move ? "BR_STOP_MOVE"
                                                       : "BR_STOP_DELETE";
    return catalog->lookup("BR_CONFIRM_STOP") + u'\n' + catalog->lookup(leaves);
}

// Runs one command behind the operation's wait popup; a command that would not fit is refused
// with a notice instead.
bool fileDialog::runCommand(OperationRunner &runner, const QString &title, const QString &text,
                            const QByteArray &command)
{
    if (command.isEmpty() || command.size() > ShellCommand::maxLength) {
        showError("BR_TOO_LONG");
        return false;
    }
    runner.run(title, text, command);
    return true;
}

// A question in the middle of an operation: the wait popup, which still names the entry before,
// is out of the way while it is open, and comes back with the next command.
bool fileDialog::askOverTheWork(OperationRunner &runner, const QString &title, const QString &text)
{
    runner.hide();
    return askQuestion(title, text);
}

// One planned entry: refused with a notice, or, when another entry of its name stands at the
// destination, run only as the user decided. Returns whether anything of it ran.
bool fileDialog::runStep(OperationRunner &runner, const OperationPlan::Step &step,
                         const QString &questionTitle, const QString &runnerTitle,
                         const QString &runnerText, OperationPlan::Resolution resolution,
                         bool remember)
{
    const auto keepApart = [&] {
        if (step.keepBothCommand.isEmpty()) {
            showError("BR_TOO_LONG");
            return false;
        }
        OperationPlan::Step apart = step;
        apart.destination = step.keepBothDestination;
        apart.command = step.keepBothCommand;
        runWhole(runner, apart, questionTitle, runnerTitle, runnerText, resolution, remember);
        return true;
    };
    switch (step.verdict) {
    case OperationPlan::IntoItself:
        showError("BR_INTO_ITSELF");
        return false;
    case OperationPlan::HoldsSource:
        showError("BR_HOLDS_SOURCE");
        return false;
    case OperationPlan::TooLong:
        showError("BR_TOO_LONG");
        return false;
    case OperationPlan::CaseClash:
        return keepApart();
    case OperationPlan::LinkOntoFolder:
        if (resolution == OperationPlan::SkipExisting)
            return false;
        if (resolution == OperationPlan::DecideEach
            && !askOverTheWork(runner, questionTitle,
                               catalog->lookup("BR_KEEP_LINK_APART") + step.destination
                                       + catalog->lookup("BR_QUESTION_END")))
            return false;
        return keepApart();
    case OperationPlan::Conflict:
        if (resolution == OperationPlan::SkipExisting)
            return false;
        if (resolution == OperationPlan::KeepBoth)
            return keepApart();
        if (resolution == OperationPlan::DecideEach
            && !askOverTheWork(runner, questionTitle,
                               catalog->lookup("BR_CONFIRM_REPLACE") + step.destination
                                       + catalog->lookup("BR_QUESTION_END")))
            return false;
        replaceEntry(runner, step, questionTitle, runnerTitle, runnerText, resolution, remember);
        return true;
    case OperationPlan::Clear:
    case OperationPlan::SameEntry:
        break;
    }
    runWhole(runner, step, questionTitle, runnerTitle, runnerText, resolution, remember);
    return true;
}

// An entry that nothing stands in the way of: its command, or, for a tree that the command would
// spoil, its folder made and what it holds taken across one by one.
void fileDialog::runWhole(OperationRunner &runner, const OperationPlan::Step &step,
                          const QString &questionTitle, const QString &runnerTitle,
                          const QString &runnerText, OperationPlan::Resolution resolution,
                          bool remember)
{
    // A delete cannot be taken back.
    const int entry = remember && step.kind != OperationPlan::Delete
                              ? m_journal->intend(step.source, step.destination)
                              : -1;
    if (!OperationPlan::goesEntryByEntry(step, false)) {
        runner.run(runnerTitle, runnerText, step.command, step.source, step.destination,
                   step.kind == OperationPlan::Move);
        m_journal->finish(entry, runner.succeeded());
        return;
    }
    const bool made = OperationPlan::makeFolder(step);
    if (made)
        runInside(runner, step, questionTitle, runnerTitle, runnerText, resolution, true);
    else
        runner.fail(step.command, FileName::toBytes(step.destination) + ": cannot be made");
    m_journal->finish(entry, made);
}

// An agreed replace: a merge into the folder there, entry by entry where one command would not
// do; otherwise what stands there is cleared away first, and the command replaces the rest.
void fileDialog::replaceEntry(OperationRunner &runner, const OperationPlan::Step &step,
                              const QString &questionTitle, const QString &runnerTitle,
                              const QString &runnerText, OperationPlan::Resolution resolution,
                              bool remember)
{
    const bool merges = OperationPlan::mergesFolders(step);
    if (merges && OperationPlan::goesEntryByEntry(step, true)) {
        runInside(runner, step, questionTitle, runnerTitle, runnerText, resolution, false);
        // What went into a folder that was there is not told apart from what was there.
        if (remember)
            m_journal->noteReplaced();
        return;
    }
    // What cp would refuse, or open through a link, goes first; cp removes each file there.
    QByteArray why;
    if (!OperationPlan::clearWayForReplace(step, &why)) {
        runner.fail(step.replaceCommand, why);
        return;
    }
    if (!merges && OperationPlan::goesEntryByEntry(step, false)) {
        runWhole(runner, step, questionTitle, runnerTitle, runnerText, resolution, false);
    } else {
        runner.run(runnerTitle, runnerText, step.replaceCommand, step.source, step.destination,
                   step.kind == OperationPlan::Move);
        if (!runner.succeeded())
            return;
    }
    // What it replaced is gone: this entry cannot be taken back.
    if (remember)
        m_journal->noteReplaced();
}

// The entries of a folder, each by the rules of a step, into its destination folder; then a
// folder made here or merged by a copy is given its source's permissions and times, as cp -a
// would, and a move's emptied source goes: only once all of it went across, since a stop or an
// entry left behind leaves the source folder.
void fileDialog::runInside(OperationRunner &runner, const OperationPlan::Step &step,
                           const QString &questionTitle, const QString &runnerTitle,
                           const QString &runnerText, OperationPlan::Resolution resolution,
                           bool madeHere)
{
    const OperationPlan inside = OperationPlan::insideOf(step);
    bool ranAll = true;
    for (int i = 0; i < inside.count() && !runner.stopped(); ++i)
        ranAll = runStep(runner, inside.step(i), questionTitle, runnerTitle, runnerText, resolution,
                         false)
                 && ranAll;
    if (madeHere || step.kind == OperationPlan::Copy)
        OperationPlan::finishFolder(step);
    if (step.kind == OperationPlan::Move && ranAll && !runner.stopped())
        OperationPlan::removeIfEmpty(step.source);
}

// The entries of an operation on several, one after another behind one wait popup: a refused or
// failing entry does not stop the others, the user's stop does. Their failures show at the end.
void fileDialog::runEntries(const OperationPlan &plan, const QString &title, const QString &doing,
                            const Decision &decision)
{
    OperationRunner runner(title, stopQuestion(plan.kind()), true, m_journal->descriptor());
    for (int i = 0; i < plan.count() && !runner.stopped(); ++i) {
        const OperationPlan::Step step = plan.step(i);
        if (!decision.unstorable.contains(step.name))
            runStep(runner, step, title, step.name, doing + step.name, decision.resolution);
    }
    // The failing entries together, in one file opened once, once the wait popup is gone.
    runner.close();
    if (!runner.failures().isEmpty())
        deathDlg::showOutput(runner.failures(), title);
    showStopped(runner, title, plan.count());
}

// After a stop the user chose: how many entries were done, and how many were not.
void fileDialog::showStopped(const OperationRunner &runner, const QString &title, int entries)
{
    if (!runner.stopped())
        return;
    auto *notice = new ZMessageDlg(title,
                                   catalog->lookup("BR_DONE")
                                           + ProgressCounter::formatCount(runner.done()) + u'\n'
                                           + catalog->lookup("BR_NOT_DONE")
                                           + ProgressCounter::formatCount(entries - runner.done()),
                                   ZMessageDlg::Notice, 0, nullptr, nullptr, true, 0);
    notice->setTitleIcon(QStringLiteral("info_pop.bmp"));
    notice->exec();
    delete notice;
}
