// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>

#include <optional>
#include <sys/types.h>

// The files of the history, one for each operation, numbered in the order the operations began,
// in a folder of the user's own that no one else reads; the newest ten are kept. The file of the
// operation being written is held open and locked (flock) by the program and by each command it
// starts, so that another copy of the program that starts meanwhile, or the next start after a
// kill, can tell that it is at work. Lines are written at once, so that a kill of the program
// loses none, and flushed in groups against a crash of the machine. Only a regular file of the
// user's own, read up to maxSize, is ever taken for one: anything else is set aside.
class HistoryStore
{
public:
    static constexpr qint64 maxSize = 64 * 1024 * 1024;
    static constexpr int kept = 10;
    static constexpr int flushEvery = 50; // ms

    explicit HistoryStore(const QByteArray &folder);
    ~HistoryStore();
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    // A new file, the newest, with its first line whole on disk before it joins the history; the
    // oldest beyond the newest ten go. False where it cannot be written (said on standard
    // error): the operation goes on without a record.
    bool create(const QByteArray &firstLine);
    // The newest file open again for its last lines, where nothing else holds it.
    bool reopenNewest();
    // A line of the file being written: flushed now, in groups (with what came before it, where
    // the last flush is flushEvery or more ago), or with the next flush. False, and the file given
    // up (never taken for the whole), where it cannot be written.
    enum Flush { Later, InGroups, Now };
    bool append(const QByteArray &line, Flush flush);
    bool flush();
    // The file is written to its end: closed, and its lock let go.
    void close();
    // The newest file leaves the history.
    void forgetNewest();
    // The open, locked file while an operation is written, for its commands to inherit; -1.
    int descriptor() const { return m_fd; }

    // What the newest file holds, whether something holds it locked, and which file it is.
    struct Newest
    {
        QByteArray bytes;
        bool held = false;
        dev_t device = 0;
        ino_t inode = 0;
    };
    std::optional<Newest> readNewest() const;
    bool isNewestHeld() const;

private:
    QList<qint64> numbers() const;
    QByteArray fileOf(qint64 number) const;
    // The newest file open for reading, and whether it is held; -1 when there is none.
    int openNewest(bool *held) const;
    void giveUp(const QByteArray &why, int error);

    QByteArray m_folder;
    QByteArray m_path; // the file being written
    int m_fd = -1;
    QElapsedTimer m_flushed; // since the last flush
};
