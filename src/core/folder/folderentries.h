// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QList>
#include <QRegularExpression>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

// The wildcard name filter of the command line ("*.mp3;*.ogg" or "*.mp3 *.ogg"), compiled once.
// An empty filter matches every name.
class NameFilter
{
public:
    explicit NameFilter(const QString &filter = QString());
    bool isEmpty() const { return m_patterns.isEmpty(); }
    bool matches(const QString &name) const;

private:
    QList<QRegularExpression> m_patterns;
};

// One folder's entries as the listing shows them: the folders (links to folders too), then the
// regular files (links to them too) that match the filter, each group sorted by the UTF-16 code
// units of the names, case-sensitively. Hidden entries count; "." and "..", dangling links,
// pipes, sockets and devices do not. Names stay bytes, whatever they hold, in large blocks, and
// a row's text is made only when it is asked for.
class FolderEntries
{
public:
    FolderEntries();
    ~FolderEntries();

    // Reads the folder; false, with the reason in errno, when it cannot be opened or an error
    // stops the reading of its entries (a shorter listing would pass for the whole folder).
    bool read(const QByteArray &folder, bool withFiles, const NameFilter &filter);

    // What changed in the rows, as ranges: first the runs of old rows that went (by their old
    // numbers), then the runs of new rows that came (by their new numbers), each ascending.
    struct Range
    {
        int first = 0;
        int count = 0;
        bool operator==(const Range &other) const
        {
            return first == other.first && count == other.count;
        }
    };
    struct Delta
    {
        std::vector<Range> removed;
        std::vector<Range> inserted;
    };
    // Follows the entries of these names as they stand now, without reading the folder again:
    // each is taken out, put in at its sorted row, or left. False, changing nothing, where the
    // folder cannot be opened or so many changed that reading it again costs less.
    bool apply(const QByteArrayList &names, Delta *delta);

    int count() const { return m_folders + m_files; }
    bool isFolder(int row) const { return row < m_folders; }
    QString text(int row) const;
    QByteArrayView name(int row) const;
    // The row's path: the folder read and the row's name.
    QString path(int row) const;
    // The row of a name, or -1: a pass over the bytes, with no text made.
    int rowOf(QByteArrayView name) const;

    // What an entry of the folder open as folderFd is listed as, by the type that the folder
    // reports (a DT_ value), or, for a link or an unknown type, by what the name leads to.
    enum class Kind { Folder, File, Neither };
    static Kind kindOf(int folderFd, const char *name, unsigned char type);

    // The listing's order of two names given as bytes: negative, zero or positive.
    static int compareNames(QByteArrayView a, QByteArrayView b);

private:
    class Arena;
    struct FreeDeleter
    {
        void operator()(void *memory) const { std::free(memory); }
    };
    void sortRows(const Arena &folders, const Arena &files);
    void sortGroup(std::uint64_t *begin, std::uint64_t *end, bool ascii) const;
    void sortByKeys(std::uint64_t *begin, std::uint64_t *end, size_t offset) const;
    std::uint32_t keyAt(std::uint64_t slot, size_t offset) const;
    std::uint32_t appendRecord(QByteArrayView name);
    QByteArrayView recordName(std::uint32_t position) const;
    // The first row of [begin, end) whose name does not sort before this one.
    int lowerBound(int begin, int end, QByteArrayView wanted) const;
    // A record: a length byte and the name's bytes, at a position of block << 18 | offset.
    const unsigned char *record(std::uint32_t position) const
    {
        return m_blocks[position >> 18].get() + (position & ((1u << 18) - 1));
    }

    std::vector<std::unique_ptr<unsigned char[]>> m_blocks;
    std::unique_ptr<std::uint32_t[], FreeDeleter> m_rows; // each row's record, in order
    int m_folders = 0;
    int m_files = 0;
    // What was read, so that changes are followed alike; and where a new record goes. Records
    // of names that went stay until the folder is read again.
    QByteArray m_folder;
    bool m_withFiles = true;
    NameFilter m_filter;
    std::uint32_t m_tailUsed = 0;
};
