// Running the commands of an operation: refusing an entry, asking before replacing one, the wait
// popup, and showing the failures of an operation on several entries together.
#include "browser/filedialog.h"

#include "browser/fileops/operationrunner.h"
#include "core/shellcommand.h"
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

// What a stop leaves, said before it is done; a move across file systems has more to say.
QString fileDialog::stopQuestion(OperationPlan::Kind kind) const
{
    const QString text = catalog->lookup("BR_CONFIRM_STOP");
    return kind == OperationPlan::Move ? text + u'\n' + catalog->lookup("BR_STOP_MOVE") : text;
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

// One planned entry: refused with a notice, or, when another entry of its name stands at the
// destination, run only if the user agrees to replace it. Returns whether its command ran.
bool fileDialog::runStep(OperationRunner &runner, const OperationPlan::Step &step,
                         const QString &questionTitle, const QString &runnerTitle,
                         const QString &runnerText, OperationPlan::Resolution resolution,
                         bool remember)
{
    switch (step.verdict) {
    case OperationPlan::IntoItself:
        showError("BR_INTO_ITSELF");
        return false;
    case OperationPlan::TooLong:
        showError("BR_TOO_LONG");
        return false;
    case OperationPlan::Conflict:
        if (resolution == OperationPlan::SkipExisting)
            return false;
        if (resolution == OperationPlan::KeepBoth) {
            if (step.keepBothCommand.isEmpty()) {
                showError("BR_TOO_LONG");
                return false;
            }
            const int entry
                    = remember ? m_journal->intend(step.source, step.keepBothDestination) : -1;
            runner.run(runnerTitle, runnerText, step.keepBothCommand, step.source,
                       step.keepBothDestination, step.kind == OperationPlan::Move);
            m_journal->finish(entry, runner.succeeded());
            return true;
        }
        if (resolution == OperationPlan::DecideEach
            && !askQuestion(questionTitle, catalog->lookup("BR_CONFIRM_REPLACE") + step.destination
                                                   + catalog->lookup("BR_QUESTION_END")))
            return false;
        if (OperationPlan::mergesFolders(step)) {
            const OperationPlan inside = OperationPlan::insideOf(step);
            bool ranAll = true;
            for (int i = 0; i < inside.count() && !runner.stopped(); ++i) {
                const OperationPlan::Step entry = inside.step(i);
                ranAll = runStep(runner, entry, questionTitle, runnerTitle, runnerText, resolution,
                                 false)
                         && ranAll;
            }
            // What went into a folder that was there is not told apart from what was there.
            if (remember)
                m_journal->noteReplaced();
            // Only once all of it went across: a stop or a skipped entry leaves the folder.
            if (ranAll && !runner.stopped())
                OperationPlan::removeIfEmpty(step.source);
            return true;
        }
        // What cp would refuse, or open through a link, goes first; cp removes each file there.
        OperationPlan::clearWayForReplace(step);
        runner.run(runnerTitle, runnerText, step.replaceCommand, step.source, step.destination,
                   step.kind == OperationPlan::Move);
        // What it replaced is gone: this entry cannot be taken back.
        if (remember && runner.succeeded())
            m_journal->noteReplaced();
        return true;
    case OperationPlan::Clear:
    case OperationPlan::SameEntry:
        break;
    }
    // A delete cannot be taken back.
    const int entry = remember && step.kind != OperationPlan::Delete
                              ? m_journal->intend(step.source, step.destination)
                              : -1;
    runner.run(runnerTitle, runnerText, step.command, step.source, step.destination,
               step.kind == OperationPlan::Move);
    m_journal->finish(entry, runner.succeeded());
    return true;
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
                                   catalog->lookup("BR_DONE") + QString::number(runner.done())
                                           + u'\n' + catalog->lookup("BR_NOT_DONE")
                                           + QString::number(entries - runner.done()),
                                   ZMessageDlg::Notice, 0, nullptr, nullptr, true, 0);
    notice->setTitleIcon(QStringLiteral("info_pop.bmp"));
    notice->exec();
    delete notice;
}
