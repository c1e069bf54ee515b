// SPDX-License-Identifier: GPL-3.0-or-later
// In-process figures of one listing:  bench_listing folder [repeats]
// The window's showDir (rows read, sorted, handed to the view, laid out and drawn) against a bare
// readdir and std::sort of the names' bytes, which is what any listing must do at least.
#include "browser/filedialog.h"
#include "platform/zapplication.h"
#include "platform/zlistbox.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

namespace {

qint64 median(std::vector<qint64> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_listing folder [repeats]\n");
        return 2;
    }
    int appArgc = 1;
    char *appArgv[] = { argv[0], nullptr };
    ZApplication app(appArgc, appArgv, 1);
    const char *folder = argv[1];
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    std::vector<qint64> bare, listing;
    size_t names = 0;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        std::vector<std::string> entries;
        if (DIR *dir = ::opendir(folder)) {
            while (const dirent *entry = ::readdir(dir))
                entries.emplace_back(entry->d_name);
            ::closedir(dir);
        }
        std::sort(entries.begin(), entries.end());
        bare.push_back(timer.elapsed());
        names = entries.size() - 2;
    }

    fileDialog window;
    window.show();
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        window.showDir(QString::fromLocal8Bit(folder), Browse);
        window.entryList()->currentItem(); // the rows reach the view
        QCoreApplication::processEvents(); // and are laid out and drawn
        listing.push_back(timer.elapsed());
    }
    std::printf("%zu entries: showDir %lld ms, bare readdir and sort %lld ms (medians of %d)\n",
                names, static_cast<long long>(median(listing)),
                static_cast<long long>(median(bare)), repeats);
    return 0;
}
