// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/folderentries.h"

#include "core/names/filename.h"

#include <QDir>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace {

// Names are kept as records of a length byte and the name's bytes (a name holds at most 255), in
// blocks that never move once written, so a million names cost little more than their bytes.
constexpr int blockBits = 18;
constexpr std::uint32_t blockSize = 1u << blockBits;

// What getdents64 hands over.
struct LinuxDirent64
{
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

} // namespace

// A link, or an entry whose type the file system does not tell, is what it leads to.
FolderEntries::Kind FolderEntries::kindOf(int folder, const char *name, unsigned char type)
{
    switch (type) {
    case DT_DIR:
        return Kind::Folder;
    case DT_REG:
        return Kind::File;
    case DT_LNK:
    case DT_UNKNOWN: {
        struct stat info;
        if (::fstatat(folder, name, &info, 0) != 0)
            return Kind::Neither; // a link that leads nowhere
        return S_ISDIR(info.st_mode)   ? Kind::Folder
               : S_ISREG(info.st_mode) ? Kind::File
                                       : Kind::Neither;
    }
    default:
        return Kind::Neither;
    }
}

namespace {

// UTF-16 code units of the decoded names, for names that are not plain ASCII where they differ.
int compareDecoded(QByteArrayView a, QByteArrayView b)
{
    const QString first = FileName::fromBytes(a);
    const QString second = FileName::fromBytes(b);
    const qsizetype n = std::min(first.size(), second.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = first[i].unicode(), y = second[i].unicode();
        if (x != y)
            return x < y ? -1 : 1;
    }
    return first.size() == second.size() ? 0 : first.size() < second.size() ? -1 : 1;
}

} // namespace

// One group's records, appended block after block.
class FolderEntries::Arena
{
public:
    explicit Arena(std::vector<std::unique_ptr<unsigned char[]>> &blocks)
        : m_blocks(blocks)
    {
    }

    void append(const char *name, size_t length)
    {
        if (m_own.empty() || m_used.back() + 1 + length > blockSize) {
            m_blocks.emplace_back(new unsigned char[blockSize]);
            m_own.push_back(std::uint32_t(m_blocks.size() - 1));
            m_used.push_back(0);
        }
        unsigned char *at = m_blocks[m_own.back()].get() + m_used.back();
        at[0] = static_cast<unsigned char>(length);
        std::memcpy(at + 1, name, length);
        for (size_t i = 0; i < length && m_ascii; ++i)
            m_ascii = static_cast<unsigned char>(name[i]) < 0x80;
        m_used.back() += std::uint32_t(1 + length);
        ++m_count;
    }

    int count() const { return m_count; }
    // Whether every name is plain ASCII: then bytes sort as the listing's order does.
    bool isAscii() const { return m_ascii; }

    // Writes the position of every record, in the order they were appended; returns the end.
    std::uint64_t *positions(std::uint64_t *out) const
    {
        for (size_t i = 0; i < m_own.size(); ++i) {
            const unsigned char *data = m_blocks[m_own[i]].get();
            for (std::uint32_t offset = 0; offset < m_used[i]; offset += 1 + data[offset])
                *out++ = (m_own[i] << blockBits) | offset;
        }
        return out;
    }

private:
    std::vector<std::unique_ptr<unsigned char[]>> &m_blocks;
    std::vector<std::uint32_t> m_own; // the blocks of this group
    std::vector<std::uint32_t> m_used; // how much of each is written
    int m_count = 0;
    bool m_ascii = true;
};

NameFilter::NameFilter(const QString &filter)
{
    for (const QString &pattern : QDir::nameFiltersFromString(filter)) {
        if (!pattern.isEmpty())
            m_patterns.append(
                    QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern)));
    }
}

bool NameFilter::matches(const QString &name) const
{
    if (m_patterns.isEmpty())
        return true;
    return std::any_of(m_patterns.cbegin(), m_patterns.cend(),
                       [&name](const QRegularExpression &re) { return re.match(name).hasMatch(); });
}

FolderEntries::FolderEntries() = default;

FolderEntries::~FolderEntries() = default;

bool FolderEntries::read(const QByteArray &folder, bool withFiles, const NameFilter &filter)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    Arena folders(m_blocks), files(m_blocks);
    // Large reads: a folder of a million entries takes a few hundred of them.
    constexpr size_t bufferSize = 256 * 1024;
    std::unique_ptr<char[]> buffer(new char[bufferSize]);
    for (;;) {
        const long got = ::syscall(SYS_getdents64, fd, buffer.get(), bufferSize);
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            errno = error;
            return false;
        }
        if (got == 0)
            break;
        for (long at = 0; at < got;) {
            const auto *entry = reinterpret_cast<const LinuxDirent64 *>(buffer.get() + at);
            at += entry->d_reclen;
            const char *name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
                continue;
            const Kind kind = kindOf(fd, name, entry->d_type);
            const size_t length = std::strlen(name);
            if (kind == Kind::Folder) {
                folders.append(name, length);
            } else if (kind == Kind::File && withFiles
                       && (filter.isEmpty()
                           || filter.matches(FileName::fromBytes(QByteArrayView(name, length))))) {
                files.append(name, length);
            }
        }
    }
    ::close(fd);

    m_folder = folder;
    m_withFiles = withFiles;
    m_filter = filter;
    m_tailUsed = blockSize; // the next record starts a block of its own
    m_folders = folders.count();
    m_files = files.count();
    sortRows(folders, files);
    return true;
}

// Sorting a million names by chasing each one's bytes for every comparison is most of a
// listing's time, and a sort's scratch most of its memory. Each row gets one 64-bit slot: a key
// of 4 bytes of its name (past the prefix that all names of its group share) over its record's
// position, sorted as plain numbers; rows whose keys tie are keyed again by their next 4 bytes,
// and so on. That is the listing's order where every name is ASCII; a group with other names
// compares those by compareNames where the keys cannot tell. The slots then become the rows.
void FolderEntries::sortRows(const Arena &folders, const Arena &files)
{
    const size_t total = size_t(count());
    auto *sorted = static_cast<std::uint64_t *>(std::malloc(std::max<size_t>(total, 1) * 8));
    if (!sorted)
        throw std::bad_alloc();
    std::uint64_t *middle = folders.positions(sorted);
    files.positions(middle);
    sortGroup(sorted, middle, folders.isAscii());
    sortGroup(middle, sorted + total, files.isAscii());
    // The positions alone, in order, in the front of the same buffer, which then shrinks: each
    // written behind what is still to be read.
    auto *bytes = reinterpret_cast<unsigned char *>(sorted);
    for (size_t i = 0; i < total; ++i) {
        const std::uint32_t position = std::uint32_t(sorted[i]);
        std::memcpy(bytes + i * sizeof position, &position, sizeof position);
    }
    m_rows.reset(static_cast<std::uint32_t *>(
            std::realloc(sorted, std::max<size_t>(total, 1) * sizeof(std::uint32_t))));
}

// 4 bytes of a record's name from offset on, the first highest; 0 past its end.
std::uint32_t FolderEntries::keyAt(std::uint64_t slot, size_t offset) const
{
    const unsigned char *r = record(std::uint32_t(slot));
    std::uint32_t key = 0;
    for (size_t k = 0; k < 4; ++k)
        key = (key << 8) | (offset + k < r[0] ? r[1 + offset + k] : 0);
    return key;
}

void FolderEntries::sortGroup(std::uint64_t *begin, std::uint64_t *end, bool ascii) const
{
    if (end - begin < 2)
        return;
    size_t shared = 256;
    const unsigned char *first = record(std::uint32_t(*begin));
    for (std::uint64_t *at = begin + 1; at < end && shared > 0; ++at) {
        const unsigned char *r = record(std::uint32_t(*at));
        size_t k = 0;
        const size_t n = std::min<size_t>({ shared, first[0], r[0] });
        while (k < n && first[1 + k] == r[1 + k])
            ++k;
        shared = k;
    }
    if (ascii)
        return sortByKeys(begin, end, shared);
    for (std::uint64_t *at = begin; at < end; ++at)
        *at = std::uint64_t(keyAt(*at, shared)) << 32 | std::uint32_t(*at);
    std::sort(begin, end, [this](std::uint64_t a, std::uint64_t b) {
        const std::uint64_t x = a >> 32, y = b >> 32;
        if (x != y && ((x | y) & 0x80808080u) == 0)
            return x < y;
        return compareNames(recordName(std::uint32_t(a)), recordName(std::uint32_t(b))) < 0;
    });
}

void FolderEntries::sortByKeys(std::uint64_t *begin, std::uint64_t *end, size_t offset) const
{
    for (std::uint64_t *at = begin; at < end; ++at)
        *at = std::uint64_t(keyAt(*at, offset)) << 32 | std::uint32_t(*at);
    std::sort(begin, end);
    // A run of one key goes on to the names' next bytes, unless they all ended within these.
    for (std::uint64_t *run = begin; run < end;) {
        std::uint64_t *after = run + 1;
        while (after < end && (*after >> 32) == (*run >> 32))
            ++after;
        if (after - run > 1 && (*run >> 32 & 0xff) != 0 && offset + 4 < 256)
            sortByKeys(run, after, offset + 4);
        run = after;
    }
}

QByteArrayView FolderEntries::recordName(std::uint32_t position) const
{
    const unsigned char *at = record(position);
    return QByteArrayView(at + 1, at[0]);
}

QByteArrayView FolderEntries::name(int row) const
{
    return row < 0 || row >= count() ? QByteArrayView() : recordName(m_rows[size_t(row)]);
}

int FolderEntries::lowerBound(int begin, int end, QByteArrayView wanted) const
{
    while (begin < end) {
        const int middle = begin + (end - begin) / 2;
        if (compareNames(name(middle), wanted) < 0)
            begin = middle + 1;
        else
            end = middle;
    }
    return begin;
}

int FolderEntries::rowOf(QByteArrayView wanted) const
{
    for (const auto &[begin, end] : { std::pair(0, m_folders), std::pair(m_folders, count()) }) {
        const int row = lowerBound(begin, end, wanted);
        if (row < end && name(row) == wanted)
            return row;
    }
    return -1;
}

std::uint32_t FolderEntries::appendRecord(QByteArrayView name)
{
    if (m_tailUsed + 1 + name.size() > blockSize) {
        m_blocks.emplace_back(new unsigned char[blockSize]);
        m_tailUsed = 0;
    }
    const std::uint32_t position = std::uint32_t(m_blocks.size() - 1) << blockBits | m_tailUsed;
    unsigned char *at = m_blocks.back().get() + m_tailUsed;
    at[0] = static_cast<unsigned char>(name.size());
    std::memcpy(at + 1, name.data(), size_t(name.size()));
    m_tailUsed += std::uint32_t(1 + name.size());
    return position;
}

bool FolderEntries::apply(const QByteArrayList &changedNames, Delta *delta)
{
    QByteArrayList names = changedNames;
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    // Each name costs a search and a look; a read costs a look at every entry.
    if (names.size() > count() / 4 + 1000)
        return false;
    const int fd = ::open(m_folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // A row that goes, or a record put in before the old row `at`: in row order, those put in
    // before the row that goes there, folders before files, each group by name.
    struct Change
    {
        int at;
        bool goes;
        bool file;
        std::uint32_t record;
    };
    std::vector<Change> changes;
    int folders = m_folders, files = m_files;
    for (const QByteArray &name : std::as_const(names)) {
        if (name.isEmpty() || name.contains('/') || name.size() > 255)
            continue;
        const int folderAt = lowerBound(0, m_folders, name);
        const int fileAt = lowerBound(m_folders, count(), name);
        const bool listedFolder = folderAt < m_folders && this->name(folderAt) == name;
        const bool listedFile = fileAt < count() && this->name(fileAt) == name;
        const Kind kind = kindOf(fd, name.constData(), DT_UNKNOWN);
        const bool folder = kind == Kind::Folder;
        const bool file = kind == Kind::File && m_withFiles
                          && (m_filter.isEmpty() || m_filter.matches(FileName::fromBytes(name)));
        if (listedFolder != folder) {
            changes.push_back({ folderAt, listedFolder, false, folder ? appendRecord(name) : 0 });
            folders += folder ? 1 : -1;
        }
        if (listedFile != file) {
            changes.push_back({ fileAt, listedFile, true, file ? appendRecord(name) : 0 });
            files += file ? 1 : -1;
        }
    }
    ::close(fd);
    std::sort(changes.begin(), changes.end(), [this](const Change &a, const Change &b) {
        if (a.at != b.at || a.goes != b.goes || a.file != b.file)
            return std::tie(a.at, a.goes, a.file) < std::tie(b.at, b.goes, b.file);
        return !a.goes && compareNames(recordName(a.record), recordName(b.record)) < 0;
    });
    const size_t total = size_t(folders + files);
    auto *rows = static_cast<std::uint32_t *>(std::malloc(std::max<size_t>(total, 1) * 4));
    if (!rows)
        throw std::bad_alloc();
    // The old rows between two changes are copied as one block.
    int from = 0, out = 0;
    const auto copyTo = [&](int end) {
        std::memcpy(rows + out, m_rows.get() + from, size_t(end - from) * 4);
        out += end - from;
        from = end;
    };
    // A row next to the last of a run of its kind lengthens the run.
    const auto add = [](std::vector<Range> *runs, int row) {
        if (!runs->empty() && runs->back().first + runs->back().count == row)
            ++runs->back().count;
        else
            runs->push_back({ row, 1 });
    };
    for (const Change &change : changes) {
        copyTo(change.at);
        if (change.goes) {
            add(&delta->removed, change.at);
            ++from;
        } else {
            add(&delta->inserted, out);
            rows[out++] = change.record;
        }
    }
    copyTo(count());
    m_rows.reset(rows);
    m_folders = folders;
    m_files = files;
    return true;
}

QString FolderEntries::text(int row) const
{
    return FileName::fromBytes(name(row));
}

QString FolderEntries::path(int row) const
{
    return FileName::fromBytes(m_folder + '/' + name(row).toByteArray());
}

int FolderEntries::compareNames(QByteArrayView a, QByteArrayView b)
{
    const auto *x = reinterpret_cast<const unsigned char *>(a.data());
    const auto *y = reinterpret_cast<const unsigned char *>(b.data());
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype i = 0;
    while (i < n && x[i] == y[i])
        ++i;
    if (i == a.size() && i == b.size())
        return 0;
    const unsigned char p = i < a.size() ? x[i] : 0;
    const unsigned char q = i < b.size() ? y[i] : 0;
    // Where both differ in ASCII (or one ends), bytes and UTF-16 code units agree: an ASCII byte
    // ends any multi-byte sequence before it the same way in both names.
    if (((p | q) & 0x80) == 0)
        return p < q ? -1 : 1;
    return compareDecoded(a, b);
}
