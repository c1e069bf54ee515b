// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/operation/journal.h"
#include "core/operation/operationplan.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What an operation asks of the user, in its own terms: what it is about to do and what it
// found, what to do with what stands in its way, and what it could not do. The window words
// each question with the catalogue and answers with its popups; a test answers from a script.
class Asker
{
public:
    // Why an entry, or a whole operation, is not done.
    enum Refusal {
        IntoItself, // a folder into itself or into a folder inside it
        HoldsSource, // onto a folder that holds the source
        TooLong, // its command would not fit the runner
        NameTaken, // a rename onto a name that another entry has
        NotMade, // a new folder that could not be made
        InvalidName, // a typed name that is empty or holds one of " * / : < > ? \ |
        WritesThere, // an eject while an operation of the program is at work
    };
    // What a typed name is for.
    enum NameFor { NewFolder, NewName };
    // What takes long without a command.
    enum Wait {
        Looking, // the look before a copy or move
        StillRunning, // a command of an operation cut short, which outlived the program
    };

    virtual ~Asker() = default;
    // A name typed in folder (for a rename, instead of `current`): the text accepted, as it
    // stands, or a null string when cancelled. The entry offers `offered`, its first `selected`
    // characters selected.
    virtual QString askName(NameFor what, const QString &folder, const QString &current,
                            const QString &offered, int selected)
            = 0;
    // Runs work, which asks keepGoing() every so often; false when the user stopped it. Where
    // a stop ends commands that still run (StillRunning), it is asked first, with pause(true)
    // holding them while the question is open and pause(false) letting them go on after a no.
    virtual bool wait(Wait what, const std::function<void(const std::function<bool()> &)> &work,
                      const std::function<void(bool)> &pause = nullptr)
            = 0;
    // Whether to copy, move or delete, with what the look found (for a copy or move).
    virtual bool confirm(const OperationPlan &plan, const OperationPlan::Look &look) = 0;
    // Whether to go on where it does not fit.
    virtual bool goOnWithoutRoom(qint64 needed, qint64 free) = 0;
    // The same where the trash of the file system there holds entries (how many, how much):
    // empty that trash first (true), go on (false), or nothing (cancelled).
    virtual std::optional<bool> emptyTrashForRoom(qint64 needed, qint64 free, int entries,
                                                  qint64 bytes)
            = 0;
    // Whether to remove entries of the trash for good: one (by its path in the trash), several,
    // or all a trash holds (emptying it), with how many and how much.
    enum Discard { DiscardOne, DiscardSeveral, EmptyTrash };
    virtual bool confirmDiscard(Discard what, int entries, qint64 bytes, const QString &path) = 0;
    // Files larger than the destination holds (limit bytes): whether to leave them out and go on
    // with the rest; no runs nothing.
    virtual bool leaveOutTooLarge(int count, const QStringList &first, qint64 limit) = 0;
    // Where names cannot be stored there: store them mapped, or leave them out; nothing ends
    // the operation.
    enum ForNames { StoreMapped, LeaveOut };
    virtual std::optional<ForNames> chooseForNames(int count, const QStringList &first) = 0;
    // One choice for every entry that stands there already; nothing when the user cancelled.
    virtual std::optional<OperationPlan::Resolution> chooseForExisting(int count) = 0;
    // Whether to replace for good, where there is no trash to keep what is replaced, and why
    // (the file system's reason, in its own words).
    virtual bool replaceForGood(int count, const QString &why) = 0;
    // Deciding for each: whether to replace what stands there, and whether to keep a link
    // beside the real folder of its name there.
    virtual bool replace(const QString &destination) = 0;
    virtual bool keepLinkApart(const QString &destination) = 0;
    virtual void refuse(Refusal why) = 0;
    // Whether to take back the newest operation on record: of the entries that its replaces put
    // in the trash, how many are there to come back, and how many have left it since.
    virtual bool confirmUndo(const Journal::Operation &last, int fromTheTrash, int leftTheTrash)
            = 0;
    // An operation that the program did not live to finish, how much of it was done, and how
    // many replaced entries went back from the trash to the places of entries not done: said,
    // and, where something was done, whether to take that back.
    virtual bool interrupted(const Journal::Operation &last, int done, int putBack) = 0;
};
