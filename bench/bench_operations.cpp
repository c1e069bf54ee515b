// SPDX-License-Identifier: GPL-3.0-or-later
// Figures of the operations that run commands:
//   bench_operations [work-folder [delete|replace|card]]
// (with "delete", the first five figures alone; with "replace", the replaces alone; with "card",
// the last two alone)
// - a multiple delete and a multiple copy of 1,000 one-byte files, through the window's own slots,
//   timed from the answer to the question to the last command done; the copy with and without
//   the journal that undo reads (one record flushed to the work folder's disk for each entry);
// - the same copy onto 1,000 files of the same names, replaced: to the trash, and for good;
// - the popups of a multiple copy of 300 files into a folder that holds 200 of them;
// - a copy of a tree and of one large file, behind the wait popup with and without its progress
//   sampling;
// - a copy of 1,000 small files and of one of 200 MB from a tmpfs to the work folder's disk,
//   timed to "done", which waits for the data to be on the disk, against cp -a and sync -f run
//   by hand;
// - onto a FAT image through fusefat, a folder of 200 small files one of whose names is mapped
//   (so copied entry by entry), against one cp of the folder by hand (fusefat takes some 20 ms
//   a file, and more as a folder fills).
#include "browser/filedialog.h"
#include "core/folder/treewalk.h"
#include "figures.h"
#include "platform/zapplication.h"
#include "platform/zlistbox.h"
#include "platform/zmessagedlg.h"
#include "platform/zsingleselectdlg.h"
#include "platform/zsoftkey.h"
#include "runner/deathdlg.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <unistd.h>
#include <vector>

namespace {

// Says yes to every question and takes the first choice of a choice popup; notes when it last
// answered, and how many popups it answered.
class YesSayer : public QObject
{
public:
    YesSayer()
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            auto *popup = QApplication::activeModalWidget();
            if ((qobject_cast<ZMessageDlg *>(popup) || qobject_cast<ZSingleSelectDlg *>(popup))
                && popup->isVisible()) {
                answeredAt.start();
                ++popups;
                static_cast<ZPopup *>(popup)->getSoftKey()->click(ZSoftKey::Left);
            }
        });
        m_poll.start(2);
    }
    QElapsedTimer answeredAt;
    int popups = 0;

private:
    QTimer m_poll;
};

void makeFiles(const QString &folder, int count, qint64 size)
{
    QDir().mkpath(folder);
    const QByteArray content(size, 'x');
    for (int i = 0; i < count; ++i) {
        QFile file(QStringLiteral("%1/f%2").arg(folder).arg(i, 5, 10, QLatin1Char('0')));
        file.open(QIODevice::WriteOnly);
        file.write(content);
    }
}

// replacing: the destination holds files of the same names, all replaced.
qint64 severalEntries(const QString &folder, bool copying, bool replacing = false)
{
    QDir(folder).removeRecursively();
    makeFiles(folder + "/src", 1000, 1);
    makeFiles(folder + "/dest", replacing ? 1000 : 0, 1);
    fileDialog window;
    window.showDir(folder + "/src", MultiSelect);
    window.multiSelectAll();
    YesSayer yes;
    if (copying) {
        window.multi_copy();
        window.showDir(folder + "/dest", PickCopyTarget);
        window.copy_to();
    } else {
        window.multi_del();
    }
    return yes.answeredAt.elapsed();
}

// A multiple copy of 300 files into a folder that holds 200 of them: the popups it takes.
int popupsForConflicts(const QString &folder)
{
    QDir(folder).removeRecursively();
    makeFiles(folder + "/src", 300, 1);
    makeFiles(folder + "/dest", 200, 1);
    fileDialog window;
    window.showDir(folder + "/src", MultiSelect);
    window.multiSelectAll();
    YesSayer yes;
    window.multi_copy();
    window.showDir(folder + "/dest", PickCopyTarget);
    window.copy_to();
    return yes.popups;
}

qint64 copyBehindThePopup(const QString &source, const QString &target, bool sampled)
{
    QDir(target).removeRecursively();
    QDir().mkpath(target);
    const QByteArray command
            = "cp -a \"" + QFile::encodeName(source) + "\" \"" + QFile::encodeName(target) + "/\"";
    QElapsedTimer clock;
    clock.start();
    auto *runner = new deathDlg(QString(), QStringLiteral("Copying"), command.constData());
    // As a copy measures itself: what its source holds, and what stands at its destination.
    const QByteArray copied = QFile::encodeName(target + '/' + QFileInfo(source).fileName());
    if (sampled)
        runner->setProgress([source] { return TreeWalk::bytesUnder(QFile::encodeName(source)); },
                            [copied] { return TreeWalk::bytesUnder(copied); });
    runner->exec();
    delete runner;
    return clock.elapsed();
}

// The one entry of folder copied into target through the window, as a user would: the time from
// the last answer to done.
qint64 copyThrough(const QString &folder, const QString &target)
{
    fileDialog window;
    window.showDir(folder, MultiSelect);
    window.multiSelectAll();
    YesSayer yes;
    window.multi_copy();
    window.showDir(target, PickCopyTarget);
    window.copy_to();
    return yes.answeredAt.elapsed();
}

qint64 byHand(const QString &command)
{
    QElapsedTimer clock;
    clock.start();
    if (std::system(QFile::encodeName(command).constData()) == -1)
        return -1;
    return clock.elapsed();
}

// The medians of five runs of each of two ways, taken in turn so that the machine's drift
// weighs on both alike.
std::pair<qint64, qint64> medians(const std::function<qint64(bool)> &run)
{
    std::vector<qint64> first, second;
    for (int i = 0; i < 5; ++i) {
        first.push_back(run(false));
        second.push_back(run(true));
    }
    std::sort(first.begin(), first.end());
    std::sort(second.begin(), second.end());
    return { first[2], second[2] };
}

// Copies whose end waits for the disk, and a copy entry by entry for mapped names.
void ontoADisk(const QString &work, std::FILE *figures)
{
    const QString from
            = QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/fm-bench-card") : work + "/from";
    const QString to = work + "/written";
    makeFiles(from + "/small/files", 1000, 1000);
    makeFiles(from + "/large/file", 1, qint64(200) << 20);
    for (const char *what : { "small", "large" }) {
        const auto [hand, window] = medians([&](bool throughTheWindow) {
            QDir(to).removeRecursively();
            QDir().mkpath(to);
            ::sync(); // each starts with nothing left to write
            const QString folder = from + '/' + what;
            return throughTheWindow ? copyThrough(folder, to)
                                    : byHand(QStringLiteral("cp -a '%1'/* '%2/' && sync -f '%2'")
                                                     .arg(folder, to));
        });
        std::fprintf(figures,
                     "copy of %s from a tmpfs to the disk, to done: %lld ms by hand (cp -a, "
                     "sync -f), %lld ms through the window (%.2fx; medians of 5)\n",
                     *what == 's' ? "1,000 files of 1 kB" : "one file of 200 MB",
                     static_cast<long long>(hand), static_cast<long long>(window),
                     double(window) / double(hand));
    }
    QDir(from).removeRecursively();
    QDir(to).removeRecursively();

    const QString card = work + "/card";
    QDir().mkpath(card);
    const QString mount = QStringLiteral("truncate -s 64M '%1.img' && PATH=$PATH:/sbin mkfs.vfat "
                                         "'%1.img' >/dev/null && fusefat -o rw+ '%1.img' '%1' "
                                         ">/dev/null 2>&1 && grep -q ' %1 ' /proc/self/mountinfo");
    if (std::system(QFile::encodeName(mount.arg(card)).constData()) != 0) {
        std::fprintf(figures, "no FAT image could be mounted through fusefat here\n");
        return;
    }
    makeFiles(work + "/songs/songs", 200, 1000);
    QFile(work + "/songs/songs/a:b").open(QIODevice::WriteOnly);
    const auto [whole, byEntry] = medians([&](bool throughTheWindow) {
        byHand(QStringLiteral("rm -rf '%1'/*").arg(card));
        return throughTheWindow
                       ? copyThrough(work + "/songs", card)
                       : byHand(
                               QStringLiteral("cp -dR --preserve=timestamps '%1/songs/songs' '%2/' "
                                              "2>/dev/null; sync -f '%2'")
                                       .arg(work, card));
    });
    std::fprintf(figures,
                 "copy onto a FAT card of a folder of 200 files, one name mapped: %lld ms entry "
                 "by entry, %lld ms for one cp by hand (%.2fx; medians of 5)\n",
                 static_cast<long long>(byEntry), static_cast<long long>(whole),
                 double(byEntry) / double(whole));
    byHand(QStringLiteral("fusermount -u '%1'; rm -rf '%1' '%1.img' '%2/songs'").arg(card, work));
}

} // namespace

int main(int argc, char *argv[])
{
    int appArgc = 1;
    char *appArgv[] = { argv[0], nullptr };
    ZApplication app(appArgc, appArgv, 1);
    QTemporaryDir temporary;
    const QString work = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    std::FILE *figures = takeFigures();

    if (argc > 2 && qstrcmp(argv[2], "card") == 0) {
        ontoADisk(work, figures);
        std::fclose(figures);
        return 0;
    }
    const bool replaceOnly = argc > 2 && qstrcmp(argv[2], "replace") == 0;
    if (!replaceOnly) {
        std::fprintf(figures, "multiple delete of 1,000 one-byte files: %lld ms\n",
                     static_cast<long long>(severalEntries(work + "/delete", false)));
        std::fprintf(figures, "multiple copy of 300 files, 200 of them there already: %d popups\n",
                     popupsForConflicts(work + "/conflicts"));
        // A state folder that cannot be made leaves the copy without a journal.
        const auto [without, with] = medians([&](bool journalled) {
            qputenv("XDG_STATE_HOME",
                    journalled ? QFile::encodeName(work + "/state") : "/dev/null");
            return severalEntries(work + "/copy", true);
        });
        std::fprintf(figures,
                     "multiple copy of 1,000 one-byte files: %lld ms without a journal, %lld ms "
                     "journalled (%.2fx; medians of 5)\n",
                     static_cast<long long>(without), static_cast<long long>(with),
                     double(with) / double(without));
    }
    // Replaced files go to the home trash (on the work folder's file system); where Trash is a
    // file no trash can be had, and they are removed for good.
    qputenv("XDG_STATE_HOME", QFile::encodeName(work + "/state"));
    bool allThere = true;
    const auto [forGood, trashed] = medians([&](bool trashing) {
        QDir(work + "/data").removeRecursively();
        QDir().mkpath(work + "/data");
        if (!trashing)
            QFile(work + "/data/Trash").open(QIODevice::WriteOnly);
        qputenv("XDG_DATA_HOME", QFile::encodeName(work + "/data"));
        const qint64 took = severalEntries(work + "/copy", true, true);
        allThere = allThere
                   && (!trashing
                       || QDir(work + "/data/Trash/files").entryList(QDir::Files).size() == 1000);
        return took;
    });
    std::fprintf(figures,
                 "multiple copy of 1,000 one-byte files onto 1,000: %lld ms replaced for good, "
                 "%lld ms replaced to the trash (%.2fx; medians of 5)%s\n",
                 static_cast<long long>(forGood), static_cast<long long>(trashed),
                 double(trashed) / double(forGood),
                 allThere ? "" : " - BUT NOT ALL WERE IN THE TRASH");
    QDir(work + "/data").removeRecursively();
    if (argc > 2 && (qstrcmp(argv[2], "delete") == 0 || replaceOnly)) {
        std::fclose(figures);
        return 0;
    }

    makeFiles(work + "/tree/a", 2000, 65536);
    makeFiles(work + "/tree/b", 2000, 65536);
    makeFiles(work + "/big", 1, qint64(1) << 30);
    for (const auto &[what, source] :
         { std::pair<const char *, QString>{ "a tree of 4,000 files of 64 KB", work + "/tree" },
           std::pair<const char *, QString>{ "one file of 1 GB", work + "/big/f00000" } }) {
        qint64 with = 0, without = 0;
        for (int i = 0; i < 3; ++i) {
            without += copyBehindThePopup(source, work + "/out", false);
            with += copyBehindThePopup(source, work + "/out", true);
        }
        std::fprintf(figures,
                     "copy of %s: %lld ms without progress, %lld ms with it (means of 3)\n", what,
                     static_cast<long long>(without / 3), static_cast<long long>(with / 3));
    }
    QDir(work + "/out").removeRecursively();
    QDir(work + "/big").removeRecursively();
    QDir(work + "/tree").removeRecursively();
    std::fclose(figures);
    return 0;
}
