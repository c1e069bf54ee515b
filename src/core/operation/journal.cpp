// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/journal.h"

#include "core/folder/treewalk.h"
#include "core/names/filename.h"
#include "core/operation/operationplan.h"
#include "core/shell/diskwrite.h"

#include <QCryptographicHash>
#include <QDir>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Each kind as the file writes it.
const std::pair<Journal::Kind, QByteArrayView> kindNames[] = {
    { Journal::Move, "move" },
    { Journal::Rename, "rename" },
    { Journal::Copy, "copy" },
    { Journal::NewFolder, "mkdir" },
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

} // namespace

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
    : m_folder(FileName::toBytes(folder))
{
}

Journal::~Journal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QList<qint64> Journal::numbers() const
{
    QList<qint64> found;
    if (DIR *folder = ::opendir(m_folder.constData())) {
        while (const dirent *entry = ::readdir(folder)) {
            const std::optional<quint64> named = number(QByteArray(entry->d_name));
            if (named)
                found << qint64(*named);
        }
        ::closedir(folder);
    }
    std::sort(found.begin(), found.end());
    return found;
}

QByteArray Journal::fileOf(qint64 number) const
{
    return m_folder + '/' + QByteArray::number(number);
}

void Journal::giveUp(const QByteArray &why, int error)
{
    std::fprintf(stderr, "filemanager: this operation cannot be undone: %s %s: %s\n",
                 why.constData(), m_path.constData(), std::strerror(error));
    // What was written of it must not be taken for the whole.
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    ::unlink(m_path.constData());
    ::unlink((m_path + ".new").constData());
}

bool Journal::append(const QByteArray &record, bool flush)
{
    if (m_fd < 0)
        return false;
    const QByteArray line = record + ' ' + check(record) + '\n';
    if (!DiskWrite::writeAll(m_fd, line)) {
        giveUp("cannot write", errno);
        return false;
    }
    if (flush && !DiskWrite::flush(m_fd)) {
        giveUp("cannot flush", errno);
        return false;
    }
    if (flush)
        m_flushed.start();
    return true;
}

void Journal::begin(Kind kind, const QString &folder, int entries)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_kind = kind;
    m_entries = m_done = 0;
    m_destinations.clear();
    m_trashed.clear();
    m_somethingTrashed = false;
    // A folder of its own that no one else reads: the journal names the user's files.
    const QByteArray home = m_folder.left(m_folder.lastIndexOf('/'));
    QDir().mkpath(FileName::fromBytes(home.left(home.lastIndexOf('/'))));
    const QList<qint64> before = numbers();
    m_path = fileOf(before.isEmpty() ? 1 : before.last() + 1);
    if ((::mkdir(home.constData(), 0700) != 0 && errno != EEXIST)
        || (::mkdir(m_folder.constData(), 0700) != 0 && errno != EEXIST))
        return giveUp("cannot make the folder of", errno);
    // The new operation's first record is whole on disk before it joins the history. A file of
    // that name is never written through: whatever stands there goes first.
    const QByteArray fresh = m_path + ".new";
    ::unlink(fresh.constData());
    m_fd = ::open(fresh.constData(),
                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_APPEND | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return giveUp("cannot create", errno);
    // Held until the end, by the program and by each command it starts: another copy of the
    // program that starts meanwhile must not take this operation for one cut short, and one that
    // starts after a kill finds the commands that still run.
    if (::flock(m_fd, LOCK_EX) != 0)
        return giveUp("cannot lock", errno);
    if (!append("begin " + nameOf(kind) + ' ' + encoded(FileName::toBytes(folder)) + ' '
                        + QByteArray::number(entries) + ' ' + QByteArray::number(::getpid()),
                true))
        return;
    if (::rename(fresh.constData(), m_path.constData()) != 0)
        return giveUp("cannot name", errno);
    const int folderFd = ::open(m_folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        DiskWrite::flush(folderFd);
        ::close(folderFd);
    }
    // The last ten stay.
    for (qsizetype i = 0; i + kept - 1 < before.size(); ++i)
        ::unlink(fileOf(before[i]).constData());
}

int Journal::intend(const QString &source, const QString &destination, bool inside,
                    const std::optional<EntryIdentity> &before)
{
    if (m_fd < 0)
        return -1;
    const int entry = m_entries;
    // Flushed before the command runs, with what came before it, once a while has passed.
    if (!append((inside ? "inside " : "intent ") + QByteArray::number(entry) + ' '
                        + encoded(FileName::toBytes(source)) + ' '
                        + encoded(FileName::toBytes(destination))
                        + (before ? ' ' + identityField(*before) : QByteArray()),
                m_flushed.hasExpired(flushEvery)))
        return -1;
    ++m_entries;
    m_destinations.append(destination);
    return entry;
}

void Journal::finish(int entry, bool succeeded)
{
    if (m_fd < 0 || entry < 0 || entry >= m_destinations.size())
        return;
    const QVector<Mark> marks
            = succeeded ? marksOf(m_destinations[entry], m_kind == Copy) : QVector<Mark>();
    const QByteArray record
            = (marks.isEmpty() ? "notdone " : "done ") + QByteArray::number(entry) + marked(marks);
    if (append(record, false) && !marks.isEmpty())
        ++m_done;
}

int Journal::trash(const QString &place, const QString &trashed, const QString &info)
{
    if (m_fd < 0)
        return -1;
    const int item = int(m_trashed.size());
    // Flushed with the intent that follows it, as the intents are.
    if (!append("trash " + QByteArray::number(item) + ' ' + encoded(FileName::toBytes(place)) + ' '
                        + encoded(FileName::toBytes(trashed)) + ' '
                        + encoded(FileName::toBytes(info)),
                false))
        return -1;
    m_trashed.append(trashed);
    return item;
}

void Journal::copied(int entry)
{
    if (entry >= 0 && entry < m_destinations.size())
        append("copied " + QByteArray::number(entry), false);
}

void Journal::trashed(int item)
{
    if (m_fd < 0 || item < 0 || item >= m_trashed.size())
        return;
    const QVector<Mark> marks = marksOf(m_trashed[item], false);
    if (!marks.isEmpty() && append("trashed " + QByteArray::number(item) + marked(marks), false))
        m_somethingTrashed = true;
}

void Journal::flush()
{
    if (m_fd >= 0 && !DiskWrite::flush(m_fd))
        return giveUp("cannot flush", errno);
    m_flushed.start();
}

void Journal::replacedForGood()
{
    append("replaced", false);
}

void Journal::end()
{
    if (append("end", true)) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_done == 0 && !m_somethingTrashed)
        forgetLast();
}

void Journal::forgetLast()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    const QList<qint64> all = numbers();
    if (!all.isEmpty())
        ::unlink(fileOf(all.last()).constData());
}

void Journal::closeCutShort(const Operation &settled)
{
    // Only what the file holds no outcome of is put on record.
    const std::optional<Operation> asRead = last();
    const QList<qint64> all = numbers();
    if (!asRead || all.isEmpty())
        return;
    m_path = fileOf(all.last());
    m_fd = ::open(m_path.constData(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (m_fd < 0 || ::flock(m_fd, LOCK_EX | LOCK_NB) != 0)
        return giveUp("cannot close", errno);
    for (qsizetype i = 0; i < asRead->entries.size() && i < settled.entries.size(); ++i) {
        if (asRead->entries[i].state != Intended)
            continue;
        const Entry &entry = settled.entries[i];
        // A move finished at the start: back from there as it went, by a copy.
        if (entry.copied && !asRead->entries[i].copied)
            append("copied " + QByteArray::number(i), false);
        append((entry.state == Done ? "done " : "notdone ") + QByteArray::number(i)
                       + marked(entry.marks),
               false);
    }
    for (qsizetype i = 0; i < asRead->trashed.size() && i < settled.trashed.size(); ++i) {
        if (asRead->trashed[i].marks.isEmpty() && !settled.trashed[i].marks.isEmpty())
            append("trashed " + QByteArray::number(i) + marked(settled.trashed[i].marks), false);
    }
    if (m_fd >= 0 && append("end", true)) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!settled.didSomething())
        forgetLast();
}

bool Journal::canUndo() const
{
    const std::optional<Operation> newest = last();
    return newest && newest->finished && newest->didSomething();
}

// The journal open for reading, or -1: one that is not a regular file of the user's own (a pipe
// would hang the start, a link to /dev/zero fill the memory) is set aside and said so.
int Journal::openForReading(const QByteArray &path) const
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat info;
    if (fd < 0 && errno == ENOENT)
        return -1;
    if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid())
        return fd;
    if (fd >= 0)
        ::close(fd);
    const QByteArray aside = path + ".set-aside";
    const bool moved = ::rename(path.constData(), aside.constData()) == 0;
    std::fprintf(stderr, "filemanager: %s is not a regular file of this user's: %s%s\n",
                 path.constData(), moved ? "set aside as " : "left alone, and not read",
                 moved ? aside.constData() : "");
    return -1;
}

namespace {

// The processes that hold the file open, found through /proc.
QVector<qint64> holdersOf(const struct stat &file)
{
    QVector<qint64> holders;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return holders;
    while (const dirent *process = ::readdir(proc)) {
        if (process->d_name[0] < '1' || process->d_name[0] > '9')
            continue;
        const QByteArray fds = QByteArray("/proc/") + process->d_name + "/fd";
        DIR *open = ::opendir(fds.constData());
        if (!open)
            continue;
        while (const dirent *fd = ::readdir(open)) {
            struct stat info;
            if (fd->d_name[0] != '.' && ::stat((fds + '/' + fd->d_name).constData(), &info) == 0
                && info.st_dev == file.st_dev && info.st_ino == file.st_ino) {
                holders.append(QByteArray(process->d_name).toLongLong());
                break;
            }
        }
        ::closedir(open);
    }
    ::closedir(proc);
    return holders;
}

} // namespace

std::optional<Journal::Operation> Journal::last() const
{
    const QList<qint64> all = numbers();
    const int fd = all.isEmpty() ? -1 : openForReading(fileOf(all.last()));
    if (fd < 0)
        return std::nullopt;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    QByteArray bytes;
    char buffer[65536];
    while (bytes.size() < maxSize) {
        const ssize_t got = ::read(fd, buffer,
                                   size_t(std::min<qint64>(sizeof buffer, maxSize - bytes.size())));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        bytes.append(buffer, got);
    }
    struct stat file;
    const bool known = ::fstat(fd, &file) == 0;
    ::close(fd);
    std::optional<Operation> operation = read(bytes);
    if (!held || !operation)
        return operation;
    // Held: by a copy of the program at work on it (nothing to report or undo yet), or, once
    // that program is gone, by commands of its that still run.
    const QVector<qint64> holders = known ? holdersOf(file) : QVector<qint64>();
    if (holders.isEmpty() || holders.contains(operation->owner))
        return std::nullopt;
    operation->stillRunning = holders;
    return operation;
}

bool Journal::isHeld() const
{
    const QList<qint64> all = numbers();
    const int fd = all.isEmpty() ? -1 : openForReading(fileOf(all.last()));
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

void Journal::stopCommands(const QVector<qint64> &processes)
{
    for (const int signal : { SIGTERM, SIGCONT, SIGKILL }) {
        for (const qint64 process : processes) {
            // Each command runs in a group of its own, never this program's.
            const pid_t group = ::getpgid(pid_t(process));
            if (group > 0 && group != ::getpgrp())
                ::kill(-group, signal);
        }
        if (signal == SIGCONT)
            ::sleep(1);
    }
}

void Journal::pauseCommands(const QVector<qint64> &processes, bool pause)
{
    for (const qint64 process : processes) {
        const pid_t group = ::getpgid(pid_t(process));
        if (group > 0 && group != ::getpgrp())
            ::kill(-group, pause ? SIGSTOP : SIGCONT);
    }
}

std::optional<Journal::Operation> Journal::read(const QByteArray &journal)
{
    Operation operation;
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

namespace {

// Whether source and the folder of destination are on two file systems.
bool crosses(const QString &source, const QString &destination)
{
    struct stat from, to;
    const QByteArray folder = FileName::toBytes(destination.left(destination.lastIndexOf(u'/')));
    return ::lstat(FileName::toBytes(source).constData(), &from) == 0
           && ::stat(folder.isEmpty() ? "/" : folder.constData(), &to) == 0
           && from.st_dev != to.st_dev;
}

// What a copy, or a move to another file system, cut short came to.
void settleCopy(Journal::Kind kind, Journal::Entry *entry)
{
    const bool whole = OperationPlan::copyIsWhole(entry->source, entry->destination);
    if (whole) {
        entry->marks = Journal::marksOf(entry->destination, kind == Journal::Copy);
        entry->state = entry->marks.isEmpty() ? Journal::NotDone : Journal::Done;
        if (kind == Journal::Move && entry->state == Journal::Done)
            entry->recovery = Journal::Entry::FinishOrTakeBack;
        return;
    }
    entry->state = Journal::NotDone;
    // Only where what stood there is known can what the command made be told from it.
    const EntryIdentity there = EntryIdentity::of(entry->destination);
    if (entry->beforeKnown && there.exists && there != entry->before)
        entry->recovery = Journal::Entry::RemovePiece;
}

} // namespace

void Journal::settle(Operation *operation)
{
    // What was on its way to the trash is there, or not.
    for (Trashed &item : operation->trashed) {
        if (item.marks.isEmpty())
            item.marks = marksOf(item.trashed, false);
    }
    for (Entry &entry : operation->entries) {
        if (entry.state != Intended)
            continue;
        struct stat info;
        const bool sourceStands = ::lstat(FileName::toBytes(entry.source).constData(), &info) == 0;
        switch (operation->kind) {
        case Copy:
            settleCopy(Copy, &entry);
            break;
        case Move:
        case Rename:
            if (!sourceStands) {
                entry.marks = marksOf(entry.destination, false);
                entry.state = entry.marks.isEmpty() ? NotDone : Done;
            } else if (entry.copied) {
                // Its copy is on the disk and its source was being removed: the move goes on.
                entry.marks = marksOf(entry.destination, false);
                entry.state = entry.marks.isEmpty() ? NotDone : Done;
                entry.recovery = entry.state == Done ? Entry::FinishMove : Entry::Nothing;
            } else if (operation->kind == Move && crosses(entry.source, entry.destination)) {
                settleCopy(Move, &entry);
            } else {
                entry.state = NotDone;
            }
            break;
        case NewFolder: {
            // Made in this program at once: where nothing stood and an empty folder stands now,
            // it was made.
            const EntryIdentity there = EntryIdentity::of(entry.destination);
            const bool made
                    = entry.beforeKnown && !entry.before.exists && there.exists
                      && ::lstat(FileName::toBytes(entry.destination).constData(), &info) == 0
                      && S_ISDIR(info.st_mode);
            entry.marks = made ? marksOf(entry.destination, false) : QVector<Mark>();
            entry.state = entry.marks.isEmpty() ? NotDone : Done;
            break;
        }
        }
    }
}

QVector<Journal::Mark> Journal::marksOf(const QString &path, bool wholeTree, int limit)
{
    QVector<Mark> marks;
    const QByteArray root = FileName::toBytes(path);
    bool tooMany = false;
    TreeWalk::walk(root, [&](QByteArrayView at, const struct stat &info) {
        if (marks.size() >= limit) {
            tooMany = true;
            return TreeWalk::Stop;
        }
        marks.append({ '.' + at.sliced(root.size()).toByteArray(), quint64(info.st_dev),
                       quint64(info.st_ino), qint64(info.st_size),
                       qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec });
        return wholeTree ? TreeWalk::Continue : TreeWalk::Stop;
    });
    if (tooMany)
        marks.clear();
    std::sort(marks.begin(), marks.end(),
              [](const Mark &a, const Mark &b) { return a.path < b.path; });
    if (!marks.isEmpty())
        marks.first().born = EntryIdentity::of(root).born;
    return marks;
}
