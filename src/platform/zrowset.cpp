// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zrowset.h"

#include <algorithm>

std::vector<ZRowSet::Run>::iterator ZRowSet::runFor(int row)
{
    return std::lower_bound(m_runs.begin(), m_runs.end(), row,
                            [](const Run &run, int wanted) { return run.last < wanted; });
}

bool ZRowSet::contains(int row) const
{
    const auto run = std::lower_bound(m_runs.begin(), m_runs.end(), row,
                                      [](const Run &run, int wanted) { return run.last < wanted; });
    return run != m_runs.end() && run->first <= row;
}

void ZRowSet::set(int row, bool on)
{
    setAll(row, row, on);
}

void ZRowSet::setAll(int first, int last, bool on)
{
    if (first > last)
        return;
    // The runs that overlap [first, last] give way to what of them lies outside it, and to the
    // range itself where it is set.
    const auto begin = runFor(first);
    auto end = begin;
    std::vector<Run> put;
    Run after{ 0, -1 };
    for (; end != m_runs.end() && end->first <= last; ++end) {
        if (end->first < first)
            put.push_back({ end->first, first - 1 });
        if (end->last > last)
            after = { last + 1, end->last };
    }
    if (on)
        put.push_back({ first, last });
    if (after.first <= after.last)
        put.push_back(after);
    m_runs.insert(m_runs.erase(begin, end), put.begin(), put.end());
    merge();
}

void ZRowSet::merge()
{
    std::vector<Run> merged;
    for (const Run &run : m_runs) {
        if (!merged.empty() && merged.back().last + 1 >= run.first)
            merged.back().last = std::max(merged.back().last, run.last);
        else
            merged.push_back(run);
    }
    m_runs.swap(merged);
}

void ZRowSet::insertRows(int at, int count)
{
    for (auto run = runFor(at); run != m_runs.end(); ++run) {
        // A run that holds `at` splits: the rows that come are not in the set.
        if (run->first < at) {
            const Run after{ at + count, run->last + count };
            run->last = at - 1;
            run = m_runs.insert(run + 1, after);
            continue;
        }
        run->first += count;
        run->last += count;
    }
}

void ZRowSet::removeRows(int at, int count)
{
    setAll(at, at + count - 1, false);
    for (auto run = runFor(at); run != m_runs.end(); ++run) {
        run->first -= count;
        run->last -= count;
    }
    merge();
}

std::vector<int> ZRowSet::rows() const
{
    std::vector<int> all;
    for (const Run &run : m_runs) {
        for (int row = run.first; row <= run.last; ++row)
            all.push_back(row);
    }
    return all;
}
