// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/search.h"

#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool byPath(const SearchHit &a, const SearchHit &b)
{
    return a.path < b.path;
}

} // namespace

Search::Search(const QByteArray &start, const QString &text, QObject *parent)
    : QObject(parent)
    , m_start(start)
    , m_match(text)
{
    m_thread = std::thread([this] {
        walk();
        m_done = true;
        QMetaObject::invokeMethod(this, &Search::finished, Qt::QueuedConnection);
    });
}

Search::~Search()
{
    stop();
    m_thread.join();
}

void Search::stop()
{
    m_stop = true;
}

std::vector<SearchHit> Search::take()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    m_handed = false;
    return std::move(m_pending);
}

// Once a batch waits, the window is told once; what comes until it takes it joins the batch.
void Search::hand(std::vector<SearchHit> *batch)
{
    if (batch->empty())
        return;
    bool first = false;
    {
        const std::lock_guard<std::mutex> hold(m_lock);
        first = !m_handed;
        m_handed = true;
        if (m_pending.empty())
            m_pending = std::move(*batch);
        else
            m_pending.insert(m_pending.end(), std::make_move_iterator(batch->begin()),
                             std::make_move_iterator(batch->end()));
    }
    batch->clear();
    if (first)
        QMetaObject::invokeMethod(this, &Search::found, Qt::QueuedConnection);
}

void Search::walk()
{
    QSet<QPair<dev_t, ino_t>> visited;
    // Folders still to read, by their paths relative to the start ("" for the start).
    std::vector<QByteArray> folders{ QByteArray() };
    std::vector<SearchHit> batch;
    const QByteArray top = m_start == "/" ? QByteArray() : m_start;
    // The system's own folders by where they really are, whatever way the start was reached.
    char *resolved = ::realpath(m_start.constData(), nullptr);
    const QByteArray real = !resolved                     ? top
                            : qstrcmp(resolved, "/") != 0 ? QByteArray(resolved)
                                                          : QByteArray();
    std::free(resolved);
    while (!folders.empty() && !m_stop) {
        const QByteArray relative = std::move(folders.back());
        folders.pop_back();
        const QByteArray path = relative.isEmpty() ? m_start : top + '/' + relative;
        const QByteArray there = relative.isEmpty() ? real : real + '/' + relative;
        if (there == "/proc" || there == "/sys" || there == "/dev")
            continue;
        // The start may be a link to a folder; nothing below it is followed.
        const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK
                                                        | (relative.isEmpty() ? 0 : O_NOFOLLOW));
        struct stat info;
        if (fd < 0 || ::fstat(fd, &info) != 0) {
            // Gone, or replaced by a file or a link since it was listed: nothing unread.
            if (fd < 0 && errno != ENOENT && errno != ENOTDIR && errno != ELOOP)
                ++m_unreadable;
            if (fd >= 0)
                ::close(fd);
            continue;
        }
        if (visited.contains({ info.st_dev, info.st_ino })) {
            ::close(fd);
            continue;
        }
        visited.insert({ info.st_dev, info.st_ino });
        DIR *folder = ::fdopendir(fd);
        if (!folder) {
            ::close(fd);
            ++m_unreadable;
            continue;
        }
        const QByteArray prefix = relative.isEmpty() ? QByteArray() : relative + '/';
        while (const dirent *entry = m_stop ? nullptr : ::readdir(folder)) {
            const QByteArrayView name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            bool isFolder = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat inner;
                isFolder = ::fstatat(fd, entry->d_name, &inner, AT_SYMLINK_NOFOLLOW) == 0
                           && S_ISDIR(inner.st_mode);
            }
            const bool found = m_match.matches(name);
            if (!isFolder && !found)
                continue;
            QByteArray inside = prefix + name.toByteArray();
            if (isFolder)
                folders.push_back(inside);
            if (found)
                batch.push_back({ std::move(inside), isFolder });
        }
        ::closedir(folder);
        // Now and then, and at once for the first.
        if (batch.size() >= 256 || (!batch.empty() && !m_handed))
            hand(&batch);
    }
    hand(&batch);
}

// From the back, in place: the rows before the first new one never move.
std::vector<SearchResults::Range> SearchResults::merge(std::vector<SearchHit> batch)
{
    std::sort(batch.begin(), batch.end(), byPath);
    const qsizetype before = qsizetype(m_hits.size());
    m_hits.resize(m_hits.size() + batch.size());
    qsizetype old = before - 1, next = qsizetype(batch.size()) - 1, at = qsizetype(m_hits.size());
    std::vector<int> rows; // where the new ones went, last first
    rows.reserve(batch.size());
    while (next >= 0) {
        --at;
        if (old >= 0 && byPath(batch[size_t(next)], m_hits[size_t(old)])) {
            m_hits[size_t(at)] = std::move(m_hits[size_t(old--)]);
        } else {
            m_hits[size_t(at)] = std::move(batch[size_t(next--)]);
            rows.push_back(int(at));
        }
    }
    std::vector<Range> inserted;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        if (!inserted.empty() && inserted.back().first + inserted.back().count == *row)
            ++inserted.back().count;
        else
            inserted.push_back({ *row, 1 });
    }
    return inserted;
}

QByteArray SearchResults::folderOf(int row) const
{
    const QByteArray &path = at(row).path;
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray() : path.left(slash);
}

int SearchResults::rowOf(const QByteArray &path) const
{
    const auto at
            = std::lower_bound(m_hits.begin(), m_hits.end(), SearchHit{ path, false }, byPath);
    return at != m_hits.end() && at->path == path ? int(at - m_hits.begin()) : -1;
}
