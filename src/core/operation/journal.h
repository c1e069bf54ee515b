// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/folder/entryidentity.h"
#include "core/operation/historystore.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

// What the last ten create folder, rename, copy, move, move to the trash or restore operations
// did, newest first, so that
// each can be taken back in turn, even after the program was killed in the middle of one. A
// delete is not on record. The operation writes its records through this, which puts them in
// their lines (JournalRecord) and its file (HistoryStore); the marks of what an entry made are
// Marks', and what a kill left is settled at the next start by JournalRecovery. Each record is
// written at once, so a kill of the program loses none. Against a crash of the machine, records
// are flushed in groups: an intent with all before it, where the last flush is
// HistoryStore::flushEvery ago or more (so every intent when entries take longer than that, and
// one in many when they come fast; a crash loses at most the last moments of the record, never an
// entry's files), and the end. Each command of the operation inherits the locked file: a command
// that outlives the program (a kill) still holds it, so the next start can tell that it runs and
// wait for it.
class Journal
{
public:
    // ToTrash keeps its entries as trashed items; a Restore's entries came from the trash.
    enum Kind { Move, Rename, Copy, NewFolder, ToTrash, Restore };
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

    // $XDG_STATE_HOME/filemanager/history, else ~/.local/state/filemanager/history.
    static QString defaultFolder();
    explicit Journal(const QString &folder = defaultFolder());

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
    int descriptor() const { return m_store.descriptor(); }
    // Whether the newest operation on record can be taken back.
    bool canUndo() const;

    // The newest operation on record, if any can be read and no other copy of the program is at
    // work on it. A journal that is not a regular file of the user's own is set aside, with a
    // line on standard error.
    std::optional<Operation> last() const;
    // Whether anything holds the newest journal locked: a program at work on it, or its commands.
    bool isHeld() const;

private:
    bool append(const QByteArray &line, HistoryStore::Flush flush);

    HistoryStore m_store;
    Kind m_kind = Move;
    int m_entries = 0;
    int m_done = 0;
    QVector<QString> m_destinations;
    QVector<QString> m_trashed;
    bool m_somethingTrashed = false;
};
