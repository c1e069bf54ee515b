#pragma once

#include "core/folder/treewalk.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <optional>

// What the last create folder, rename, copy or move did, on disk before and after each entry's
// command, so that it can be taken back even after the program was killed in the middle. One
// operation is kept: beginning another replaces it.
//
// The file is lines of blank-separated fields, each field percent-encoded (so a name with a
// blank, a line break or any byte stays one field; "-" alone is the empty field), and the line
// ends with the first 8 hex digits of the SHA-1 of what precedes its last blank:
//   begin <kind> <folder> <entries> <pid>
//                                     kind: move, rename, copy, mkdir; folder: the destination;
//                                     entries: how many the operation is to do; pid: the
//                                     program's, which holds the file open and locked
//   intent <n> <source> <destination> before entry n's command runs (n counts from 0)
//   done <n> <mark>...                after it succeeded; a mark is six fields: a path inside
//                                     what it made ("." for itself), device, inode, size,
//                                     modification time and birth time in nanoseconds
//   notdone <n>                       it failed or was stopped: not to be taken back
//   replaced                          an entry replaced another: not remembered
//   end                               the operation ran to its end
// A line counts only when it is whole and its check matches; reading stops at the first that
// does not, so a record torn by a kill is ignored, never misread.
// Each command of the operation inherits the locked file: a command that outlives the program
// (a kill) still holds it, so the next start can tell that it runs and wait for it. Only a
// regular file of the user's own, read up to maxSize, is ever taken for the journal.
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
    };
    struct Operation
    {
        Kind kind = Move;
        QString folder;
        int planned = 0; // the entries it was to do; those not begun have no entry
        QVector<Entry> entries;
        int replaced = 0;
        bool finished = false;
        int records = 0; // the lines that were read
        qint64 owner = 0; // the program that wrote it
        // Processes of its commands that still run though the program that started them is gone.
        QVector<qint64> stillRunning;
        int count(State state) const;
    };

    static constexpr qint64 maxSize = 64 * 1024 * 1024;

    // $XDG_STATE_HOME/filemanager/journal, else ~/.local/state/filemanager/journal.
    static QString defaultPath();
    explicit Journal(const QString &path = defaultPath());
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // Each of these writes and flushes its record. Where the journal cannot be written, the
    // operation goes on without it: standard error says why, and nothing of it can be undone.
    void begin(Kind kind, const QString &folder, int entries = 1);
    // The entry's number, or -1 when the journal is not being written.
    int intend(const QString &source, const QString &destination);
    // Done: what stands at the entry's destination now is what was made.
    void finish(int entry, bool succeeded);
    void noteReplaced();
    void end();
    // Nothing is left to undo.
    void clear();
    // The entries of the operation begun last that are done.
    int doneEntries() const { return m_done; }
    // The open, locked journal while an operation is written, for its commands to inherit; -1.
    int descriptor() const { return m_fd; }

    // The operation on record, if any can be read and no other copy of the program is at work
    // on it. A journal that is not a regular file of the user's own is set aside, with a line on
    // standard error.
    std::optional<Operation> last() const;
    // Whether anything holds the journal locked: a program at work on it, or its commands.
    bool isHeld() const;
    // Ends what is left of the commands that outlived their program: the process groups of
    // these processes, TERM and, a second later, KILL.
    static void stopCommands(const QVector<qint64> &processes);
    static std::optional<Operation> read(const QByteArray &journal);
    // For an operation that never finished: an entry with an intent and no outcome counts as
    // done where, moved or renamed, it stands at its destination and no longer at its source.
    // A copy or a new folder cut short cannot be told from what was there, so it is not done.
    static void settle(Operation *operation);
    // What stands at path: itself, and for a copy, every entry inside it too. Empty when nothing
    // is there, or a tree of more than limit entries.
    static QVector<Mark> marksOf(const QString &path, bool wholeTree, int limit = TreeWalk::limit);

private:
    bool append(const QByteArray &record);
    void giveUp(const QByteArray &why, int error);
    int openForReading() const;

    QString m_path;
    int m_fd = -1;
    Kind m_kind = Move;
    int m_entries = 0;
    int m_done = 0;
    QVector<QString> m_destinations;
};
