// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

// A set of row numbers kept as runs (first, last), so that a list of a million rows costs what
// its runs cost: checking every row is one run, and rows that come or go before a run shift it
// without a walk over the rows.
class ZRowSet
{
public:
    bool contains(int row) const;
    void set(int row, bool on);
    // Every row from first to last, or none.
    void setAll(int first, int last, bool on);
    void clear() { m_runs.clear(); }
    bool isEmpty() const { return m_runs.empty(); }
    // Rows come before row `at` (they are not in the set) or go from there: what follows shifts.
    void insertRows(int at, int count);
    void removeRows(int at, int count);
    // The rows in the set, ascending.
    std::vector<int> rows() const;

private:
    struct Run
    {
        int first, last;
    };
    // The first run that ends at or after row.
    std::vector<Run>::iterator runFor(int row);
    void merge();

    std::vector<Run> m_runs; // ascending, apart
};
