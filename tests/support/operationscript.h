// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/operation/asker.h"
#include "core/shell/commandrunner.h"

#include <QByteArrayList>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Answers an operation's questions from a script, the way a user would with the popups, and
// records what was asked, in order: "confirm", "too large <count> <first,...> <limit>", "room",
// "room with trash", "names", "choice", "for good", "replace <path>", "keep link apart <path>",
// "refused <why>", "undo", "interrupted", "name", "discard <what> <entries>".
class ScriptedAsker : public Asker
{
public:
    QStringList asked;
    bool confirmed = true; // the first question, and the room and names questions
    bool goOn = true;
    bool emptyTrashFirst = false; // where the trash there could make room
    bool discarding = true;
    ForNames forNames = LeaveOut; // where names cannot be stored, unless goOn is false
    bool forGood = true; // where there is no trash
    // The choice for entries that stand there; none: cancelled.
    std::optional<OperationPlan::Resolution> choice = OperationPlan::ReplaceAll;
    QList<bool> decisions; // deciding for each, in turn; yes when none is left
    QStringList typedNames; // typed into the name entry, in turn; cancelled when none is left
    bool takeBack = true; // after an operation cut short
    OperationPlan::Look look; // what the look before the work found, as the question said
    QString noTrash; // why there was no trash, as the question said
    int fromTheTrash = 0, leftTheTrash = 0; // what undo's question said of the trash
    int done = 0, putBack = 0; // what the report of an operation cut short said
    // What another program does while the first question (or name entry) is open.
    std::function<void()> whileAsked = [] {};

    QString askName(NameFor what, const QString &folder, const QString &current,
                    const QString &offered, int selected) override;
    bool wait(Wait what, const std::function<void(const std::function<bool()> &)> &work,
              const std::function<void(bool)> &pause) override;
    bool confirm(const OperationPlan &plan, const OperationPlan::Look &look) override;
    bool leaveOutTooLarge(int count, const QStringList &first, qint64 limit) override;
    bool goOnWithoutRoom(qint64 needed, qint64 free) override;
    std::optional<bool> emptyTrashForRoom(qint64 needed, qint64 free, int entries,
                                          qint64 bytes) override;
    bool confirmDiscard(Discard what, int entries, qint64 bytes, const QString &path) override;
    std::optional<ForNames> chooseForNames(int count, const QStringList &first) override;
    std::optional<OperationPlan::Resolution> chooseForExisting(int count) override;
    bool replaceForGood(int count, const QString &why) override;
    bool replace(const QString &destination) override;
    bool keepLinkApart(const QString &destination) override;
    void refuse(Refusal why) override;
    bool confirmUndo(const Journal::Operation &last, int fromTheTrash, int leftTheTrash) override;
    bool interrupted(const Journal::Operation &last, int done, int putBack) override;

private:
    bool decide();
};

// Runs each command with /bin/sh to its end, with no popup, and keeps each command line; it may
// be told to stop the operation after a number of commands.
class ShellRunner : public CommandRunner
{
public:
    QByteArrayList commands;
    int stopAfter = -1;

    Ran run(const Command &command) override;
    bool stopped() const override { return stopAfter >= 0 && commands.size() >= stopAfter; }
    void stepAside() override { }
};
