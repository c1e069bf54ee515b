// SPDX-License-Identifier: GPL-3.0-or-later
// Figures of Search:
//   bench_search [work-folder]
// - over a tree of 1,000,000 files in 1,000 folders: the time to the last result of a search
//   through the window (Go to > Search), against find DIR -iname '*TEXT*' on the same tree,
//   both with the caches warm (the median of three);
// - how long after the first result was found it was drawn, and the longest the window took to
//   answer a key (a Down sent every 20 ms) while the walk ran.
#include "browser/filedialog.h"
#include "core/folder/search.h"
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
#include <unistd.h>
#include <vector>

namespace {

void makeTree(const QString &root)
{
    if (QFile::exists(root + "/999/999"))
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
    std::FILE *figures = fdopen(dup(1), "w");
    std::setvbuf(figures, nullptr, _IOLBF, 0);
    std::freopen("/dev/null", "w", stdout);
    const QString root = app.arguments().value(1, QDir::tempPath() + "/fm-bench-search");
    makeTree(root);
    findTime(root); // warm
    std::vector<qint64> finds;
    for (int i = 0; i < 3; ++i)
        finds.push_back(findTime(root));
    std::sort(finds.begin(), finds.end());

    fileDialog window;
    window.show();
    std::vector<qint64> ours;
    qint64 firstDrawn = -1, slowestKey = 0;
    int found = 0;
    for (int run = 0; run < 3; ++run) {
        window.showDir(root, Browse);
        // The text entry answered as a user would: typed, then the left soft key.
        QTimer::singleShot(0, [] {
            QWidget *entry = QApplication::activeModalWidget();
            if (!entry)
                return;
            QTest::keyClicks(entry->focusWidget(), "holiday");
            QTest::keyClick(entry->focusWidget(), Qt::Key_F1);
        });
        QElapsedTimer clock;
        clock.start();
        QElapsedTimer sinceKey;
        QTimer keys;
        QObject::connect(&keys, &QTimer::timeout, [&] {
            if (sinceKey.isValid())
                slowestKey = std::max(slowestKey, sinceKey.elapsed() - 20);
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(window.entryList(), &down);
            sinceKey.restart();
        });
        keys.start(20);
        int rowsBefore = 0;
        QTimer watch;
        QEventLoop done;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const int rows = window.entryList()->count();
            if (run == 0 && rowsBefore == 0 && rows > 0)
                firstDrawn = clock.elapsed();
            rowsBefore = rows;
            // The path line ends with "…" while the walk runs.
            const QString line = window.instructText();
            if ((window.browseMode() == SearchView && !line.endsWith(QStringLiteral("…")))
                || clock.elapsed() > 60000)
                done.quit();
        });
        watch.start(1);
        window.goToSearch();
        done.exec();
        ours.push_back(clock.elapsed());
        found = window.entryList()->count();
        keys.stop();
    }
    std::sort(ours.begin(), ours.end());
    std::fprintf(figures,
                 "search of 1,000,000 entries: %d found in %lld ms; find -iname %lld ms (%.2fx); "
                 "first rows seen %lld ms after the start; slowest key %lld ms late\n",
                 found, static_cast<long long>(ours[1]), static_cast<long long>(finds[1]),
                 double(ours[1]) / double(finds[1]), static_cast<long long>(firstDrawn),
                 static_cast<long long>(slowestKey));
    return 0;
}
