// SPDX-License-Identifier: GPL-3.0-or-later
// The listing that follows changes from outside:  bench_live <folder> [burst]
// While another process makes 100 files a second for 10 s in the folder shown, then removes them
// at the same pace, prints the program's CPU time over each 10 s (as a share of one core) and
// the delay from the last file made (or removed) to the list showing it. With "burst", instead:
// 50,000 files made at once, and the delay from the last to the list showing them all (they are
// removed afterwards).
#include "browser/filedialog.h"
#include "core/names/filename.h"
#include "platform/zapplication.h"
#include "platform/zlistbox.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

double cpuSeconds()
{
    rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Another process makes (or removes) count files, one every pause microseconds; the list is
// watched until it holds rows: CPU time as a share of a core, and the delay after the last file.
std::pair<double, qint64> follow(fileDialog &window, const QByteArray &folder, bool making,
                                 int count, int pause, int rows)
{
    const pid_t other = ::fork();
    if (other == 0) {
        for (int i = 0; i < count; ++i) {
            const QByteArray name = folder + "/live-" + QByteArray::number(100000 + i);
            making ? ::close(::creat(name.constData(), 0644)) : ::unlink(name.constData());
            if (pause && i + 1 < count)
                ::usleep(useconds_t(pause));
        }
        ::_exit(0);
    }
    const double cpuAtStart = cpuSeconds();
    QElapsedTimer clock, sinceLast;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    bool done = false;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!done && ::waitpid(other, nullptr, WNOHANG) == other) {
            done = true;
            sinceLast.start();
        }
        if (done && window.entryList()->count() == rows)
            loop.quit();
    });
    poll.start(5);
    loop.exec();
    return { 100 * (cpuSeconds() - cpuAtStart) / (double(clock.elapsed()) / 1000),
             sinceLast.elapsed() };
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_live <folder> [burst]\n");
        return 2;
    }
    const QByteArray folder(argv[1]);
    int appArgc = 2;
    char *appArgv[] = { argv[0], argv[1], nullptr };
    ZApplication app(appArgc, appArgv, 1);
    fileDialog window;
    window.show();
    const int before = window.entryList()->count();
    if (argc > 2 && qstrcmp(argv[2], "burst") == 0) {
        const auto [cpu, delay] = follow(window, folder, true, 50000, 0, before + 50000);
        std::printf("%d entries, 50,000 files made at once: all shown %lld ms after the last\n",
                    before - 1, delay);
        follow(window, folder, false, 50000, 0, before);
        return 0;
    }
    for (const bool making : { true, false }) {
        const auto [cpu, delay]
                = follow(window, folder, making, 1000, 10000, making ? before + 1000 : before);
        std::printf("%d entries, 100 files a second %s for 10 s: CPU %.0f%% of one core, last "
                    "change shown %lld ms after its file\n",
                    before - 1, making ? "made" : "removed", cpu, delay);
    }
    return 0;
}
