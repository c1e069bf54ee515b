// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <unistd.h>

// Where a benchmark writes its figures: standard output as it was, line by line, while what the
// program itself prints there (the runners' debug lines, the names an operation prints) goes
// nowhere.
inline std::FILE *takeFigures()
{
    std::FILE *figures = fdopen(dup(1), "w");
    std::setvbuf(figures, nullptr, _IOLBF, 0);
    std::freopen("/dev/null", "w", stdout);
    return figures;
}
