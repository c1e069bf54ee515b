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
#include <unistd.h>

namespace {

// Names are kept as records of a length byte and the name's bytes (a name holds at most 255), in
// blocks that never move once written, so a million names cost little more than their bytes.
constexpr int blockBits = 18;
constexpr std::uint32_t blockSize = 1u << blockBits;
constexpr std::uint32_t offsetMask = blockSize - 1;

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
        m_used.back() += std::uint32_t(1 + length);
        ++m_count;
    }

    int count() const { return m_count; }

    // Writes the position of every record, in the order they were appended; returns the end.
    std::uint32_t *positions(std::uint32_t *out) const
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

    m_folders = folders.count();
    m_files = files.count();
    sortRows(folders, files);
    return true;
}

// Sorting a million names by chasing each one's bytes for every comparison is most of a
// listing's time. Each name gets a key instead: the 8 bytes that follow the prefix that all names
// of its group share, which decides nearly every comparison without touching the names. A key
// with a byte of a multi-byte character (or two equal keys) leaves the decision to compareNames.
void FolderEntries::sortRows(const Arena &folders, const Arena &files)
{
    struct Keyed
    {
        std::uint64_t key;
        std::uint32_t position;
    };
    const size_t total = size_t(count());
    auto *keyed = static_cast<Keyed *>(std::malloc(std::max<size_t>(total, 1) * sizeof(Keyed)));
    if (!keyed)
        throw std::bad_alloc();
    auto *positions = reinterpret_cast<std::uint32_t *>(keyed);
    // Positions first, at the end of the same buffer, then keyed in place from the front.
    std::uint32_t *scratch = positions + total * (sizeof(Keyed) / sizeof(std::uint32_t) - 1);
    std::uint32_t *middle = folders.positions(scratch);
    files.positions(middle);

    const auto keyGroup = [&](size_t begin, size_t end) {
        size_t shared = 256;
        const unsigned char *first = begin < end ? record(scratch[begin]) : nullptr;
        for (size_t i = begin + 1; i < end && shared > 0; ++i) {
            const unsigned char *r = record(scratch[i]);
            size_t k = 0;
            const size_t n = std::min<size_t>({ shared, first[0], r[0] });
            while (k < n && first[1 + k] == r[1 + k])
                ++k;
            shared = k;
        }
        for (size_t i = begin; i < end; ++i) {
            const std::uint32_t position = scratch[i];
            const unsigned char *r = record(position);
            std::uint64_t key = 0;
            for (size_t k = 0; k < 8; ++k) {
                const size_t at = shared + k;
                key = (key << 8) | (at < r[0] ? r[1 + at] : 0);
            }
            keyed[i] = { key, position };
        }
    };
    const size_t split = size_t(m_folders);
    keyGroup(0, split);
    keyGroup(split, total);

    const auto less = [this](const Keyed &a, const Keyed &b) {
        if (a.key != b.key && ((a.key | b.key) & 0x8080808080808080ull) == 0)
            return a.key < b.key;
        const unsigned char *x = record(a.position), *y = record(b.position);
        return compareNames(QByteArrayView(x + 1, x[0]), QByteArrayView(y + 1, y[0])) < 0;
    };
    std::sort(keyed, keyed + split, less);
    std::sort(keyed + split, keyed + total, less);

    // The positions alone, in order, in the front of the same buffer, which then shrinks.
    for (size_t i = 0; i < total; ++i)
        positions[i] = keyed[i].position;
    m_rows.reset(static_cast<std::uint32_t *>(
            std::realloc(keyed, std::max<size_t>(total, 1) * sizeof(std::uint32_t))));
}

QByteArrayView FolderEntries::name(int row) const
{
    if (row < 0 || row >= count())
        return QByteArrayView();
    const unsigned char *at = record(m_rows[size_t(row)]);
    return QByteArrayView(at + 1, at[0]);
}

int FolderEntries::rowOf(QByteArrayView wanted) const
{
    for (int row = 0; row < count(); ++row) {
        if (name(row) == wanted)
            return row;
    }
    return -1;
}

QString FolderEntries::text(int row) const
{
    return FileName::fromBytes(name(row));
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
