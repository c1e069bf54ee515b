// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/operation/journal.h"

#include <QByteArray>

// Whether one entry of an operation on record can be taken back now, and the command that does
// it.
// Nothing is taken back that cannot be shown to be the operation's own work as it left it.
class Undo
{
public:
    enum Verdict {
        Possible,
        Gone, // what the operation made is no longer where it put it (or is another entry)
        Changed, // a copy changed or got entries since
        OnlyCopy, // a copy whose source lost or changed some of it since: it may be all there is
        NameTaken, // another entry now has the old name
        NotEmpty, // a new folder holds something
        TooLong, // the command would not fit the runner
        NotInTrash, // an entry that a replace put in the trash has left it since
        StaysInTrash, // its place holds what the operation made there, which stays
        NoTrash, // a restored entry that no trash can take again
    };
    struct Step
    {
        Verdict verdict = Gone;
        // `mv -T -n "%s" "%s"` back to the old name (by way of a free name where only the case
        // changes on a file system that ignores it), `rm -rf "%s"` a copy (or the copy of a move
        // cut short whose source is still whole), `rmdir "%s"` a folder. None for an entry that
        // a restore brought back from the trash: it goes to the trash again, by the command that
        // comes with its new info (Trash::prepare).
        QByteArray command;
    };

    static Step check(Journal::Kind kind, const Journal::Entry &entry);
    // Whether, after its command, the entry is taken back.
    static bool tookBack(Journal::Kind kind, const Journal::Entry &entry);
    // An entry that a replace put in the trash: back to its place (`mv -T -n "%s" "%s"`) where
    // it is still the one put there and its place is free.
    static Step check(const Journal::Trashed &item);
    static bool tookBack(const Journal::Trashed &item);
};
