// SPDX-License-Identifier: GPL-3.0-or-later
// Figures of Search:
//   bench_search [work-folder]
// - over a tree of 1,000,000 files in 1,000 folders: the time to the last result of a search
//   through the window (Go to > Search), against find DIR -iname '*TEXT*' on the same tree,
//   both with the caches warm (the median of three);
// - how long after the first result was found it was drawn, and the longest the window took to
//   answer a key (a Down sent every 20 ms) while the walk ran;
// - a search that finds 999,000 of them: its time, the keys, and the memory a result takes.
#include "browser/filedialog.h"
#include "core/folder/search.h"
#include "figures.h"
#include "platform/zapplication.h"
#include "platform/zlistbox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

void makeTree(const QString &root)
{
    if (QFile::exists(root + "/999/999.dat"))
        return;
    for (int f = 0; f < 1000; ++f) {
        const QByteArray folder = QFile::encodeName(QStringLiteral("%1/%2").arg(root).arg(f));
        QDir().mkpath(QString::fromUtf8(folder));
        for (int i = 0; i < 1000; ++i) {
            // One name in a thousand holds the text.
            const QByteArray path
                    = folder + '/' + QByteArray::number(i) + (i == 500 ? "-Holiday.jpg" : ".dat");
            std::FILE *file = std::fopen(path.constData(), "w");
            if (file)
                std::fclose(file);
        }
    }
}

// The most this process has held in memory, in KiB.
long maxResident()
{
    struct rusage usage;
    return ::getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : 0;
}

qint64 findTime(const QString &root)
{
    QElapsedTimer clock;
    clock.start();
    const QString command = QStringLiteral("find '%1' -iname '*holiday*' > /dev/null").arg(root);
    if (std::system(QFile::encodeName(command).constData()) != 0)
        std::fprintf(stderr, "find failed\n");
    return clock.elapsed();
}

} // namespace

int main(int argc, char **argv)
{
    ZApplication app(argc, argv, 1);
    std::FILE *figures = takeFigures();
    const QString root = app.arguments().value(1, QDir::tempPath() + "/fm-bench-search");
    makeTree(root);
    findTime(root); // warm
    std::vector<qint64> finds;
    for (int i = 0; i < 3; ++i)
        finds.push_back(findTime(root));
    std::sort(finds.begin(), finds.end());

    fileDialog window;
    window.show();
    struct Run
    {
        qint64 ms = 0, firstSeen = -1, slowestKey = 0;
        int rows = 0;
    };
    const auto search = [&window, &root](const char *text) {
        Run run;
        window.showDir(root, Browse);
        // The text entry answered as a user would, once it is up: typed, then the left soft key.
        QTimer typing;
        QObject::connect(&typing, &QTimer::timeout, [&typing, text] {
            QWidget *entry = QApplication::activeModalWidget();
            if (!entry || !entry->focusWidget())
                return;
            typing.stop();
            QTest::keyClicks(entry->focusWidget(), text);
            QTest::keyClick(entry->focusWidget(), Qt::Key_F1);
        });
        typing.start(5);
        QElapsedTimer clock;
        clock.start();
        QElapsedTimer sinceKey;
        QTimer keys;
        QObject::connect(&keys, &QTimer::timeout, [&] {
            if (sinceKey.isValid())
                run.slowestKey = std::max(run.slowestKey, sinceKey.elapsed() - 20);
            if (sinceKey.isValid() && sinceKey.elapsed() > 70)
                fprintf(stderr, "LATE %lld at %lld rows %d mode %d\n", sinceKey.elapsed(),
                        clock.elapsed(), window.entryList()->count(), window.browseMode());
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(window.entryList(), &down);
            sinceKey.restart();
        });
        keys.start(20);
        QTimer watch;
        QEventLoop done;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (run.firstSeen < 0 && window.browseMode() == SearchView
                && window.entryList()->count() > 0)
                run.firstSeen = clock.elapsed();
            // The path line ends with "…" while the walk runs.
            const QString line = window.instructText();
            if ((window.browseMode() == SearchView && !line.endsWith(QStringLiteral("…")))
                || clock.elapsed() > 120000)
                done.quit();
        });
        watch.start(1);
        window.goToSearch();
        done.exec();
        run.ms = clock.elapsed();
        run.rows = window.entryList()->count();
        return run;
    };
    std::vector<Run> runs;
    for (int i = 0; i < 3; ++i)
        runs.push_back(search("holiday"));
    std::sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) { return a.ms < b.ms; });
    const Run &middle = runs[1];
    std::fprintf(figures,
                 "search of 1,000,000 entries: %d found in %lld ms; find -iname %lld ms (%.2fx); "
                 "first rows seen %lld ms after the start; slowest key %lld ms late\n",
                 middle.rows, static_cast<long long>(middle.ms), static_cast<long long>(finds[1]),
                 double(middle.ms) / double(finds[1]), static_cast<long long>(middle.firstSeen),
                 static_cast<long long>(middle.slowestKey));
    // Nearly every name found: what a million results hold.
    const long before = maxResident();
    const Run all = search("dat");
    std::fprintf(figures,
                 "search finding %d of them: %lld ms, slowest key %lld ms late, %.0f bytes a "
                 "result at most\n",
                 all.rows, static_cast<long long>(all.ms), static_cast<long long>(all.slowestKey),
                 double(maxResident() - before) * 1024 / std::max(all.rows, 1));
    return 0;
}
