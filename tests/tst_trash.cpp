// SPDX-License-Identifier: GPL-3.0-or-later
// The trash without a window: what an info says (as anyone may have written it), what the trashes
// hold, and moving there, restoring and deleting from there, checked against the file system and
// against trash-list, which reads the trash as the desktop does.
#include "core/folder/trashcontents.h"
#include "core/operation/operation.h"
#include "support/operationscript.h"
#include "support/testfiles.h"

#include <QDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString describe(const QString &path)
{
    const QFileInfo info(path);
    return info.isDir()    ? QStringLiteral("folder")
           : info.exists() ? "file " + readFile(path)
                           : QStringLiteral("nothing");
}

// What trash-list lists below folder, by the paths relative to it; nothing when it cannot run.
std::optional<QStringList> trashListed(const QString &folder)
{
    QByteArray output;
    if (runProgram("trash-list", {}, &output) != 0)
        return std::nullopt;
    QStringList paths;
    for (const QByteArray &line : output.split('\n')) {
        const QString path = QString::fromUtf8(line.mid(20));
        if (path.startsWith(folder + u'/'))
            paths << path.mid(folder.size() + 1);
    }
    paths.sort();
    return paths;
}

} // namespace

class tst_Trash : public QObject
{
    Q_OBJECT

private slots:
    void infoSays_data();
    void infoSays();
    void infoFiles();
    void restore_data();
    void restore();
    void deleteForGood();
    void roomFromACardsTrash();
};

using Origin = TrashInfo::Origin;
Q_DECLARE_METATYPE(TrashInfo::Origin)

void tst_Trash::infoSays_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("top"); // empty: the home trash
    QTest::addColumn<bool>("info");
    QTest::addColumn<Origin>("origin");
    QTest::addColumn<QByteArray>("path");
    const QByteArray card = "/media/card";
    const auto row = [](const char *name, const QByteArray &path, const QByteArray &top,
                        Origin origin, const QByteArray &taken = QByteArray()) {
        QTest::newRow(name) << "[Trash Info]\nPath=" + path + "\nDeletionDate=2026-12-08T10:11:12\n"
                            << top << true << origin << taken;
    };
    row("absolute, home", "/home/u/a%20b", "", TrashInfo::Known, "/home/u/a b");
    row("relative, card", "Music/x.mp3", card, TrashInfo::Known, "/media/card/Music/x.mp3");
    row("absolute inside the card", "/media/card/x", card, TrashInfo::Known, "/media/card/x");
    row("a percent sign", "/a/100%25", "", TrashInfo::Known, "/a/100%");
    row("a line break", "/a/two%0Alines", "", TrashInfo::Known, "/a/two\nlines");
    row("a byte that is not UTF-8", "/a/caf%E9", "", TrashInfo::Known, "/a/caf\xe9");
    row("doubled slashes", "//a//b/", "", TrashInfo::Known, "/a/b");
    row("climbs out", "../../etc/passwd", card, TrashInfo::ClimbsOut);
    row("climbs out, absolute", "/media/card/../../etc", card, TrashInfo::ClimbsOut);
    row("climbs out, encoded", "%2E%2E/etc", card, TrashInfo::ClimbsOut);
    row("outside the card", "/etc/passwd", card, TrashInfo::OutsideItsTop);
    row("beside the card", "/media/cardboard/x", card, TrashInfo::OutsideItsTop);
    row("relative in the home trash", "a/b", "", TrashInfo::OutsideItsTop);
    row("empty", "", card, TrashInfo::Empty);
    row("the top itself", ".", card, TrashInfo::Empty);
    row("a broken escape", "/a/%zz", "", TrashInfo::Undecodable);
    row("an escape cut short", "/a/%4", "", TrashInfo::Undecodable);
    row("a byte 0", "/a/%00b", "", TrashInfo::Undecodable);
    QTest::newRow("no Path=") << QByteArray("[Trash Info]\nDeletionDate=2026-12-08T10:11:12\n")
                              << card << true << TrashInfo::Empty << QByteArray();
    QTest::newRow("Path= in another group")
            << QByteArray("[Trash Info]\n[Other]\nPath=/media/card/x\n") << card << true
            << TrashInfo::Empty << QByteArray();
    QTest::newRow("Windows line ends, blank lines first")
            << QByteArray("\n\n[Trash Info]\r\nPath=/a\r\n") << QByteArray() << true
            << TrashInfo::Known << QByteArray("/a");
    QTest::newRow("no [Trash Info]")
            << QByteArray("Path=/a\n") << QByteArray() << false << TrashInfo::Empty << QByteArray();
}

void tst_Trash::infoSays()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, top);
    QFETCH(bool, info);
    QFETCH(Origin, origin);
    QFETCH(QByteArray, path);
    const std::optional<TrashInfo::Read> read = TrashInfo::parse(text, top);
    QCOMPARE(read.has_value(), info);
    if (!read)
        return;
    QCOMPARE(read->origin, origin);
    QCOMPARE(read->path, path);
    if (text.contains("DeletionDate"))
        QCOMPARE(read->deleted, 20261208101112);
    // What this program writes reads back as it was meant.
    if (origin == TrashInfo::Known) {
        const QByteArray written = TrashInfo::text(path, top, 20261208101112);
        QCOMPARE(TrashInfo::parse(written, top)->path, path);
    }
}

// Infos on disk: a link, a pipe (no wait on it) or one too large is no info, and its entry is
// listed with its origin unknown, as one without an info is; an info without its entry is not
// listed. Newest first, then by name.
void tst_Trash::infoFiles()
{
    TestFolder folder;
    const QString trash = folder / "Trash";
    const auto info = [](const QByteArray &path, const char *date) {
        return "[Trash Info]\nPath=" + path + "\nDeletionDate=" + date + '\n';
    };
    QVERIFY(folder.makeFiles(
            { { "Trash/files/old", "" },
              { "Trash/info/old.trashinfo", info("/x/old", "2025-01-01T00:00:00") },
              { "Trash/files/b", "" },
              { "Trash/info/b.trashinfo", info("/x/b", "2026-01-01T00:00:00") },
              { "Trash/files/a", "12345" },
              { "Trash/info/a.trashinfo", info("/x/a", "2026-01-01T00:00:00") },
              { "Trash/files/bare", "" },
              { "Trash/files/linked", "" },
              { "real.trashinfo", info("/x/linked", "2026-01-01T00:00:00") },
              { "Trash/files/piped", "" },
              { "Trash/files/huge", "" },
              { "Trash/info/huge.trashinfo",
                info("/x/huge", "2026-01-01T00:00:00") + QByteArray(TrashInfo::maxSize, '\n') },
              { "Trash/info/orphan.trashinfo", info("/x/o", "2027-01-01T00:00:00") } }));
    QVERIFY(QFile::link(folder / "real.trashinfo", trash + "/info/linked.trashinfo"));
    QCOMPARE(::mkfifo(QFile::encodeName(trash + "/info/piped.trashinfo").constData(), 0600), 0);
    TrashContents contents;
    contents.read({ { QFile::encodeName(trash), QByteArray() } });
    QStringList rows;
    for (int row = 0; row < contents.count(); ++row) {
        const TrashContents::Entry &entry = contents.entry(row);
        rows << QString::fromUtf8(entry.shown + ' ' + QByteArray::number(entry.origin));
    }
    QCOMPARE(rows,
             QStringList({ "a 0", "b 0", "old 0", "bare 5", "huge 5", "linked 5", "piped 5" }));
    QCOMPARE(contents.bytes(), 5);
}

enum Restoring {
    MissingFolder,
    Replace,
    Skip,
    KeepBoth,
    OtherFileSystem,
    Stopped,
    Undone,
    Untrusted
};

void tst_Trash::restore_data()
{
    QTest::addColumn<int>("restoring");
    QTest::addColumn<QString>("origin"); // what stands at a.txt's place then
    QTest::addColumn<QString>("beside"); // and at "a (2).txt"
    QTest::addColumn<QStringList>("listed"); // what trash-list lists then
    const QStringList none;
    const QStringList a = { "docs/a.txt" };
    QTest::newRow("into a folder that is gone") << int(MissingFolder) << "file new"
                                                << "nothing" << none;
    QTest::newRow("onto a taken name, replaced") << int(Replace) << "file new"
                                                 << "nothing" << a;
    QTest::newRow("onto a taken name, skipped") << int(Skip) << "file old"
                                                << "nothing" << a;
    QTest::newRow("onto a taken name, both kept") << int(KeepBoth) << "file old"
                                                  << "file new" << none;
    QTest::newRow("to another file system") << int(OtherFileSystem) << "file new"
                                            << "nothing" << none;
    QTest::newRow("stopped after the first") << int(Stopped) << "file new"
                                             << "nothing" << QStringList{ "docs/b.txt" };
    QTest::newRow("taken back") << int(Undone) << "nothing"
                                << "nothing" << a;
    // Nothing of it changes.
    QTest::newRow("from somewhere it may not name") << int(Untrusted) << "file new"
                                                    << "nothing" << none;
}

// What went to the trash from docs comes back, as each case has it.
void tst_Trash::restore()
{
    QFETCH(int, restoring);
    QFETCH(QString, origin);
    QFETCH(QString, beside);
    QFETCH(QStringList, listed);
    TestFolder folder;
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder / "data"));
    QVERIFY(folder.makeDirs({ "card" }));
    const Tmpfs card(folder / "card", restoring == OtherFileSystem);
    if (restoring == OtherFileSystem && !card.mounted())
        QSKIP(noMount);
    if (!trashListed(folder.path()))
        QSKIP("trash-list (trash-cli) is not installed");
    const QString docs = restoring == OtherFileSystem ? folder / "card/docs" : folder / "docs";
    const QString data = folder / "data/Trash";
    QVERIFY(folder.makeFiles({ { "docs/a.txt", "new" }, { "docs/b.txt", "new b" } }));
    ScriptedAsker asker;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    if (restoring == OtherFileSystem) {
        // Put there by another program: the home trash, an origin on another file system.
        QVERIFY(folder.makeFiles(
                { { "data/Trash/files/a.txt", "new" },
                  { "data/Trash/info/a.txt.trashinfo",
                    TrashInfo::text(QFile::encodeName(docs + "/a.txt"), {}, TrashInfo::now()) } }));
    } else if (restoring == Untrusted) {
        QVERIFY(folder.makeFiles(
                { { "data/Trash/files/x", "x" },
                  { "data/Trash/info/x.trashinfo", "[Trash Info]\nPath=../x\n" } }));
    } else {
        const QStringList names
                = restoring == Stopped ? QStringList{ "a.txt", "b.txt" } : QStringList{ "a.txt" };
        Operation(asker, runner, journal).toTrash(docs, names);
        QCOMPARE(trashListed(folder.path())->size(), names.size());
    }
    const QVector<Trash::Item> items = Trash::itemsFor(folder.path());
    if (restoring == MissingFolder)
        QVERIFY(QDir(docs).removeRecursively());
    if (restoring == Replace || restoring == Skip || restoring == KeepBoth)
        QVERIFY(makeFile(docs + "/a.txt", "old"));
    asker.choice = restoring == Skip       ? OperationPlan::SkipExisting
                   : restoring == KeepBoth ? OperationPlan::KeepBoth
                                           : OperationPlan::ReplaceAll;
    runner.stopAfter = restoring == Stopped ? int(runner.commands.size()) + 1 : -1;
    const Operation::Result result = Operation(asker, runner, journal).restore(items);
    QCOMPARE(result.cannotRestore.size(), restoring == Untrusted ? 1 : 0);
    QVERIFY(!asker.asked.contains("confirm"));
    if (restoring == Undone) {
        ShellRunner undoing;
        Operation(asker, undoing, journal).undo();
    }
    QCOMPARE(describe(docs + "/a.txt"), origin);
    QCOMPARE(describe(docs + "/a (2).txt"), beside);
    if (restoring != OtherFileSystem)
        QCOMPARE(*trashListed(folder.path()), listed);
    // No info is left without its entry, nor an entry that left without its info going.
    TrashContents contents;
    contents.read({ { QFile::encodeName(data), QByteArray() } });
    QCOMPARE(entriesOf(QFile::encodeName(data + "/info")).size(), contents.count());
}

// Delete and empty remove what they name for good, infos too; a no removes nothing.
void tst_Trash::deleteForGood()
{
    TestFolder folder;
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder / "data"));
    QVERIFY(folder.makeFiles({ { "docs/a", "a" }, { "docs/-b", "b" }, { "docs/c d/e", "e" } }));
    ScriptedAsker asker;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    Operation(asker, runner, journal).toTrash(folder / "docs", { "a", "-b", "c d" });
    asker.discarding = false;
    Operation(asker, runner, journal).discard(Trash::itemsFor(folder.path()), Asker::EmptyTrash);
    QCOMPARE(Trash::itemsFor(folder.path()).size(), 3);
    asker.discarding = true;
    Operation(asker, runner, journal)
            .discard(Trash::itemsFor(folder.path()).mid(0, 2), Asker::DiscardSeveral);
    QCOMPARE(Trash::itemsFor(folder.path()).size(), 1);
    Operation(asker, runner, journal).discard(Trash::itemsFor(folder.path()), Asker::EmptyTrash);
    QCOMPARE(asker.asked, QStringList({ "discard 2 3", "discard 1 2", "discard 2 1" }));
    QCOMPARE(entriesOf(QFile::encodeName(folder / "data/Trash/files")), QByteArrayList());
    QCOMPARE(entriesOf(QFile::encodeName(folder / "data/Trash/info")), QByteArrayList());
}

// A copy that does not fit a card whose trash holds enough: emptied first (asked as emptying is),
// the copy then fits.
void tst_Trash::roomFromACardsTrash()
{
    TestFolder folder;
    QVERIFY(folder.makeDirs({ "card" }));
    const Tmpfs card(folder / "card", true, QStringLiteral("128k"));
    if (!card.mounted())
        QSKIP(noMount);
    QVERIFY(folder.makeFiles(
            { { "src/a", QByteArray(80000, 'a') }, { "card/old", QByteArray(80000, 'o') } }));
    ScriptedAsker asker;
    asker.emptyTrashFirst = true;
    ShellRunner runner;
    Journal journal(folder / "state/journal");
    Operation(asker, runner, journal).toTrash(folder / "card", { "old" });
    Operation(asker, runner, journal)
            .run(OperationPlan::single(OperationPlan::Copy, folder / "src/a", folder / "card"));
    QCOMPARE(asker.asked, QStringList({ "confirm", "room with trash", "discard 2 1" }));
    QCOMPARE(readFile(folder / "card/a"), QByteArray(80000, 'a'));
    QCOMPARE(Trash::itemsFor(folder / "card").size(), 0);
}

QTEST_GUILESS_MAIN(tst_Trash)
#include "tst_trash.moc"
