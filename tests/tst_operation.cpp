// SPDX-License-Identifier: GPL-3.0-or-later
// An operation's policies without a window: a scripted asker answers, the real shell runs the
// commands on a temporary tree, and what is left there is what counts.
#include "core/operation/operation.h"
#include "core/shell/diskwrite.h"
#include "support/operationscript.h"
#include "support/testfiles.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// What stands in the way at the destination, and what a test checks stays as it was.
enum There { File, Folder, LinkToFile, LinkToFolder, Fifo };
// The user's answer: one choice for all, or deciding for each with yes or no, or a cancel.
enum Answer { ReplaceAll, Skip, KeepBoth, DecideYes, DecideNo, Cancel };

QString describe(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return "link to " + info.symLinkTarget();
    struct stat fifo;
    if (::lstat(QFile::encodeName(path).constData(), &fifo) == 0 && S_ISFIFO(fifo.st_mode))
        return QStringLiteral("fifo");
    if (info.isDir())
        return "folder of "
               + QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).join(',');
    return info.exists() ? "file " + readFile(path) : QStringLiteral("nothing");
}

// What stands at dest/e to be replaced (a folder merged is replaced inside: e/inner).
enum Replaced { AFile, ALinkToFile, ALinkToFolder, APipe, AFolderByFile, AFileByFolder, InMerge };
// Which trash takes it: the home trash, or one at the top of a tmpfs over dest: its own, a shared
// .Trash with the sticky bit, a .Trash that is a link (refused); or the home trash where the name
// is taken already.
// Emptied: the home trash, emptied before the undo.
enum Trashed { Home, Top, TopShared, TopLinked, HomeNameTaken, HomeEmptied };

// An 8 MiB FAT image at card, mounted through fusefat as a desktop mounts a card; empty, or why
// it could not be.
QString mountFat(const QString &image, const QString &card)
{
    if (!QFile::exists("/dev/fuse") || QStandardPaths::findExecutable("fusefat").isEmpty()
        || QStandardPaths::findExecutable("mkfs.vfat", { "/sbin", "/usr/sbin" }).isEmpty())
        return QStringLiteral("no FAT image can be mounted here: needs /dev/fuse, fusefat and "
                              "dosfstools");
    QByteArray quiet;
    const int mounted = runProgram(
            "sh",
            { "-c", R"(truncate -s 8M "$1" && PATH=$PATH:/sbin:/usr/sbin mkfs.vfat "$1" &&
                                 fusefat -o rw+ "$1" "$2")",
              "sh", image, card },
            &quiet);
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    if (mounted != 0 || !mounts.open(QIODevice::ReadOnly)
        || !mounts.readAll().contains(' ' + QFile::encodeName(card) + ' '))
        return QStringLiteral("the FAT image could not be mounted through fusefat here (in a user "
                              "namespace, fusermount mounts elsewhere)");
    return QString();
}

} // namespace

class tst_Operation : public QObject
{
    Q_OBJECT

private slots:
    // Each choice against each kind of entry in the way, for a copy and a move, within one file
    // system and to another. Two entries go: e meets what stands there, f nothing.
    void policies_data();
    void policies();
    void questionOrder_data();
    void questionOrder();
    void refusedEntriesLeaveTheOthers();
    void mergeKeepsARealFolderForALink();
    void caseClashesOnACard();
    void mappedOntoACard();
    // Files just under, at and over 4 GiB (sparse) onto a FAT card through FUSE and onto tmpfs:
    // on FAT the larger ones are named before the work, left out when agreed, and the room is
    // that of what is left.
    void tooLargeForTheCard_data();
    void tooLargeForTheCard();
    // An eject through udisksctl (a recording one first on PATH), and through umount.
    void eject_data();
    void eject();
    void roomToTheLastUnit();
    void moveKeepsItsSourceUntilWritten();
    // Each kind of entry a replace removes, in each kind of trash: there with its info, and back
    // with its bytes after undo.
    void replacedGoToTheTrash_data();
    void replacedGoToTheTrash();
    void stopPutsBackWhatWasAhead();
    void undoGoesBackThreeStepsAfterARestart();
    // Another program puts another entry in the place of the one chosen while the question is
    // open: neither is touched, and it is said.
    void swapBeforeTheCommand_data();
    void swapBeforeTheCommand();
    // A kill in a replace of all, right after the batch put the old entries in the trash, and
    // right after the first copy was whole but before its outcome was written.
    void killedDuringAReplaceOfAll_data();
    void killedDuringAReplaceOfAll();
    // A copy that does not fit, and a replace where the trash's info cannot be written.
    void fullDestination_data();
    void fullDestination();
    void flushedBeforeTheyCount();
};

void tst_Operation::policies_data()
{
    QTest::addColumn<OperationPlan::Kind>("kind");
    QTest::addColumn<int>("there");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("otherFileSystem");
    const char *const thereNames[]
            = { "a file", "a folder", "a link to a file", "a link to a folder", "a pipe" };
    const char *const answerNames[]
            = { "replace all", "skip", "keep both", "decide: yes", "decide: no", "cancel" };
    for (const OperationPlan::Kind kind : { OperationPlan::Copy, OperationPlan::Move }) {
        for (int there = File; there <= Fifo; ++there) {
            for (int answer = ReplaceAll; answer <= Cancel; ++answer) {
                for (const bool other : { false, true })
                    QTest::addRow("%s onto %s, %s%s", kind == OperationPlan::Copy ? "copy" : "move",
                                  thereNames[there], answerNames[answer],
                                  other ? ", another file system" : "")
                            << kind << there << answer << other;
            }
        }
    }
}

void tst_Operation::policies()
{
    QFETCH(OperationPlan::Kind, kind);
    QFETCH(int, there);
    QFETCH(int, answer);
    QFETCH(bool, otherFileSystem);
    TestFolder folder;
    QVERIFY(folder.makeDirs({ "src", "dest", "keep/dir" }));
    const Tmpfs dest(folder / "dest", otherFileSystem);
    if (otherFileSystem && !dest.mounted())
        QSKIP(noMount);
    QVERIFY(folder.makeFiles({ { "src/e", "new" }, { "src/f", "f" }, { "keep/f", "keep" } }));
    const QString e = folder / "dest/e";
    switch (There(there)) {
    case File:
        QVERIFY(makeFile(e, "old"));
        break;
    case Folder:
        QVERIFY(folder.makeDirs({ "dest/e/inner" }));
        break;
    case LinkToFile:
        QVERIFY(QFile::link(folder / "keep/f", e));
        break;
    case LinkToFolder:
        QVERIFY(QFile::link(folder / "keep/dir", e));
        break;
    case Fifo:
        QCOMPARE(::mkfifo(QFile::encodeName(e).constData(), 0644), 0);
        break;
    }
    const QString before = describe(e);

    ScriptedAsker asker;
    asker.choice = answer == Cancel       ? std::nullopt
                   : answer == Skip       ? std::optional(OperationPlan::SkipExisting)
                   : answer == KeepBoth   ? std::optional(OperationPlan::KeepBoth)
                   : answer == ReplaceAll ? std::optional(OperationPlan::ReplaceAll)
                                          : std::optional(OperationPlan::DecideEach);
    asker.decisions = { answer == DecideYes };
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    Operation(asker, runner, journal)
            .run(OperationPlan::multiple(kind, folder / "src", { "e", "f" }, folder / "dest"));

    const bool replaced = answer == ReplaceAll || answer == DecideYes;
    const bool keptBoth = answer == KeepBoth;
    QCOMPARE(describe(e), replaced ? QStringLiteral("file new") : before);
    QCOMPARE(describe(folder / "dest/e (2)"),
             keptBoth ? QStringLiteral("file new") : QStringLiteral("nothing"));
    QCOMPARE(describe(folder / "dest/f"),
             answer == Cancel ? QStringLiteral("nothing") : QStringLiteral("file f"));
    // A source goes only with its copy in place.
    const bool moved = kind == OperationPlan::Move;
    QCOMPARE(QFile::exists(folder / "src/e"), !moved || !(replaced || keptBoth));
    QCOMPARE(QFile::exists(folder / "src/f"), !moved || answer == Cancel);
    // Nothing is ever written through what stood there.
    QCOMPARE(readFile(folder / "keep/f"), QByteArray("keep"));
    QCOMPARE(describe(folder / "keep/dir"), QStringLiteral("folder of "));
    QCOMPARE(asker.asked.mid(0, 2), QStringList({ "confirm", "choice" }));
}

// Asked in this order, each only where it applies, and whatever ends it ends it before anything
// is written there: the question, the room, the choice for what stands there.
void tst_Operation::questionOrder_data()
{
    QTest::addColumn<int>("noAt"); // the question answered no, or -1
    QTest::addColumn<QStringList>("asked");
    const QStringList all = { "confirm", "room", "choice" };
    QTest::newRow("all answered") << -1 << all;
    QTest::newRow("no to the question") << 0 << all.mid(0, 1);
    QTest::newRow("no to the room") << 1 << all.mid(0, 2);
    QTest::newRow("the choice cancelled") << 2 << all;
}

void tst_Operation::questionOrder()
{
    QFETCH(int, noAt);
    QFETCH(QStringList, asked);
    TestFolder folder;
    QVERIFY(folder.makeDirs({ "small" }));
    const Tmpfs small(folder / "small", true, QStringLiteral("64k"));
    if (!small.mounted())
        QSKIP(noMount);
    QVERIFY(folder.makeFiles({ { "src/big", QByteArray(200000, 'b') },
                               { "src/p", "new p" },
                               { "small/p", "old p" } }));
    ScriptedAsker asker;
    asker.confirmed = noAt != 0;
    asker.goOn = noAt != 1;
    if (noAt == 2)
        asker.choice = std::nullopt;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    const Operation::Result result
            = Operation(asker, runner, journal)
                      .run(OperationPlan::multiple(OperationPlan::Copy, folder / "src",
                                                   { "big", "p" }, folder / "small"));
    QCOMPARE(asker.asked.mid(0, 3), asked);
    QCOMPARE(result.agreed, noAt < 0);
    if (noAt >= 0) {
        QCOMPARE(runner.commands, QByteArrayList());
        QCOMPARE(entriesOf(QFile::encodeName(folder / "small")), QByteArrayList({ "p" }));
    }
}

// A folder into itself, and an entry whose command would not fit: each refused with its reason,
// before anything of it runs; the other entries go on.
void tst_Operation::refusedEntriesLeaveTheOthers()
{
    TestFolder folder;
    QString deep = folder.path();
    for (int i = 0; i < 3; ++i)
        deep += u'/' + QString(200, QChar(u'a' + i));
    const QString longName = QString(250, u'n');
    QVERIFY(makeFile(deep + u'/' + longName, "long") && makeFile(deep + "/x", "x"));
    QVERIFY(folder.makeFiles({ { "tree/inner/leaf", "leaf" }, { "x", "x" } }));
    ScriptedAsker asker;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    Operation(asker, runner, journal)
            .run(OperationPlan::multiple(OperationPlan::Move, folder.path(), { "tree", "x" },
                                         folder / "tree/inner"));
    QCOMPARE(asker.asked,
             QStringList({ "confirm", QStringLiteral("refused %1").arg(Asker::IntoItself) }));
    QCOMPARE(readFile(folder / "tree/inner/x"), QByteArray("x"));
    QCOMPARE(readFile(folder / "tree/inner/leaf"), QByteArray("leaf"));

    const QString target = folder / QString(200, u'z');
    QVERIFY(QDir().mkpath(target));
    ScriptedAsker again;
    Operation(again, runner, journal)
            .run(OperationPlan::multiple(OperationPlan::Copy, deep, { longName, "x" }, target));
    QCOMPARE(again.asked,
             QStringList({ "confirm", QStringLiteral("refused %1").arg(Asker::TooLong) }));
    QCOMPARE(readFile(target + "/x"), QByteArray("x"));
    QVERIFY(!QFile::exists(target + u'/' + longName));
}

// A folder moved onto a folder that holds something: what is inside goes across, merged at every
// depth, and the emptied folder goes. A link inside never replaces a real folder there, even
// under "Replace all": it is kept beside it.
void tst_Operation::mergeKeepsARealFolderForALink()
{
    TestFolder folder;
    QVERIFY(folder.makeFiles({ { "a/tree/inner/leaf", "leaf" },
                               { "b/tree/other", "other" },
                               { "b/tree/inner/old", "old" },
                               { "b/tree/Music/song", "song" } }));
    QVERIFY(QFile::link(folder / "b/tree/Music", folder / "a/tree/Music"));
    ScriptedAsker asker;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    Operation(asker, runner, journal)
            .run(OperationPlan::single(OperationPlan::Move, folder / "a/tree", folder / "b"));
    QCOMPARE(asker.look.linksOntoFolders, 1);
    QCOMPARE(entriesOf(QFile::encodeName(folder / "b/tree")),
             QByteArrayList({ "Music", "Music (2)", "inner", "other" }));
    QCOMPARE(readFile(folder / "b/tree/Music/song"), QByteArray("song"));
    QVERIFY(QFileInfo(folder / "b/tree/Music (2)").isSymLink());
    QCOMPARE(entriesOf(QFile::encodeName(folder / "b/tree/inner")),
             QByteArrayList({ "leaf", "old" }));
    QVERIFY(!QFile::exists(folder / "a/tree"));
}

// A FAT card (a real image, through fusefat) takes names that differ only in case for one: the
// second of each pair arrives under the name keep both gives it, at the top and inside a folder;
// and no source goes whose copy is not there.
void tst_Operation::caseClashesOnACard()
{
    TestFolder folder;
    const QString card = folder / "card";
    QVERIFY(folder.makeDirs({ "card" }));
    if (const QString no = mountFat(folder / "card.img", card); !no.isEmpty())
        QSKIP(qPrintable(no));
    const auto unmount = qScopeGuard([&] { runProgram("fusermount", { "-u", card }); });
    QVERIFY(folder.makeFiles({ { "a/music/A.txt", "UPPER" },
                               { "a/music/a.txt", "lower" },
                               { "a/IMG.JPG", "big" },
                               { "a/img.jpg", "small" } }));
    ScriptedAsker asker;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    Operation(asker, runner, journal)
            .run(OperationPlan::multiple(OperationPlan::Move, folder / "a",
                                         { "IMG.JPG", "img.jpg", "music" }, card));
    QCOMPARE(asker.look.caseClashes, 2);
    QCOMPARE(entriesOf(QFile::encodeName(card)),
             QByteArrayList({ "IMG.JPG", "img (2).jpg", "music" }));
    QCOMPARE(entriesOf(QFile::encodeName(card + "/music")),
             QByteArrayList({ "A.txt", "a (2).txt" }));
    const QStringList arrived = { "IMG.JPG", "img (2).jpg", "music/A.txt", "music/a (2).txt" };
    const QStringList sources = { "IMG.JPG", "img.jpg", "music/A.txt", "music/a.txt" };
    const QByteArrayList contents = { "big", "small", "UPPER", "lower" };
    for (int i = 0; i < sources.size(); ++i) {
        QCOMPARE(readFile(card + '/' + arrived[i]), contents[i]);
        const QByteArray left = readFile(folder / ("a/" + sources[i]));
        QVERIFY(left == "<missing>" || left == contents[i]);
    }
}

// Names a card cannot hold (a name that is not UTF-8 among them), stored mapped deep inside a
// folder, a link left out (a FAT card keeps none), and taken back by undo; then a rename that
// changes only the case, and its undo. (Room counted in whole units: roomToTheLastUnit.)
void tst_Operation::mappedOntoACard()
{
    TestFolder folder;
    const QString card = folder / "card";
    QVERIFY(folder.makeDirs({ "card" }));
    if (const QString no = mountFat(folder / "card.img", card); !no.isEmpty())
        QSKIP(qPrintable(no));
    const auto unmount = qScopeGuard([&] { runProgram("fusermount", { "-u", card }); });
    QVERIFY(folder.makeFiles({ { "a/songs/a:b.txt", "colon" },
                               { "a/songs/a_b.txt", "plain" },
                               { "a/songs/cd/Why?. ", "why" } }));
    QVERIFY(makeFileBytes(QFile::encodeName(folder.path()) + "/a/songs/caf\xe9.txt", "latin")
            && QFile::link("a_b.txt", folder / "a/songs/link"));
    ScriptedAsker asker;
    asker.forNames = Asker::StoreMapped;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    const Operation::Result result
            = Operation(asker, runner, journal)
                      .run(OperationPlan::multiple(OperationPlan::Copy, folder / "a", { "songs" },
                                                   card));
    QCOMPARE(asker.asked, QStringList({ "confirm", "names" }));
    QCOMPARE(asker.look.unstorable, 4);
    QCOMPARE(result.failures, QByteArray());
    QCOMPARE(entriesOf(QFile::encodeName(card + "/songs")),
             QByteArrayList({ "a_b (2).txt", "a_b.txt", "caf_.txt", "cd" }));
    QCOMPARE(readFile(card + "/songs/a_b (2).txt") + readFile(card + "/songs/a_b.txt")
                     + readFile(card + "/songs/cd/Why_"),
             QByteArray("colonplainwhy"));
    Operation(asker, runner, journal).undo();
    QCOMPARE(entriesOf(QFile::encodeName(card)), QByteArrayList());

    QVERIFY(makeFile(card + "/README.TXT", "read me"));
    asker.typedNames = { "readme.txt" };
    Operation(asker, runner, journal).rename(card + "/README.TXT");
    QCOMPARE(entriesOf(QFile::encodeName(card)), QByteArrayList({ "readme.txt" }));
    Operation(asker, runner, journal).undo();
    QCOMPARE(entriesOf(QFile::encodeName(card)), QByteArrayList({ "README.TXT" }));
}

void tst_Operation::tooLargeForTheCard_data()
{
    QTest::addColumn<bool>("fat");
    QTest::addColumn<QStringList>("files"); // in in/, by their size in bytes beyond 4 GiB
    QTest::addColumn<bool>("agreed");
    QTest::addColumn<QStringList>("asked");
    const QStringList three = { "-1", "0", "1" };
    QTest::newRow("FAT, no") << true << three << false
                             << QStringList{ "confirm", "too large 2 in/0,in/1 4294967295" };
    QTest::newRow("FAT, yes: the rest fits")
            << true << QStringList{ "0", "small" } << true
            << QStringList{ "confirm", "too large 1 in/0 4294967295" };
    QTest::newRow("tmpfs: no limit, no room")
            << false << three << false << QStringList{ "confirm", "room" };
}

void tst_Operation::tooLargeForTheCard()
{
    QFETCH(bool, fat);
    QFETCH(QStringList, files);
    QFETCH(bool, agreed);
    QFETCH(QStringList, asked);
    TestFolder folder;
    const QString card = folder / "card";
    QVERIFY(folder.makeDirs({ "card", "in" }));
    std::optional<Tmpfs> small;
    if (fat) {
        if (const QString no = mountFat(folder / "card.img", card); !no.isEmpty())
            QSKIP(qPrintable(no));
    } else if (!small.emplace(card).mounted()) {
        QSKIP(noMount);
    }
    const auto unmount = qScopeGuard([&] {
        if (fat)
            runProgram("fusermount", { "-u", card });
    });
    for (const QString &name : files) {
        QFile file(folder / "in/" + name);
        QVERIFY(file.open(QIODevice::WriteOnly)
                && file.resize(name == "small" ? 5 : (qint64(1) << 32) + name.toInt()));
    }
    ScriptedAsker asker;
    asker.goOn = agreed;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    Operation(asker, runner, journal)
            .run(OperationPlan::multiple(OperationPlan::Copy, folder.path(), { "in" }, card));
    QCOMPARE(asker.asked, asked);
    QCOMPARE(entriesOf(QFile::encodeName(card + "/in")),
             agreed ? QByteArrayList{ "small" } : QByteArrayList{});
}

void tst_Operation::eject_data()
{
    QTest::addColumn<bool>("udisks");
    QTest::addColumn<QString>("recorded");
    QTest::newRow("through udisksctl") << true << "unmount -b %1/sdz1\npower-off -b %1/sdz1\n";
    QTest::newRow("through umount") << false << "<missing>";
}

void tst_Operation::eject()
{
    QFETCH(bool, udisks);
    QFETCH(QString, recorded);
    TestFolder folder;
    QVERIFY(folder.makeDirs({ "bin", "stick" }));
    const QString device = folder / "sdz1", stick = folder / "stick";
    // A block device's node that nothing opens: the source a stick's mount names.
    if (runProgram("mknod", { device, "b", "7", "250" }) != 0
        || runProgram("mount", { "-t", "tmpfs", device, stick }) != 0)
        QSKIP(noMount);
    const auto unmount = qScopeGuard([&] { runProgram("umount", { stick }); });
    // udisks2 unmounts what it is asked to: here by the mount point it was given.
    QVERIFY(makeFile(folder / "bin/udisksctl",
                     QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$*\" >> %1/recorded\n"
                                    "[ \"$1\" != unmount ] || umount %2\n")
                             .arg(folder.path(), stick)
                             .toUtf8()));
    QVERIFY(QFile::setPermissions(folder / "bin/udisksctl", QFile::ExeOwner | QFile::ReadOwner));
    const QByteArray path = qgetenv("PATH");
    if (udisks)
        qputenv("PATH", QFile::encodeName(folder / "bin") + ':' + path);
    const auto restore = qScopeGuard([&] { qputenv("PATH", path); });
    ScriptedAsker asker;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    const Operation::Result result = Operation(asker, runner, journal).eject(stick, device);
    QVERIFY(result.ejected);
    QCOMPARE(runner.commands.size(), udisks ? 3 : 2);
    QCOMPARE(QString::fromUtf8(readFile(folder / "recorded")),
             udisks ? recorded.arg(folder.path()) : recorded);
    QFile mounts(QStringLiteral("/proc/self/mountinfo"));
    QVERIFY(mounts.open(QIODevice::ReadOnly));
    QVERIFY(!mounts.readAll().contains(' ' + QFile::encodeName(stick) + ' '));
    // Nothing to unmount any more: the failure is the eject's, and it is no eject.
    const Operation::Result again = Operation(asker, runner, journal).eject(stick, device);
    QVERIFY(!again.ejected && !again.failures.isEmpty());
}

// Files take whole units: as many one-byte files as a 64 KiB tmpfs has pages fit, one more not.
void tst_Operation::roomToTheLastUnit()
{
    TestFolder folder;
    QVERIFY(folder.makeDirs({ "small" }));
    const Tmpfs small(folder / "small", true, QStringLiteral("64k"));
    if (!small.mounted())
        QSKIP(noMount);
    QStringList names;
    for (int i = 0; i < 17; ++i)
        QVERIFY(makeFile(folder / "src/" + (names << QString::number(i)).last(), "x"));
    for (const int files : { 17, 16 }) {
        ScriptedAsker asker;
        asker.goOn = false;
        ShellRunner runner;
        Journal journal(folder / "state/journal");
        Operation(asker, runner, journal)
                .run(OperationPlan::multiple(OperationPlan::Copy, folder / "src",
                                             names.mid(0, files), folder / "small"));
        QCOMPARE(asker.asked.contains("room"), files > 16);
        QCOMPARE(entriesOf(QFile::encodeName(folder / "small")).size(), files > 16 ? 0 : files);
    }
}

// A move to another file system removes each source only once its copy is on the disk: a sync
// first on PATH lists what is left of the sources each time it runs.
void tst_Operation::moveKeepsItsSourceUntilWritten()
{
    TestFolder folder;
    QVERIFY(folder.makeDirs({ "dest" }));
    const Tmpfs dest(folder / "dest");
    if (!dest.mounted())
        QSKIP(noMount);
    QVERIFY(folder.makeFiles({ { "a/x", "x" }, { "a/tree/y", "y" } }));
    qputenv("SOURCES", QFile::encodeName(folder / "a"));
    qputenv("SEEN", QFile::encodeName(folder / "seen"));
    const CommandOnPath sync("sync",
                             R"(sleep 0.1; echo $(ls "$SOURCES") >> "$SEEN"; exec /bin/sync "$@")");
    ScriptedAsker asker;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    Operation(asker, runner, journal)
            .run(OperationPlan::multiple(OperationPlan::Move, folder / "a", { "tree", "x" },
                                         folder / "dest"));
    QCOMPARE(readFile(folder / "seen"), QByteArray("tree x\nx\n\n"));
    QCOMPARE(entriesOf(QFile::encodeName(folder / "dest")), QByteArrayList({ "tree", "x" }));
    QCOMPARE(readFile(folder / "dest/tree/y"), QByteArray("y"));
}

void tst_Operation::replacedGoToTheTrash_data()
{
    QTest::addColumn<int>("replaced");
    QTest::addColumn<int>("trash");
    QTest::addColumn<bool>("decideEach"); // one by one, rather than ahead in one command
    const char *const names[] = { "a file",
                                  "a link to a file",
                                  "a link to a folder",
                                  "a pipe",
                                  "a folder under a file",
                                  "a file under a folder",
                                  "a file inside a merge" };
    for (int replaced = AFile; replaced <= InMerge; ++replaced) {
        QTest::addRow("%s, home trash", names[replaced]) << replaced << int(Home) << false;
        QTest::addRow("%s, home trash, decided", names[replaced]) << replaced << int(Home) << true;
        QTest::addRow("%s, top of a tmpfs", names[replaced]) << replaced << int(Top) << false;
    }
    QTest::newRow("a shared .Trash") << int(AFile) << int(TopShared) << false;
    QTest::newRow(".Trash a link: refused") << int(AFile) << int(TopLinked) << false;
    QTest::newRow("name taken in the trash") << int(AFile) << int(HomeNameTaken) << false;
    QTest::newRow("the trash emptied before the undo") << int(AFile) << int(HomeEmptied) << false;
}

void tst_Operation::replacedGoToTheTrash()
{
    QFETCH(int, replaced);
    QFETCH(int, trash);
    QFETCH(bool, decideEach);
    TestFolder folder;
    QVERIFY(folder.makeDirs({ "src", "dest", "keep/dir" }));
    const bool top = trash == Top || trash == TopShared || trash == TopLinked;
    const Tmpfs dest(folder / "dest", top);
    if (top && !dest.mounted())
        QSKIP(noMount);
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder / "data"));
    const QString uid = QString::number(::geteuid());
    QString bin = top ? folder / ("dest/.Trash-" + uid) : folder / "data/Trash";
    // A sticky folder: .Trash itself, or where a .Trash link leads.
    const QString sticky = trash == TopShared ? folder / "dest/.Trash" : folder / "elsewhere";
    QVERIFY(QDir().mkpath(sticky) && ::chmod(QFile::encodeName(sticky).constData(), 01777) == 0);
    QVERIFY(trash != TopLinked || QFile::link(sticky, folder / "dest/.Trash"));
    if (trash == TopShared)
        bin = sticky + u'/' + uid;
    QVERIFY(folder.makeFiles({ { "keep/f", "keep" } }));
    const QString e = folder / "dest/e";
    switch (Replaced(replaced)) {
    case AFile:
    case AFileByFolder:
        QVERIFY(makeFile(e, "old"));
        break;
    case ALinkToFile:
        QVERIFY(QFile::link(folder / "keep/f", e));
        break;
    case ALinkToFolder:
        QVERIFY(QFile::link(folder / "keep/dir", e));
        break;
    case APipe:
        QCOMPARE(::mkfifo(QFile::encodeName(e).constData(), 0644), 0);
        break;
    case AFolderByFile:
    case InMerge:
        QVERIFY(makeFile(e + "/inner", "old inner"));
        break;
    }
    const bool folderComes = replaced == AFileByFolder || replaced == InMerge;
    QVERIFY(folderComes ? makeFile(folder / "src/e/inner", "new inner")
                        : makeFile(folder / "src/e", "new"));
    const QString gone = replaced == InMerge ? e + "/inner" : e;
    const QString name = gone.mid(gone.lastIndexOf(u'/') + 1);
    const QString before = describe(gone);
    const QString inTrash = trash == HomeNameTaken ? name + ".2" : name;
    if (trash == HomeNameTaken)
        QVERIFY(makeFile(bin + "/files/" + name, "older")
                && makeFile(bin + "/info/" + name + ".trashinfo"));

    ScriptedAsker asker;
    asker.choice = decideEach ? OperationPlan::DecideEach : OperationPlan::ReplaceAll;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    Operation(asker, runner, journal)
            .run(OperationPlan::multiple(OperationPlan::Copy, folder / "src", { "e" },
                                         folder / "dest"));
    QVERIFY(!asker.asked.contains("for good"));
    QCOMPARE(describe(e),
             folderComes ? QStringLiteral("folder of inner") : QStringLiteral("file new"));
    QCOMPARE(describe(bin + "/files/" + inTrash), before);
    const QList<QByteArray> info = readFile(bin + "/info/" + inTrash + ".trashinfo").split('\n');
    // Path= relative to the top of the mount in a trash there; percent-encoded.
    const QString path = top ? gone.mid(folder.path().size() + 6) : gone;
    QCOMPARE(info.mid(0, 2),
             QList<QByteArray>(
                     { "[Trash Info]", "Path=" + QFile::encodeName(path).toPercentEncoding("/") }));
    const QByteArray date = info.value(2);
    QVERIFY2(date.startsWith("DeletionDate=")
                     && QDateTime::fromString(date.mid(13), Qt::ISODate).isValid(),
             date.constData());

    // Undo's question counts what is in the trash; one that left it is named where it was.
    const bool emptied = trash == HomeEmptied;
    if (emptied)
        QVERIFY(QFile::remove(bin + "/files/" + inTrash)
                && QFile::remove(bin + "/info/" + inTrash + ".trashinfo"));
    ScriptedAsker again;
    const Operation::Result result = Operation(again, runner, journal).undo();
    using NotTakenBack = QList<QPair<Undo::Verdict, QString>>;
    QCOMPARE(QList<int>({ again.fromTheTrash, again.leftTheTrash }),
             QList<int>({ !emptied, emptied }));
    QCOMPARE(result.notTakenBack,
             emptied ? NotTakenBack({ { Undo::NotInTrash, bin + "/files/" + inTrash } })
                     : NotTakenBack());
    QCOMPARE(describe(gone), emptied ? QStringLiteral("nothing") : before);
    QCOMPARE(describe(bin + "/files/" + inTrash), QStringLiteral("nothing"));
    QVERIFY(!QFile::exists(bin + "/info/" + inTrash + ".trashinfo"));
    QCOMPARE(readFile(folder / "keep/f"), QByteArray("keep"));
    QCOMPARE(entriesOf(QFile::encodeName(folder / "elsewhere")), QByteArrayList());
}

// A stop between the entries of a replace of all: what went to the trash ahead of the entries
// not reached is back in place, and only the replaced one is in the trash.
void tst_Operation::stopPutsBackWhatWasAhead()
{
    TestFolder folder;
    for (const QString name : { "a", "b", "c" })
        QVERIFY(makeFile(folder / "src/" + name, "new " + name.toUtf8())
                && makeFile(folder / "dest/" + name, "old " + name.toUtf8()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder / "data"));
    ScriptedAsker asker;
    ShellRunner runner;
    runner.stopAfter = 2; // the one for the trash, and a's
    Journal journal(folder / "state/journal");
    Operation(asker, runner, journal)
            .run(OperationPlan::multiple(OperationPlan::Copy, folder / "src", { "a", "b", "c" },
                                         folder / "dest"));
    QCOMPARE(runner.commands.size(), 2);
    QCOMPARE(readFile(folder / "dest/a") + readFile(folder / "dest/b")
                     + readFile(folder / "dest/c"),
             QByteArray("new aold bold c"));
    QCOMPARE(entriesOf(QFile::encodeName(folder / "data/Trash/files")), QByteArrayList({ "a" }));
    QVERIFY(QFile::exists(folder / "data/Trash/info/a.trashinfo"));
    QVERIFY(!QFile::exists(folder / "data/Trash/info/b.trashinfo"));
    ScriptedAsker again;
    ShellRunner undoing;
    Operation(again, undoing, journal).undo();
    QCOMPARE(readFile(folder / "dest/a"), QByteArray("old a"));
    QCOMPARE(entriesOf(QFile::encodeName(folder / "data/Trash/files")), QByteArrayList());
}

// A copy, a rename of what it made, and a new folder; someone else's file then takes the old name.
// After a restart, each is taken back in turn, newest first: the folder; the rename, but its old
// name is taken; the copy, but one of its entries is not where it put it (the reason said); its
// other entry goes. Then nothing is left to undo.
void tst_Operation::undoGoesBackThreeStepsAfterARestart()
{
    TestFolder folder;
    QVERIFY(folder.makeFiles({ { "src/p", "p" }, { "src/q", "q" } })
            && folder.makeDirs({ "dest" }));
    const QString history = folder / "state/history";
    {
        ShellRunner runner;
        Journal journal(history);
        ScriptedAsker asker;
        asker.typedNames = { "p2", "new" };
        Operation(asker, runner, journal)
                .run(OperationPlan::multiple(OperationPlan::Copy, folder / "src", { "p", "q" },
                                             folder / "dest"));
        Operation(asker, runner, journal).rename(folder / "dest/p");
        Operation(asker, runner, journal).createFolder(folder / "dest");
    }
    QVERIFY(makeFile(folder / "dest/p", "someone else's"));
    using NotTakenBack = QList<QPair<Undo::Verdict, QString>>;
    const QList<NotTakenBack> reasons = { {},
                                          { { Undo::NameTaken, folder / "dest/p2" } },
                                          { { Undo::Gone, folder / "dest/p" } } };
    const QList<QByteArrayList> left = { { "p", "p2", "q" }, { "p", "p2", "q" }, { "p", "p2" } };
    Journal journal(history);
    for (int step = 0; step < 3; ++step) {
        ScriptedAsker asker;
        ShellRunner runner;
        const Operation::Result result = Operation(asker, runner, journal).undo();
        QCOMPARE(asker.asked, QStringList({ "undo" }));
        QCOMPARE(result.notTakenBack, reasons[step]);
        QCOMPARE(entriesOf(QFile::encodeName(folder / "dest")), left[step]);
        QCOMPARE(result.undoable, step < 2);
    }
    QCOMPARE(readFile(folder / "dest/p"), QByteArray("someone else's"));
}

void tst_Operation::swapBeforeTheCommand_data()
{
    QTest::addColumn<QString>("operation");
    for (const char *operation : { "delete", "delete checked", "copy", "move", "rename" })
        QTest::newRow(operation) << operation;
}

void tst_Operation::swapBeforeTheCommand()
{
    QFETCH(QString, operation);
    TestFolder folder;
    QVERIFY(folder.makeFiles({ { "dir/victim", "victim" }, { "dir/other", "other" } })
            && folder.makeDirs({ "dest" }));
    const QString victim = folder / "dir/victim";
    ScriptedAsker asker;
    asker.typedNames = { "renamed" };
    asker.whileAsked = [&] {
        QVERIFY(QFile::rename(victim, victim + ".bak"));
        QVERIFY(QFile::rename(folder / "dir/other", victim));
    };
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    Operation run(asker, runner, journal);
    const auto kind = operation.startsWith("delete") ? OperationPlan::Delete
                      : operation == "copy"          ? OperationPlan::Copy
                                                     : OperationPlan::Move;
    const Operation::Result result
            = operation == "rename" ? run.rename(victim)
              : operation == "delete checked"
                      ? run.run(OperationPlan::multiple(kind, folder / "dir", { "victim" }))
                      : run.run(OperationPlan::single(kind, victim, folder / "dest"));
    QCOMPARE(result.notChosen, QStringList({ victim }));
    QCOMPARE(runner.commands, QByteArrayList());
    QCOMPARE(readFile(victim) + readFile(victim + ".bak"), QByteArray("othervictim"));
    QCOMPARE(entriesOf(QFile::encodeName(folder / "dest")), QByteArrayList());
}

namespace {

// A kill of the program, right after a number of commands ran.
class KillingRunner : public ShellRunner
{
public:
    int killAfter = 0;
    Ran run(const Command &command) override
    {
        const Ran ran = ShellRunner::run(command);
        if (commands.size() == killAfter)
            ::kill(::getpid(), SIGKILL);
        return ran;
    }
};

} // namespace

void tst_Operation::killedDuringAReplaceOfAll_data()
{
    QTest::addColumn<OperationPlan::Kind>("kind");
    QTest::addColumn<int>("killAfter");
    QTest::addColumn<QByteArray>("left"); // a, b and c at the destination after the start
    QTest::newRow("after the batch") << OperationPlan::Copy << 1 << QByteArray("old a|old b|old c");
    QTest::newRow("after a whole copy")
            << OperationPlan::Copy << 2 << QByteArray("new a|old b|old c");
    // Its copy whole, not yet flushed, its source whole: flushed, and the move finished.
    QTest::newRow("a move to another file system, after a whole copy")
            << OperationPlan::Move << 2 << QByteArray("new a|old b|old c");
}

void tst_Operation::killedDuringAReplaceOfAll()
{
    QFETCH(OperationPlan::Kind, kind);
    QFETCH(int, killAfter);
    QFETCH(QByteArray, left);
    TestFolder folder;
    QVERIFY(folder.makeDirs({ "dest" }));
    const Tmpfs other(folder / "dest", kind == OperationPlan::Move);
    if (kind == OperationPlan::Move && !other.mounted())
        QSKIP(noMount);
    for (const QString name : { "a", "b", "c" })
        QVERIFY(makeFile(folder / "src/" + name, "new " + name.toUtf8())
                && makeFile(folder / "dest/" + name, "old " + name.toUtf8()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder / "data"));
    const QString trash = other.mounted() ? folder / ("dest/.Trash-" + QString::number(::geteuid()))
                                          : folder / "data/Trash";
    const QString history = folder / "state/journal";
    const pid_t child = ::fork();
    if (child == 0) {
        ScriptedAsker asker;
        KillingRunner runner;
        runner.killAfter = killAfter;
        Journal journal(history);
        Operation(asker, runner, journal)
                .run(OperationPlan::multiple(kind, folder / "src", { "a", "b", "c" },
                                             folder / "dest"));
        ::_exit(0);
    }
    int status = 0;
    QVERIFY(::waitpid(child, &status, 0) == child && WIFSIGNALED(status));
    const auto destination = [&] {
        return readFile(folder / "dest/a") + '|' + readFile(folder / "dest/b") + '|'
               + readFile(folder / "dest/c");
    };
    ScriptedAsker asker;
    asker.takeBack = false;
    ShellRunner runner;
    Journal journal(history);
    Operation(asker, runner, journal).reportInterrupted();
    QCOMPARE(destination(), left);
    QCOMPARE(asker.done, killAfter - 1);
    QCOMPARE(asker.putBack, 4 - killAfter);
    QCOMPARE(QFile::exists(folder / "src/a"), kind == OperationPlan::Copy || killAfter < 2);
    // Nothing is only in the trash: what is there is what a whole copy replaced.
    QCOMPARE(entriesOf(QFile::encodeName(trash + "/files")).size(), killAfter - 1);
    QCOMPARE(entriesOf(QFile::encodeName(trash + "/info")).size(), killAfter - 1);
    // Undo then takes the whole copy back and the old entry comes back to its place.
    ScriptedAsker again;
    const Operation::Result undone = Operation(again, runner, journal).undo();
    QCOMPARE(undone.notTakenBack, (QList<QPair<Undo::Verdict, QString>>()));
    QCOMPARE(destination(), QByteArray("old a|old b|old c"));
    QCOMPARE(readFile(folder / "src/a"), QByteArray("new a"));
}

void tst_Operation::fullDestination_data()
{
    QTest::addColumn<bool>("replacing");
    QTest::newRow("a copy that does not fit") << false;
    QTest::newRow("a replace where no info fits") << true;
}

void tst_Operation::fullDestination()
{
    QFETCH(bool, replacing);
    TestFolder folder;
    QVERIFY(folder.makeDirs({ "small" }));
    const Tmpfs small(folder / "small", true, QStringLiteral("64k"));
    if (!small.mounted())
        QSKIP(noMount);
    QVERIFY(folder.makeFiles(
            { { "src/a", QByteArray(40000, 'a') }, { "src/b", QByteArray(40000, 'b') } }));
    if (replacing) // the old entry, and the rest of the room taken
        QVERIFY(makeFile(folder / "small/b", "old b")
                && runProgram("sh", { "-c", "head -c 100000 /dev/zero > \"$1\"", "sh",
                                      folder / "small/full" })
                           != 0);
    ScriptedAsker asker;
    asker.forGood = false;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    const Operation::Result result
            = Operation(asker, runner, journal)
                      .run(OperationPlan::multiple(OperationPlan::Copy, folder / "src",
                                                   { "a", "b" }, folder / "small"));
    QByteArrayList left = entriesOf(QFile::encodeName(folder / "small"));
    if (replacing) {
        // Said why before anything ran, and no empty trash left behind.
        QVERIFY2(asker.noTrash.contains("No space left"), qPrintable(asker.noTrash));
        QCOMPARE(runner.commands, QByteArrayList());
        QCOMPARE(left, QByteArrayList({ "b", "full" }));
        QCOMPARE(readFile(folder / "small/b"), QByteArray("old b"));
    } else {
        QCOMPARE(left, QByteArrayList({ "a" }));
        QCOMPARE(result.notDone, QStringList({ folder / "small/b" }));
    }
}

void tst_Operation::flushedBeforeTheyCount()
{
    TestFolder folder;
    for (const QString name : { "a", "b", "c" })
        QVERIFY(makeFile(folder / "src/" + name, "new " + name.toUtf8()));
    QVERIFY(makeFile(folder / "dest/a", "old a"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder / "data"));
    const SlowCommand slow("cp", 0.06); // each entry longer than the journal waits to flush
    QStringList flushed; // what was flushed, and what stood at the destination then
    DiskWrite::watchFlushes([&](int fd) {
        const QString file = QFile::symLinkTarget("/proc/self/fd/" + QString::number(fd));
        flushed << file.section(u'/', -2, -1) + ": " + readFile(folder / "dest/a") + '|'
                           + readFile(folder / "dest/b") + '|' + readFile(folder / "dest/c");
    });
    const auto unwatch = qScopeGuard([] { DiskWrite::watchFlushes(nullptr); });
    ScriptedAsker asker;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    Operation(asker, runner, journal)
            .run(OperationPlan::multiple(OperationPlan::Copy, folder / "src", { "a", "b", "c" },
                                         folder / "dest"));
    // The info of the replaced entry before it moved; an intent before each later command.
    QVERIFY2(flushed.contains("Trash/info: old a|<missing>|<missing>"),
             qPrintable(flushed.join('\n')));
    QVERIFY2(flushed.contains("journal/1: new a|<missing>|<missing>"),
             qPrintable(flushed.join('\n')));
    QVERIFY2(flushed.contains("journal/1: new a|new b|<missing>"), qPrintable(flushed.join('\n')));
}

QTEST_GUILESS_MAIN(tst_Operation)
#include "tst_operation.moc"
