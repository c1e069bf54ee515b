// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/trashinfo.h"

#include <QDateTime>
#include <QList>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Percent-decoded; nothing where an escape is broken or a byte 0 would come of it.
std::optional<QByteArray> decoded(QByteArrayView value)
{
    QByteArray bytes;
    bytes.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '%') {
            const int high = i + 2 < value.size() ? hexValue(value[i + 1]) : -1;
            const int low = high >= 0 ? hexValue(value[i + 2]) : -1;
            if (low < 0)
                return std::nullopt;
            c = char(high * 16 + low);
            i += 2;
        }
        if (c == '\0')
            return std::nullopt;
        bytes += c;
    }
    return bytes;
}

// "YYYY-MM-DDThh:mm:ss" as YYYYMMDDhhmmss, checked digit by digit; 0 otherwise.
qint64 dateOf(QByteArrayView value)
{
    static const char shape[] = "dddd-dd-ddTdd:dd:dd";
    if (value.size() < qsizetype(sizeof shape - 1))
        return 0;
    qint64 date = 0;
    for (size_t i = 0; i + 1 < sizeof shape; ++i) {
        const char c = value[qsizetype(i)];
        if (shape[i] != 'd') {
            if (c != shape[i])
                return 0;
        } else if (c < '0' || c > '9') {
            return 0;
        } else {
            date = date * 10 + (c - '0');
        }
    }
    return date;
}

// Whether a path has ".." as one of its parts.
bool climbs(const QByteArray &path)
{
    for (const QByteArray &part : path.split('/')) {
        if (part == "..")
            return true;
    }
    return false;
}

} // namespace

std::optional<TrashInfo::Read> TrashInfo::parse(QByteArrayView text, const QByteArray &top)
{
    const QList<QByteArray> lines = text.toByteArray().split('\n');
    qsizetype at = 0;
    while (at < lines.size() && lines[at].trimmed().isEmpty())
        ++at;
    if (at == lines.size() || lines[at].trimmed() != "[Trash Info]")
        return std::nullopt;
    Read read;
    std::optional<QByteArray> path;
    bool pathSeen = false;
    for (++at; at < lines.size(); ++at) {
        QByteArray line = lines[at];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith('['))
            break; // the group ends; what follows is another's
        // The first of each key counts.
        if (line.startsWith("Path=") && !pathSeen) {
            pathSeen = true;
            path = decoded(QByteArrayView(line).sliced(5));
            if (!path)
                read.origin = Undecodable;
        } else if (line.startsWith("DeletionDate=") && read.deleted == 0) {
            read.deleted = dateOf(QByteArrayView(line).sliced(13));
        }
    }
    if (!pathSeen || (path && path->isEmpty())) {
        read.origin = Empty;
        return read;
    }
    if (!path)
        return read;
    if (climbs(*path)) {
        read.origin = ClimbsOut;
        return read;
    }
    if (!path->startsWith('/')) {
        // Relative to the top of the trash's file system; the home trash has only absolute ones.
        if (top.isEmpty()) {
            read.origin = OutsideItsTop;
            return read;
        }
        *path = (top == "/" ? QByteArray() : top) + '/' + *path;
    } else if (!top.isEmpty() && top != "/" && *path != top && !path->startsWith(top + '/')) {
        read.origin = OutsideItsTop;
        return read;
    }
    // No doubled or trailing "/": a path of parts.
    QByteArray clean;
    for (const QByteArray &part : path->split('/')) {
        if (!part.isEmpty() && part != ".")
            clean += '/' + part;
    }
    if (clean.isEmpty() || clean == top) {
        read.origin = Empty; // the top itself was never an entry of it
        return read;
    }
    read.path = clean;
    read.origin = Known;
    return read;
}

std::optional<TrashInfo::Read> TrashInfo::read(int folderFd, const QByteArray &fileName,
                                               const QByteArray &top)
{
    const int fd = ::openat(folderFd, fileName.constData(),
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat info;
    std::optional<Read> read;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= maxSize) {
        char text[maxSize + 1];
        qsizetype got = 0;
        for (;;) {
            const ssize_t n = ::read(fd, text + got, sizeof text - size_t(got));
            if (n > 0 && (got += n) < qsizetype(sizeof text))
                continue;
            if (n < 0 && errno == EINTR)
                continue;
            break;
        }
        // One that grew past the size while it was read is no info either.
        if (got <= maxSize)
            read = parse(QByteArrayView(text, got), top);
    }
    ::close(fd);
    return read;
}

QByteArray TrashInfo::text(const QByteArray &path, const QByteArray &top, qint64 deleted)
{
    const QByteArray recorded = top.isEmpty() ? path
                                : top == "/"  ? path.mid(1)
                                              : path.mid(top.size() + 1);
    const QByteArray digits = QByteArray::number(deleted).rightJustified(14, '0');
    const QByteArray date = digits.mid(0, 4) + '-' + digits.mid(4, 2) + '-' + digits.mid(6, 2) + 'T'
                            + digits.mid(8, 2) + ':' + digits.mid(10, 2) + ':' + digits.mid(12, 2);
    return "[Trash Info]\nPath=" + recorded.toPercentEncoding("/") + "\nDeletionDate=" + date
           + '\n';
}

qint64 TrashInfo::now()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss")).toLongLong();
}
