// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/journalrecord.h"

#include "core/names/filename.h"

#include <QCryptographicHash>

#include <algorithm>
#include <climits>

namespace {

// Each kind as the file writes it.
const std::pair<Journal::Kind, QByteArrayView> kindNames[] = {
    { Journal::Move, "move" },       { Journal::Rename, "rename" }, { Journal::Copy, "copy" },
    { Journal::NewFolder, "mkdir" }, { Journal::ToTrash, "trash" }, { Journal::Restore, "restore" },
};

QByteArray nameOf(Journal::Kind kind)
{
    for (const auto &[named, name] : kindNames) {
        if (named == kind)
            return name.toByteArray();
    }
    return QByteArray();
}

QByteArray encoded(const QByteArray &field)
{
    // "-" is encoded too, so that "-" alone can stand for the empty field.
    return field.isEmpty() ? QByteArray("-") : field.toPercentEncoding(QByteArray(), "-");
}

QByteArray decoded(const QByteArray &field)
{
    return field == "-" ? QByteArray() : QByteArray::fromPercentEncoding(field);
}

QByteArray check(QByteArrayView line)
{
    return QCryptographicHash::hash(line, QCryptographicHash::Sha1).toHex().left(8);
}

std::optional<quint64> number(const QByteArray &field)
{
    bool ok = false;
    const quint64 value = field.toULongLong(&ok);
    // Only the digits that were written: no sign, no blank, no leading zero but "0".
    if (!ok || field.isEmpty()
        || !std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; })
        || (field.size() > 1 && field.startsWith('0')))
        return std::nullopt;
    return value;
}

// The six fields of a mark, from fields[at] on.
std::optional<Journal::Mark> markOf(const QByteArrayList &fields, int at)
{
    const auto device = number(fields[at + 1]), inode = number(fields[at + 2]),
               size = number(fields[at + 3]), time = number(fields[at + 4]),
               born = number(fields[at + 5]);
    if (!device || !inode || !size || !time || !born)
        return std::nullopt;
    return Journal::Mark{ decoded(fields[at]), *device,       *inode,
                          qint64(*size),       qint64(*time), qint64(*born) };
}

// What stood at a destination: "-" for nothing, else device.inode.birth.
QByteArray identityField(const EntryIdentity &identity)
{
    if (!identity.exists)
        return "-";
    return QByteArray::number(identity.device) + '.' + QByteArray::number(identity.inode) + '.'
           + QByteArray::number(quint64(identity.born));
}

std::optional<EntryIdentity> identityOf(const QByteArray &field)
{
    if (field == "-")
        return EntryIdentity();
    const QByteArrayList parts = field.split('.');
    if (parts.size() != 3)
        return std::nullopt;
    const auto device = number(parts[0]), inode = number(parts[1]), born = number(parts[2]);
    if (!device || !inode || !born)
        return std::nullopt;
    EntryIdentity identity;
    identity.exists = true;
    identity.device = *device;
    identity.inode = *inode;
    identity.born = qint64(*born);
    return identity;
}

QByteArray marked(const QVector<Journal::Mark> &marks)
{
    QByteArray fields;
    for (const Journal::Mark &mark : marks)
        fields += ' ' + encoded(mark.path) + ' ' + QByteArray::number(mark.device) + ' '
                  + QByteArray::number(mark.inode) + ' ' + QByteArray::number(mark.size) + ' '
                  + QByteArray::number(quint64(mark.time)) + ' ' // before 1970 too
                  + QByteArray::number(quint64(mark.born));
    return fields;
}

// Applies one record to the operation; false when it is not one that could have been written
// at this point, which ends the reading.
bool apply(const QByteArrayList &fields, Journal::Operation *operation)
{
    const QByteArray &what = fields.first();
    if (operation->records == 0) {
        if (what != "begin" || fields.size() != 5)
            return false;
        const std::optional<quint64> owner = number(fields[4]);
        if (!owner || *owner > quint64(INT_MAX))
            return false;
        operation->owner = qint64(*owner);
        const quint64 planned = number(fields[3]).value_or(quint64(INT_MAX) + 1);
        if (planned > INT_MAX)
            return false;
        operation->planned = int(planned);
        const auto kind
                = std::find_if(std::begin(kindNames), std::end(kindNames),
                               [&](const auto &named) { return named.second == fields[1]; });
        if (kind == std::end(kindNames))
            return false;
        operation->kind = kind->first;
        operation->folder = FileName::fromBytes(decoded(fields[2]));
        return true;
    }
    if (operation->finished)
        return false;
    if (what == "end" && fields.size() == 1)
        return operation->finished = true;
    if (what == "replaced" && fields.size() == 1)
        return ++operation->replaced;
    const std::optional<quint64> index = fields.size() > 1 ? number(fields[1]) : std::nullopt;
    if (!index)
        return false;
    const bool inside = what == "inside";
    const int entries
            = int(std::count_if(operation->entries.begin(), operation->entries.end(),
                                [](const Journal::Entry &entry) { return !entry.inside; }));
    if ((what == "intent" || inside) && (fields.size() == 4 || fields.size() == 5)
        && *index == quint64(operation->entries.size())
        && (inside || entries < operation->planned)) {
        Journal::Entry entry;
        entry.source = FileName::fromBytes(decoded(fields[2]));
        entry.destination = FileName::fromBytes(decoded(fields[3]));
        entry.inside = inside;
        if (fields.size() == 5) {
            const std::optional<EntryIdentity> before = identityOf(fields[4]);
            if (!before)
                return false;
            entry.before = *before;
            entry.beforeKnown = true;
        }
        operation->entries.append(entry);
        return true;
    }
    if (what == "trash" && fields.size() == 5 && *index == quint64(operation->trashed.size())) {
        operation->trashed.append({ FileName::fromBytes(decoded(fields[2])),
                                    FileName::fromBytes(decoded(fields[3])),
                                    FileName::fromBytes(decoded(fields[4])),
                                    {} });
        return true;
    }
    if (what == "trashed") {
        if (*index >= quint64(operation->trashed.size()) || fields.size() != 8
            || !operation->trashed[int(*index)].marks.isEmpty())
            return false;
        const std::optional<Journal::Mark> mark = markOf(fields, 2);
        if (!mark)
            return false;
        operation->trashed[int(*index)].marks = { *mark };
        return true;
    }
    if (*index >= quint64(operation->entries.size()))
        return false;
    Journal::Entry &entry = operation->entries[int(*index)];
    if (entry.state != Journal::Intended)
        return false;
    if (what == "notdone" && fields.size() == 2) {
        entry.state = Journal::NotDone;
        return true;
    }
    if (what == "copied" && fields.size() == 2 && !entry.copied)
        return entry.copied = true;
    if (what != "done" || fields.size() < 8 || (fields.size() - 2) % 6 != 0)
        return false;
    for (int at = 2; at < fields.size(); at += 6) {
        const std::optional<Journal::Mark> mark = markOf(fields, at);
        if (!mark)
            return false;
        entry.marks.append(*mark);
    }
    entry.state = Journal::Done;
    return true;
}

// A record as its line: its check at the end.
QByteArray lineOf(const QByteArray &record)
{
    return record + ' ' + check(record) + '\n';
}

} // namespace

QByteArray JournalRecord::begin(Journal::Kind kind, const QString &folder, int entries, qint64 pid)
{
    return lineOf("begin " + nameOf(kind) + ' ' + encoded(FileName::toBytes(folder)) + ' '
                  + QByteArray::number(entries) + ' ' + QByteArray::number(pid));
}

QByteArray JournalRecord::intent(int entry, const QString &source, const QString &destination,
                                 bool inside, const std::optional<EntryIdentity> &before)
{
    return lineOf((inside ? "inside " : "intent ") + QByteArray::number(entry) + ' '
                  + encoded(FileName::toBytes(source)) + ' '
                  + encoded(FileName::toBytes(destination))
                  + (before ? ' ' + identityField(*before) : QByteArray()));
}

QByteArray JournalRecord::outcome(int entry, const QVector<Journal::Mark> &marks)
{
    return lineOf((marks.isEmpty() ? "notdone " : "done ") + QByteArray::number(entry)
                  + marked(marks));
}

QByteArray JournalRecord::copied(int entry)
{
    return lineOf("copied " + QByteArray::number(entry));
}

QByteArray JournalRecord::trash(int item, const QString &place, const QString &trashed,
                                const QString &info)
{
    return lineOf("trash " + QByteArray::number(item) + ' ' + encoded(FileName::toBytes(place))
                  + ' ' + encoded(FileName::toBytes(trashed)) + ' '
                  + encoded(FileName::toBytes(info)));
}

QByteArray JournalRecord::trashed(int item, const QVector<Journal::Mark> &marks)
{
    return lineOf("trashed " + QByteArray::number(item) + marked(marks));
}

QByteArray JournalRecord::replaced()
{
    return lineOf("replaced");
}

QByteArray JournalRecord::end()
{
    return lineOf("end");
}

std::optional<Journal::Operation> JournalRecord::read(const QByteArray &journal)
{
    Journal::Operation operation;
    for (qsizetype at = 0;;) {
        const qsizetype newline = journal.indexOf('\n', at);
        if (newline < 0)
            break; // a torn last line, or none
        const QByteArrayView line(journal.constData() + at, newline - at);
        at = newline + 1;
        const qsizetype blank = line.lastIndexOf(' ');
        if (blank <= 0 || line.sliced(blank + 1) != check(line.first(blank)))
            break;
        if (!apply(line.first(blank).toByteArray().split(' '), &operation))
            break;
        ++operation.records;
    }
    if (operation.records == 0)
        return std::nullopt;
    return operation;
}
