// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/operation/journal.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

// The lines that the journal writes, and what they are read back as; it knows no file.
//
// A file is lines of blank-separated fields, each field percent-encoded (so a name with a blank,
// a line break or any byte stays one field; "-" alone is the empty field), and the line ends
// with the first 8 hex digits of the SHA-1 of what precedes its last blank:
//   begin <kind> <folder> <entries> <pid>
//                                     kind: move, rename, copy, mkdir; folder: the destination;
//                                     entries: how many the operation is to do; pid: the
//                                     program's, which holds the file open and locked
//   intent <n> <source> <destination> <before>
//                                     before entry n's command runs (n counts from 0); before:
//                                     what stood at the destination then ("-": nothing; else
//                                     device.inode.birth), so that what the command made there
//                                     can be told from it (older records have no such field)
//   inside <n> <source> <destination> <before>
//                                     the same for an entry inside a folder that it merges into
//                                     one there: taken back too, not counted among the entries
//   done <n> <mark>...                after it succeeded; a mark is six fields: a path inside
//                                     what it made ("." for itself), device, inode, size,
//                                     modification time and birth time in nanoseconds
//   notdone <n>                       it failed or was stopped: not to be taken back
//   copied <n>                        a move to another file system: its copy is whole on the
//                                     destination's disk; only now is its source removed
//   trash <k> <place> <trashed> <info>
//                                     before a replace moves what stands at place into the trash
//   trashed <k> <mark>                once it is there: undo puts it back
//   replaced                          an entry replaced another for good (there was no trash)
//   end                               the operation ran to its end
// A line counts only when it is whole and its check matches; reading stops at the first that
// does not, so a record torn by a crash is ignored, never misread.
class JournalRecord
{
public:
    // Each record as its whole line, check and line break included.
    static QByteArray begin(Journal::Kind kind, const QString &folder, int entries, qint64 pid);
    static QByteArray intent(int entry, const QString &source, const QString &destination,
                             bool inside, const std::optional<EntryIdentity> &before);
    // "done" with the marks of what it made, or "notdone" where there are none.
    static QByteArray outcome(int entry, const QVector<Journal::Mark> &marks);
    static QByteArray copied(int entry);
    static QByteArray trash(int item, const QString &place, const QString &trashed,
                            const QString &info);
    static QByteArray trashed(int item, const QVector<Journal::Mark> &marks);
    static QByteArray replaced();
    static QByteArray end();
    // The operation that a file's bytes hold, up to the first line that is not whole or not one
    // that could have been written there; nothing when not even its first line is.
    static std::optional<Journal::Operation> read(const QByteArray &journal);
};
