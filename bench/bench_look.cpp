// SPDX-License-Identifier: GPL-3.0-or-later
// The look before a copy, against a bare walk:  bench_look <folder>
// The folder is made once: 100,000 entries in 1,000 folders (99 empty files each). Prints the
// medians of five runs of OperationPlan::look() for a copy of it, and of an nftw walk that sums
// the lstat sizes.
#include "core/names/filename.h"
#include "core/operation/operationplan.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

qint64 summed = 0;

qint64 medianOf(const std::function<void()> &run)
{
    std::vector<qint64> times;
    for (int i = 0; i < 6; ++i) {
        QElapsedTimer clock;
        clock.start();
        run();
        if (i > 0) // the first run only warms the caches
            times.push_back(clock.nsecsElapsed());
    }
    std::sort(times.begin(), times.end());
    return times[2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_look <folder>\n");
        return 2;
    }
    const QByteArray root(argv[1]);
    const QByteArray tree = root + "/tree";
    if (::access((root + "/made").constData(), F_OK) != 0) {
        ::mkdir(root.constData(), 0755);
        ::mkdir(tree.constData(), 0755);
        for (int folder = 0; folder < 1000; ++folder) {
            const QByteArray path = tree + "/folder" + QByteArray::number(folder);
            ::mkdir(path.constData(), 0755);
            for (int file = 0; file < 99; ++file)
                ::close(::open((path + "/file" + QByteArray::number(file)).constData(),
                               O_CREAT | O_WRONLY, 0644));
        }
        ::close(::open((root + "/made").constData(), O_CREAT | O_WRONLY, 0644));
    }
    ::mkdir((root + "/dest").constData(), 0755);
    const OperationPlan plan = OperationPlan::single(OperationPlan::Copy, FileName::fromBytes(tree),
                                                     FileName::fromBytes(root + "/dest"));
    int entries = 0;
    const qint64 look = medianOf([&] { entries = plan.look().entries; });
    const qint64 bare = medianOf([&] {
        summed = 0;
        ::nftw(
                tree.constData(),
                [](const char *, const struct stat *info, int, FTW *) {
                    summed += info->st_size;
                    return 0;
                },
                64, FTW_PHYS);
    });
    std::printf("look before a copy of %d entries: %.1f ms, bare nftw summing lstat sizes: "
                "%.1f ms (ratio %.2f; medians of 5)\n",
                entries, look / 1e6, bare / 1e6, double(look) / double(bare));
    return 0;
}
