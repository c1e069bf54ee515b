// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/operation/journal.h"

#include <QVector>

#include <sys/types.h>

// What a kill of the program left of an operation on record, found at the next start: which
// commands of it still run (they hold its file open), held, let go on or stopped; and what each
// entry that never got its outcome came to.
class JournalRecovery
{
public:
    // The processes that hold the file open, found through /proc.
    static QVector<qint64> holdersOf(dev_t device, ino_t inode);
    // Ends what is left of the commands that outlived their program: the process groups of
    // these processes, TERM and, a second later, KILL.
    static void stopCommands(const QVector<qint64> &processes);
    // Holds them (STOP) while the user decides whether to stop them, or lets them go on (CONT).
    static void pauseCommands(const QVector<qint64> &processes, bool pause);
    // For an operation that never finished, what each entry with an intent and no outcome came
    // to, by what stands now. Done: moved or renamed, it stands at its destination and no longer
    // at its source; a copy that is whole (FileWork::copyIsWhole); a move to another file
    // system whose copy was flushed (its source then goes: FinishMove) or is whole, with its
    // source (FinishOrTakeBack); a new folder that stands where nothing stood. Not done: the
    // rest, and a piece that a copy left where nothing of it stood before is to be removed
    // (RemovePiece; never where what stood before is not known). Each replaced entry is in the
    // trash or not.
    static void settle(Journal::Operation *operation);
};
