#include "core/operation/journal.h"

#include "core/folder/treewalk.h"
#include "core/names/filename.h"

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
    if (what == "intent" && fields.size() == 4 && *index == quint64(operation->entries.size())
        && *index < quint64(operation->planned)) {
        operation->entries.append({ FileName::fromBytes(decoded(fields[2])),
                                    FileName::fromBytes(decoded(fields[3])),
                                    Journal::Intended,
                                    {} });
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
    if (what != "done" || fields.size() < 8 || (fields.size() - 2) % 6 != 0)
        return false;
    for (int at = 2; at < fields.size(); at += 6) {
        const auto device = number(fields[at + 1]), inode = number(fields[at + 2]),
                   size = number(fields[at + 3]), time = number(fields[at + 4]),
                   born = number(fields[at + 5]);
        if (!device || !inode || !size || !time || !born)
            return false;
        entry.marks.append({ decoded(fields[at]), *device, *inode, qint64(*size), qint64(*time),
                             qint64(*born) });
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
    return int(std::count_if(entries.begin(), entries.end(),
                             [state](const Entry &entry) { return entry.state == state; }));
}

QString Journal::defaultPath()
{
    // A relative XDG_STATE_HOME is to be ignored, as the XDG base directories say.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!state.startsWith(u'/'))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/filemanager/journal");
}

Journal::Journal(const QString &path)
    : m_path(path)
{
}

Journal::~Journal()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void Journal::giveUp(const QByteArray &why, int error)
{
    std::fprintf(stderr, "filemanager: this operation cannot be undone: %s %s: %s\n",
                 why.constData(), FileName::toBytes(m_path).constData(), std::strerror(error));
    // What was written of it must not be taken for the whole.
    clear();
}

bool Journal::append(const QByteArray &record)
{
    if (m_fd < 0)
        return false;
    const QByteArray line = record + ' ' + check(record) + '\n';
    for (qsizetype written = 0; written < line.size();) {
        const ssize_t now
                = ::write(m_fd, line.constData() + written, size_t(line.size() - written));
        if (now < 0 && errno == EINTR)
            continue;
        if (now <= 0) {
            giveUp("cannot write", now < 0 ? errno : ENOSPC);
            return false;
        }
        written += now;
    }
    if (::fdatasync(m_fd) != 0) {
        giveUp("cannot flush", errno);
        return false;
    }
    return true;
}

void Journal::begin(Kind kind, const QString &folder, int entries)
{
    clear();
    m_kind = kind;
    const QByteArray path = FileName::toBytes(m_path);
    const QByteArray home = path.left(path.lastIndexOf('/'));
    // A folder of its own that no one else reads: the journal names the user's files.
    QDir().mkpath(FileName::fromBytes(home.left(home.lastIndexOf('/'))));
    if (::mkdir(home.constData(), 0700) != 0 && errno != EEXIST)
        return giveUp("cannot make the folder of", errno);
    // The new operation's first record is whole on disk before it replaces the last operation.
    // A file of that name is never written through: whatever stands there goes first.
    const QByteArray fresh = path + ".new";
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
                + QByteArray::number(entries) + ' ' + QByteArray::number(::getpid())))
        return;
    if (::rename(fresh.constData(), path.constData()) != 0)
        return giveUp("cannot replace", errno);
    const int homeFd = ::open(home.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (homeFd >= 0) {
        ::fsync(homeFd);
        ::close(homeFd);
    }
}

int Journal::intend(const QString &source, const QString &destination)
{
    if (m_fd < 0)
        return -1;
    const int entry = m_entries;
    if (!append("intent " + QByteArray::number(entry) + ' ' + encoded(FileName::toBytes(source))
                + ' ' + encoded(FileName::toBytes(destination))))
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
    QByteArray record = (marks.isEmpty() ? "notdone " : "done ") + QByteArray::number(entry);
    for (const Mark &mark : marks)
        record += ' ' + encoded(mark.path) + ' ' + QByteArray::number(mark.device) + ' '
                  + QByteArray::number(mark.inode) + ' ' + QByteArray::number(mark.size) + ' '
                  + QByteArray::number(quint64(mark.time)) + ' ' // before 1970 too
                  + QByteArray::number(quint64(mark.born));
    if (append(record) && !marks.isEmpty())
        ++m_done;
}

void Journal::noteReplaced()
{
    append("replaced");
}

void Journal::end()
{
    append("end");
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void Journal::clear()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_entries = 0;
    m_done = 0;
    m_destinations.clear();
    const QByteArray path = FileName::toBytes(m_path);
    ::unlink(path.constData());
    ::unlink((path + ".new").constData());
}

// The journal open for reading, or -1: one that is not a regular file of the user's own (a pipe
// would hang the start, a link to /dev/zero fill the memory) is set aside and said so.
int Journal::openForReading() const
{
    const QByteArray path = FileName::toBytes(m_path);
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
    const int fd = openForReading();
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
    const int fd = openForReading();
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

void Journal::settle(Operation *operation)
{
    if (operation->kind != Move && operation->kind != Rename)
        return;
    for (Entry &entry : operation->entries) {
        if (entry.state != Intended)
            continue;
        struct stat info;
        const bool left = ::lstat(FileName::toBytes(entry.source).constData(), &info) != 0;
        entry.marks = left ? marksOf(entry.destination, false) : QVector<Mark>();
        entry.state = entry.marks.isEmpty() ? NotDone : Done;
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
    struct statx born;
    if (!marks.isEmpty()
        && ::statx(AT_FDCWD, root.constData(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &born) == 0
        && (born.stx_mask & STATX_BTIME))
        marks.first().born = born.stx_btime.tv_sec * 1000000000 + born.stx_btime.tv_nsec;
    return marks;
}
