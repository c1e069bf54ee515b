// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/folder/entryidentity.h"
#include "core/folder/treewalk.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QVector>

#include <optional>

// What the last ten create folder, rename, copy or move operations did, newest first, so that
// each can be taken back in turn, even after the program was killed in the middle of one: one
// file for each operation, numbered in the order they began, in a folder of the user's own.
// A delete is not on record.
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
// does not, so a record torn by a crash is ignored, never misread. Each record is written at
// once, so a kill of the program loses none; an intent without an outcome is settled at the next
// start by what is found (settle()). Against a crash of the machine, records are flushed to disk
// in groups: an intent with all before it, where the last flush is flushEvery ago or more (so
// every intent when entries take longer than that, and one in many when they come fast; a crash
// loses at most the last moments of the record, never an entry's files), and the end.
// Each command of the operation inherits the locked file: a command that outlives the program
// (a kill) still holds it, so the next start can tell that it runs and wait for it. Only a
// regular file of the user's own, read up to maxSize, is ever taken for a journal.
class Journal
{
public:
    enum Kind { Move, Rename, Copy, NewFolder };
    enum State { Intended, Done, NotDone };

    // One entry of what a done entry made, as it was then.
    struct Mark
    {
        QByteArray path; // "." for the entry itself, else "./..." inside it
        quint64 device = 0, inode = 0;
        qint64 size = 0, time = 0;
        // Of the entry itself, where the file system keeps it (else 0): an inode number is
        // soon given again, to whatever is made next.
        qint64 born = 0;
        bool operator==(const Mark &other) const;
    };
    struct Entry
    {
        QString source; // empty for a new folder
        QString destination;
        State state = Intended;
        QVector<Mark> marks;
        bool inside = false; // inside a folder that the operation merged into
        bool copied = false; // moved to another file system: copied and flushed, then removed
        EntryIdentity before; // what stood at the destination before its command
        bool beforeKnown = false;
        // What a start after a kill found to do for an entry cut short (settle()): remove the
        // piece its command left; finish a move whose copy was flushed (remove the rest of its
        // source); or, for a move whose copy is whole but not yet flushed, with its source
        // whole, either finish it (flush, then remove the source) or take it back (remove the
        // copy).
        enum Recovery { Nothing, RemovePiece, FinishMove, FinishOrTakeBack };
        Recovery recovery = Nothing;
    };
    // What a replace moved into the trash instead of removing it.
    struct Trashed
    {
        QString place; // where it stood
        QString trashed; // where it is in the trash
        QString info; // its .trashinfo
        QVector<Mark> marks; // itself, once there; none: it never got there
    };
    struct Operation
    {
        Kind kind = Move;
        QString folder;
        int planned = 0; // the entries it was to do; those not begun have no entry
        QVector<Entry> entries;
        QVector<Trashed> trashed;
        int replaced = 0; // entries replaced for good
        bool finished = false;
        int records = 0; // the lines that were read
        qint64 owner = 0; // the program that wrote it
        // Processes of its commands that still run though the program that started them is gone.
        QVector<qint64> stillRunning;
        // Of its entries (not those inside a merged folder).
        int count(State state) const;
        // The entries that a replace put in the trash and are there.
        int inTheTrash() const;
        // Whether anything of it can be taken back.
        bool didSomething() const;
    };

    static constexpr qint64 maxSize = 64 * 1024 * 1024;
    static constexpr int kept = 10;
    static constexpr int flushEvery = 50; // ms

    // $XDG_STATE_HOME/filemanager/history, else ~/.local/state/filemanager/history.
    static QString defaultFolder();
    explicit Journal(const QString &folder = defaultFolder());
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // Each of these writes its record. Where the journal cannot be written, the operation goes
    // on without it: standard error says why, and nothing of it can be undone.
    // A new operation on record, as the newest; the oldest beyond the last ten go.
    void begin(Kind kind, const QString &folder, int entries = 1);
    // The entry's number, or -1 when the journal is not being written; with what stands at the
    // destination before its command (nothing, or what the command first puts in the trash),
    // where that is known.
    int intend(const QString &source, const QString &destination, bool inside = false,
               const std::optional<EntryIdentity> &before = std::nullopt);
    // Done: what stands at the entry's destination now is what was made.
    void finish(int entry, bool succeeded);
    // A move to another file system, copied and flushed: its source is removed next.
    void copied(int entry);
    // What stands at place goes into the trash as trashed (its info written): its number; and,
    // once the command ran, whether it is there.
    int trash(const QString &place, const QString &trashed, const QString &info);
    void trashed(int item);
    void replacedForGood();
    // What was written so far is made durable now.
    void flush();
    // The operation ran to its end. One of which nothing can be taken back leaves the history.
    void end();
    // The newest operation leaves the history: it was taken back, or could not be written.
    void forgetLast();
    // An operation cut short, settled: what was found of each entry is put on record and the
    // operation is closed, to stay in the history as what was done.
    void closeCutShort(const Operation &settled);
    // The entries of the operation begun last that are done.
    int doneEntries() const { return m_done; }
    // The open, locked journal while an operation is written, for its commands to inherit; -1.
    int descriptor() const { return m_fd; }
    // Whether the newest operation on record can be taken back.
    bool canUndo() const;

    // The newest operation on record, if any can be read and no other copy of the program is at
    // work on it. A journal that is not a regular file of the user's own is set aside, with a
    // line on standard error.
    std::optional<Operation> last() const;
    // Whether anything holds the newest journal locked: a program at work on it, or its commands.
    bool isHeld() const;
    // Ends what is left of the commands that outlived their program: the process groups of
    // these processes, TERM and, a second later, KILL.
    static void stopCommands(const QVector<qint64> &processes);
    // Holds them (STOP) while the user decides whether to stop them, or lets them go on (CONT).
    static void pauseCommands(const QVector<qint64> &processes, bool pause);
    static std::optional<Operation> read(const QByteArray &journal);
    // For an operation that never finished, what each entry with an intent and no outcome came
    // to, by what stands now. Done: moved or renamed, it stands at its destination and no longer
    // at its source; a copy that is whole (OperationPlan::copyIsWhole); a move to another file
    // system whose copy was flushed (its source then goes: FinishMove) or is whole, with its
    // source (FinishOrTakeBack); a new folder that stands where nothing stood. Not done: the
    // rest, and a piece that a copy left where nothing of it stood before is to be removed
    // (RemovePiece; never where what stood before is not known). Each replaced entry is in the
    // trash or not.
    static void settle(Operation *operation);
    // What stands at path: itself, and for a copy, every entry inside it too. Empty when nothing
    // is there, or a tree of more than limit entries.
    static QVector<Mark> marksOf(const QString &path, bool wholeTree, int limit = TreeWalk::limit);

private:
    bool append(const QByteArray &record, bool flush);
    void giveUp(const QByteArray &why, int error);
    // The numbers of the operations on record, oldest first.
    QList<qint64> numbers() const;
    QByteArray fileOf(qint64 number) const;
    int openForReading(const QByteArray &path) const;

    QByteArray m_folder;
    QByteArray m_path; // the file of the operation being written
    int m_fd = -1;
    Kind m_kind = Move;
    int m_entries = 0;
    int m_done = 0;
    QVector<QString> m_destinations;
    QVector<QString> m_trashed;
    bool m_somethingTrashed = false;
    QElapsedTimer m_flushed; // since the last flush
};
