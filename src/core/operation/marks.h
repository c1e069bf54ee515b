// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/folder/treewalk.h"
#include "core/operation/journal.h"

#include <QString>
#include <QVector>

// What stands at a path as the journal marks it, so that undo can tell the operation's own work
// as it left it from anything that took its place since: the entry itself, and for a copy every
// entry inside it too, each by its path inside, identity, size and time.
class Marks
{
public:
    // Empty when nothing is there, or a tree of more than limit entries.
    static QVector<Journal::Mark> of(const QString &path, bool wholeTree,
                                     int limit = TreeWalk::limit);
};
