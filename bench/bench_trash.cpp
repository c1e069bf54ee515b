// SPDX-License-Identifier: GPL-3.0-or-later
// Figures of the trash:
//   bench_trash [work-folder]
// - the trash view of 10,000 entries in the home trash, from Go to > Trash to the list drawn,
//   against reading their infos (cat info/* > /dev/null), both with the caches warm;
// - 1,000 files moved to the trash through the window's own slots (checked, Manage > Move to
//   trash), timed from the slot to the last command done, against trash-put of the same files
//   and against the floor of doing it by hand: the 1,000 infos written, one sync -f, one mv -t.
// Each figure is the median of five runs.
#include "browser/filedialog.h"
#include "core/folder/trashinfo.h"
#include "figures.h"
#include "platform/zapplication.h"
#include "platform/zlistbox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

qint64 median(const std::function<qint64()> &run)
{
    std::vector<qint64> runs;
    for (int i = 0; i < 5; ++i)
        runs.push_back(run());
    std::sort(runs.begin(), runs.end());
    return runs[2];
}

qint64 timed(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.elapsed();
}

void shell(const QString &command)
{
    if (std::system(QFile::encodeName(command).constData()) != 0)
        std::fprintf(stderr, "failed: %s\n", qPrintable(command));
}

void makeFiles(const QString &folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QFile file(QStringLiteral("%1/file%2.dat").arg(folder).arg(i, 5, 10, QLatin1Char('0')));
        file.open(QIODevice::WriteOnly);
        file.write("x");
    }
}

// A home trash of count entries, as another program would have made it.
void fillTrash(const QString &trash, const QString &origin, int count)
{
    makeFiles(trash + "/files", count);
    QDir().mkpath(trash + "/info");
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("file%1.dat").arg(i, 5, 10, QLatin1Char('0'));
        QFile info(trash + "/info/" + name + ".trashinfo");
        info.open(QIODevice::WriteOnly);
        info.write(TrashInfo::text(QFile::encodeName(origin + '/' + name), QByteArray(),
                                   20261208100000 + i % 60));
    }
}

} // namespace

int main(int argc, char **argv)
{
    ZApplication app(argc, argv, 1);
    std::FILE *figures = takeFigures();
    const QString work = app.arguments().value(1, QDir::tempPath() + "/fm-bench-trash");
    QDir(work).removeRecursively();
    qputenv("XDG_DATA_HOME", QFile::encodeName(work + "/data"));
    qputenv("XDG_STATE_HOME", QFile::encodeName(work + "/state"));
    const QString trash = work + "/data/Trash";
    QDir().mkpath(work + "/home");

    fillTrash(trash, work + "/home", 10000);
    shell(QStringLiteral("cat '%1'/info/* > /dev/null").arg(trash)); // warm
    const qint64 cat = median([&] {
        return timed([&] { shell(QStringLiteral("cat '%1'/info/* > /dev/null").arg(trash)); });
    });
    fileDialog window;
    window.show();
    window.showDir(work + "/home", Browse);
    const qint64 view = median([&] {
        return timed([&] {
            window.showDir(work + "/home", Browse);
            window.goToTrash();
            window.entryList()->repaint();
        });
    });
    std::fprintf(figures,
                 "trash view of %d entries drawn in %lld ms; cat of their infos %lld ms (%.2fx)\n",
                 window.entryList()->count(), static_cast<long long>(view),
                 static_cast<long long>(cat), double(view) / double(cat));
    window.showDir(work + "/home", Browse);
    QDir(work + "/data").removeRecursively();

    const QString from = work + "/home/many";
    const qint64 ours = median([&] {
        QDir(work + "/data").removeRecursively();
        makeFiles(from, 1000);
        window.showDir(from, MultiSelect);
        window.multiSelectAll();
        return timed([&] { window.multi_toTrash(); });
    });
    const qint64 trashPut = median([&] {
        QDir(work + "/data").removeRecursively();
        makeFiles(from, 1000);
        return timed([&] { shell(QStringLiteral("cd '%1' && trash-put -- *").arg(from)); });
    });
    const qint64 floor = median([&] {
        QDir(work + "/data").removeRecursively();
        makeFiles(from, 1000);
        QDir().mkpath(trash + "/files");
        return timed([&] {
            QDir().mkpath(trash + "/info");
            for (const QString &name : QDir(from).entryList(QDir::Files)) {
                QFile info(trash + "/info/" + name + ".trashinfo");
                info.open(QIODevice::WriteOnly);
                info.write(TrashInfo::text(QFile::encodeName(from + '/' + name), QByteArray(),
                                           TrashInfo::now()));
            }
            shell(QStringLiteral("sync -f '%1/info' && cd '%2' && mv -t '%1/files' -- *")
                          .arg(trash, from));
        });
    });
    std::fprintf(figures,
                 "1,000 files to the trash: %lld ms through the window; trash-put %lld ms (%.2fx "
                 "ours); by hand %lld ms (ours %.2fx)\n",
                 static_cast<long long>(ours), static_cast<long long>(trashPut),
                 double(trashPut) / double(ours), static_cast<long long>(floor),
                 double(ours) / double(floor));
    QDir(work).removeRecursively();
    return 0;
}
