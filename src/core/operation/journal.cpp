// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/journal.h"

#include "core/names/filename.h"
#include "core/operation/journalrecord.h"
#include "core/operation/journalrecovery.h"
#include "core/operation/marks.h"

#include <QDir>

#include <algorithm>
#include <unistd.h>

bool Journal::Mark::operator==(const Mark &other) const
{
    return path == other.path && device == other.device && inode == other.inode
           && size == other.size && time == other.time && born == other.born;
}

int Journal::Operation::count(State state) const
{
    return int(std::count_if(entries.begin(), entries.end(), [state](const Entry &entry) {
        return !entry.inside && entry.state == state;
    }));
}

int Journal::Operation::inTheTrash() const
{
    return int(std::count_if(trashed.begin(), trashed.end(),
                             [](const Trashed &item) { return !item.marks.isEmpty(); }));
}

bool Journal::Operation::didSomething() const
{
    return inTheTrash() > 0 || std::any_of(entries.begin(), entries.end(), [](const Entry &entry) {
               return entry.state == Done;
           });
}

QString Journal::defaultFolder()
{
    // A relative XDG_STATE_HOME is to be ignored, as the XDG base directories say.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.startsWith(u'/'))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/filemanager/history");
}

Journal::Journal(const QString &folder)
    : m_store(FileName::toBytes(folder))
{
}

bool Journal::append(const QByteArray &line, HistoryStore::Flush flush)
{
    return m_store.append(line, flush);
}

void Journal::begin(Kind kind, const QString &folder, int entries)
{
    m_kind = kind;
    m_entries = m_done = 0;
    m_destinations.clear();
    m_trashed.clear();
    m_somethingTrashed = false;
    m_store.create(JournalRecord::begin(kind, folder, entries, ::getpid()));
}

int Journal::intend(const QString &source, const QString &destination, bool inside,
                    const std::optional<EntryIdentity> &before)
{
    if (m_store.descriptor() < 0)
        return -1;
    const int entry = m_entries;
    // Flushed before the command runs, with what came before it, once a while has passed.
    if (!append(JournalRecord::intent(entry, source, destination, inside, before),
                HistoryStore::InGroups))
        return -1;
    ++m_entries;
    m_destinations.append(destination);
    return entry;
}

void Journal::finish(int entry, bool succeeded)
{
    if (m_store.descriptor() < 0 || entry < 0 || entry >= m_destinations.size())
        return;
    const QVector<Mark> marks
            = succeeded ? Marks::of(m_destinations[entry], m_kind == Copy) : QVector<Mark>();
    if (append(JournalRecord::outcome(entry, marks), HistoryStore::Later) && !marks.isEmpty())
        ++m_done;
}

int Journal::trash(const QString &place, const QString &trashed, const QString &info)
{
    if (m_store.descriptor() < 0)
        return -1;
    const int item = int(m_trashed.size());
    // Flushed with the intent that follows it, as the intents are.
    if (!append(JournalRecord::trash(item, place, trashed, info), HistoryStore::Later))
        return -1;
    m_trashed.append(trashed);
    return item;
}

void Journal::copied(int entry)
{
    if (entry >= 0 && entry < m_destinations.size())
        append(JournalRecord::copied(entry), HistoryStore::Later);
}

void Journal::trashed(int item)
{
    if (m_store.descriptor() < 0 || item < 0 || item >= m_trashed.size())
        return;
    const QVector<Mark> marks = Marks::of(m_trashed[item], false);
    if (!marks.isEmpty() && append(JournalRecord::trashed(item, marks), HistoryStore::Later))
        m_somethingTrashed = true;
}

void Journal::flush()
{
    m_store.flush();
}

void Journal::replacedForGood()
{
    append(JournalRecord::replaced(), HistoryStore::Later);
}

void Journal::end()
{
    if (append(JournalRecord::end(), HistoryStore::Now))
        m_store.close();
    if (m_done == 0 && !m_somethingTrashed)
        forgetLast();
}

void Journal::forgetLast()
{
    m_store.forgetNewest();
}

void Journal::closeCutShort(const Operation &settled)
{
    // Only what the file holds no outcome of is put on record.
    const std::optional<Operation> asRead = last();
    if (!asRead || !m_store.reopenNewest())
        return;
    for (qsizetype i = 0; i < asRead->entries.size() && i < settled.entries.size(); ++i) {
        if (asRead->entries[i].state != Intended)
            continue;
        const Entry &entry = settled.entries[i];
        // A move finished at the start: back from there as it went, by a copy.
        if (entry.copied && !asRead->entries[i].copied)
            append(JournalRecord::copied(int(i)), HistoryStore::Later);
        append(JournalRecord::outcome(int(i), entry.state == Done ? entry.marks : QVector<Mark>()),
               HistoryStore::Later);
    }
    for (qsizetype i = 0; i < asRead->trashed.size() && i < settled.trashed.size(); ++i) {
        if (asRead->trashed[i].marks.isEmpty() && !settled.trashed[i].marks.isEmpty())
            append(JournalRecord::trashed(int(i), settled.trashed[i].marks), HistoryStore::Later);
    }
    if (append(JournalRecord::end(), HistoryStore::Now))
        m_store.close();
    if (!settled.didSomething())
        forgetLast();
}

bool Journal::canUndo() const
{
    const std::optional<Operation> newest = last();
    return newest && newest->finished && newest->didSomething();
}

std::optional<Journal::Operation> Journal::last() const
{
    const std::optional<HistoryStore::Newest> newest = m_store.readNewest();
    std::optional<Operation> operation
            = newest ? JournalRecord::read(newest->bytes) : std::optional<Operation>();
    if (!operation || !newest->held)
        return operation;
    // Held: by a copy of the program at work on it (nothing to report or undo yet), or, once
    // that program is gone, by commands of its that still run.
    const QVector<qint64> holders
            = newest->inode != 0 ? JournalRecovery::holdersOf(newest->device, newest->inode)
                                 : QVector<qint64>();
    if (holders.isEmpty() || holders.contains(operation->owner))
        return std::nullopt;
    operation->stillRunning = holders;
    return operation;
}

bool Journal::isHeld() const
{
    return m_store.isNewestHeld();
}
