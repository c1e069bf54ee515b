// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/names/namematch.h"

#include <QByteArray>
#include <QObject>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/types.h>

// One name found below the start, by its path relative to it, and whether it is a folder.
struct SearchHit
{
    QByteArray path;
    bool folder = false;
};

// The names below a folder that a NameMatch takes, found on a thread of their own. Every folder
// is entered once (by device and inode), other file systems too; no link is followed (a link is
// found by its own name); /proc, /sys and /dev are never entered. A folder that cannot be read
// is counted and left. What is found is handed on in batches: found() says when one is ready
// (at once for the first), take() takes it.
class Search : public QObject
{
    Q_OBJECT
public:
    Search(const QByteArray &start, const QString &text, QObject *parent = nullptr);
    ~Search() override; // stops the walk and waits for it
    void stop();
    std::vector<SearchHit> take();
    bool running() const { return !m_done; }
    int unreadable() const { return m_unreadable; }

signals:
    void found();
    void finished();

private:
    void walk();
    void hand(std::vector<SearchHit> *batch);

    QByteArray m_start;
    NameMatch m_match;
    std::atomic<bool> m_stop{ false };
    std::atomic<bool> m_done{ false };
    std::atomic<int> m_unreadable{ 0 };
    std::atomic<bool> m_handed{ false }; // a batch waits to be taken
    std::mutex m_lock;
    std::vector<SearchHit> m_pending;
    std::thread m_thread;
};

// The results as the window shows them: sorted by their paths (byte order), each new batch put
// in its place.
class SearchResults
{
public:
    struct Range
    {
        int first, count;
    };
    // The rows inserted, by their places after the merge, in order.
    std::vector<Range> merge(std::vector<SearchHit> batch);
    void remove(int row) { m_hits.erase(m_hits.begin() + row); }
    int count() const { return int(m_hits.size()); }
    const SearchHit &at(int row) const { return m_hits[size_t(row)]; }
    // The folder of a result, relative to the start; empty for the start itself.
    QByteArray folderOf(int row) const;
    int rowOf(const QByteArray &path) const;

private:
    std::vector<SearchHit> m_hits;
};
