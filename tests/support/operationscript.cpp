// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/operationscript.h"

#include "core/shell/shell.h"

#include <QTemporaryFile>

#include <utility>

#include <sys/wait.h>

QString ScriptedAsker::askName(NameFor, const QString &, const QString &, const QString &, int)
{
    asked << QStringLiteral("name");
    std::exchange(whileAsked, [] {})();
    return typedNames.isEmpty() ? QString() : typedNames.takeFirst();
}

bool ScriptedAsker::wait(Wait, const std::function<void(const std::function<bool()> &)> &work,
                         const std::function<void(bool)> &)
{
    work([] { return true; });
    return true;
}

bool ScriptedAsker::confirm(const OperationPlan &, const OperationPlan::Look &found)
{
    asked << QStringLiteral("confirm");
    look = found;
    std::exchange(whileAsked, [] {})();
    return confirmed;
}

bool ScriptedAsker::leaveOutTooLarge(int count, const QStringList &first, qint64 limit)
{
    QStringList names = first; // in the order the walk met them
    names.sort();
    asked << QStringLiteral("too large %1 %2 %3").arg(count).arg(names.join(u',')).arg(limit);
    return goOn;
}

bool ScriptedAsker::goOnWithoutRoom(qint64, qint64)
{
    asked << QStringLiteral("room");
    return goOn;
}

std::optional<bool> ScriptedAsker::emptyTrashForRoom(qint64, qint64, int, qint64)
{
    asked << QStringLiteral("room with trash");
    return goOn ? std::optional(emptyTrashFirst) : std::nullopt;
}

bool ScriptedAsker::confirmDiscard(Discard what, int entries, qint64, const QString &)
{
    asked << QStringLiteral("discard %1 %2").arg(int(what)).arg(entries);
    return discarding;
}

std::optional<Asker::ForNames> ScriptedAsker::chooseForNames(int, const QStringList &)
{
    asked << QStringLiteral("names");
    return goOn ? std::optional(forNames) : std::nullopt;
}

std::optional<OperationPlan::Resolution> ScriptedAsker::chooseForExisting(int)
{
    asked << QStringLiteral("choice");
    return choice;
}

bool ScriptedAsker::replaceForGood(int, const QString &why)
{
    asked << QStringLiteral("for good");
    noTrash = why;
    return forGood;
}

bool ScriptedAsker::decide()
{
    return decisions.isEmpty() || decisions.takeFirst();
}

bool ScriptedAsker::replace(const QString &destination)
{
    asked << QStringLiteral("replace ") + destination;
    return decide();
}

bool ScriptedAsker::keepLinkApart(const QString &destination)
{
    asked << QStringLiteral("keep link apart ") + destination;
    return decide();
}

void ScriptedAsker::refuse(Refusal why)
{
    asked << QStringLiteral("refused %1").arg(int(why));
}

bool ScriptedAsker::confirmUndo(const Journal::Operation &, int fromTrash, int leftTrash)
{
    asked << QStringLiteral("undo");
    fromTheTrash = fromTrash;
    leftTheTrash = leftTrash;
    return confirmed;
}

bool ScriptedAsker::interrupted(const Journal::Operation &, int doneThen, int putBackThen)
{
    asked << QStringLiteral("interrupted");
    done = doneThen;
    putBack = putBackThen;
    return takeBack;
}

CommandRunner::Ran ShellRunner::run(const Command &command)
{
    Ran ran;
    if (stopped()) {
        ran.outcome = Stopped;
        return ran;
    }
    commands << command.line;
    QTemporaryFile output;
    output.open();
    int error = 0;
    const pid_t pid = Shell::start(command.line.constData(), {},
                                   { output.handle(), true, command.inheritedFd }, &error);
    const int status = pid < 0 ? -1 : Shell::waitFor(pid);
    output.seek(0);
    ran.output = output.readAll();
    ran.outcome
            = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? Succeeded : Failed;
    return ran;
}
