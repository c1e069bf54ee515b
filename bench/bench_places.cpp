// SPDX-License-Identifier: GPL-3.0-or-later
// Figures of Places (run as root, in a mount namespace of its own: unshare -m):
//   bench_places
// - Places with 20 sticks mounted under /mnt, from Go to > Places to the list drawn (median of
//   five);
// - a stick mounted while Places is shown: from the mount to its row, and the CPU the window
//   spent in 3 s with nothing changing.
#include "browser/filedialog.h"
#include "figures.h"
#include "platform/zapplication.h"
#include "platform/zlistbox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

bool mountStick(const QString &point)
{
    QDir().mkpath(point);
    return std::system(
                   qPrintable(QStringLiteral("mount -t tmpfs -o size=1m tmpfs '%1'").arg(point)))
           == 0;
}

double cpuSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

} // namespace

int main(int argc, char **argv)
{
    ZApplication app(argc, argv, 1);
    std::FILE *figures = takeFigures();
    const QString base = QStringLiteral("/mnt/fm-bench-places");
    for (int i = 0; i < 20; ++i) {
        if (!mountStick(QStringLiteral("%1/stick%2").arg(base).arg(i, 2, 10, QLatin1Char('0')))) {
            std::fprintf(figures, "places: no tmpfs can be mounted here (root in a mount "
                                  "namespace of its own is needed)\n");
            return 0;
        }
    }
    fileDialog window;
    window.show();
    std::vector<qint64> runs;
    for (int i = 0; i < 5; ++i) {
        window.showDir(QDir::homePath(), Browse);
        QElapsedTimer clock;
        clock.start();
        window.goToPlaces();
        window.entryList()->repaint();
        runs.push_back(clock.nsecsElapsed() / 1000);
    }
    std::sort(runs.begin(), runs.end());
    std::fprintf(figures, "places of %d rows drawn in %.1f ms\n", window.entryList()->count(),
                 double(runs[2]) / 1000);

    // Nothing changes: what the window costs while Places is shown.
    const double idleFrom = cpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(3000, &idle, &QEventLoop::quit);
    idle.exec();
    const double idleCpu = cpuSeconds() - idleFrom;

    const int before = window.entryList()->count();
    QElapsedTimer shown;
    shown.start();
    mountStick(base + "/late");
    QEventLoop waiting;
    QTimer poll; // the bench's own look, not the window's
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (window.entryList()->count() != before || shown.elapsed() > 5000)
            waiting.quit();
    });
    poll.start(1);
    waiting.exec();
    std::fprintf(figures, "a mount shown after %lld ms; idle for 3 s: %.3f s of CPU\n",
                 static_cast<long long>(shown.elapsed()), idleCpu);
    std::system(qPrintable(QStringLiteral("umount %1/* 2>/dev/null").arg(base)));
    QDir(base).removeRecursively();
    return 0;
}
