// Copy and move in two steps, and the operations on the checked entries, with the real utilities.
#include "browser/filedialog.h"
#include "core/names/filename.h"
#include "core/operation/operationplan.h"
#include "platform/zlistbox.h"
#include "platform/zsoftkey.h"
#include "runner/deathdlg.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace {

QByteArray quoted(const QString &text)
{
    return '"' + text.toUtf8() + '"';
}

} // namespace

class tst_CopyMove : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestFolder> m_dir;
    QString m_a, m_b;
    WindowFixture m_fixture;
    RecordingOpener m_opener;

    // Gathers the checked entries, picks the destination and chooses to copy here, with the
    // answers the answerer was given; returns what was printed on standard output.
    QByteArray copyCheckedInto(fileDialog &window, const QString &destination)
    {
        OutputCapture output(1);
        window.multi_copy();
        window.showDir(destination, PickCopyTarget);
        window.copy_to();
        return output.finish();
    }

    void check(fileDialog &window, const QStringList &names)
    {
        window.multiSelect();
        for (const QString &name : names) {
            const int row = rowOf(window, name);
            QVERIFY2(row >= 0, qPrintable(name));
            window.entryList()->checkItem(row, true);
        }
    }

private slots:
    void init()
    {
        m_opener.clear();
        m_dir.reset(new TestFolder);
        m_a = m_dir->path() + "/a";
        m_b = m_dir->path() + "/b";
        QVERIFY(QDir().mkpath(m_a + "/tree/inner"));
        QVERIFY(QDir().mkpath(m_b));
        QVERIFY(makeFile(m_a + "/x", "x"));
        QVERIFY(makeFile(m_a + "/p", "p"));
        QVERIFY(makeFile(m_a + "/q", "q"));
        QVERIFY(makeFile(m_a + "/tree/inner/leaf", "leaf"));
    }

    void cleanup()
    {
        m_dir.reset();
        QVERIFY(m_fixture.finish());
    }

    void singleCopyAndMove_data()
    {
        QTest::addColumn<bool>("moving");
        QTest::newRow("copy") << false;
        QTest::newRow("move") << true;
    }

    void singleCopyAndMove()
    {
        QFETCH(bool, moving);
        fileDialog &window = m_fixture.start(m_a);
        window.entryList()->setCurrentItem(rowOf(window, "x"));
        moving ? window.move() : window.copy();
        QCOMPARE(window.browseMode(), int(moving ? PickMoveTarget : PickCopyTarget));
        QCOMPARE(window.pendingSource(), m_a + "/x");
        QCOMPARE(window.currentDirectory(), m_a);
        QCOMPARE(rowOf(window, "x"), -1); // folders only
        window.showDir(m_b, window.browseMode());

        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        OutputCapture output(1);
        moving ? window.move_to() : window.copy_to();
        QCOMPARE(output.finish(), "Debug: system(" + QByteArray(moving ? "mv " : "cp -a ")
                                          + quoted(m_a + "/x") + ' ' + quoted(m_b + '/') + ")\n");
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QString(moving ? "Move" : "Copy"));
        QCOMPARE(answerer.seen[0].text, QString(moving ? "Move " : "Copy ") + m_a + "/x -> " + m_b
                                                + " ?\nEntries: 1" + (moving ? "" : " (1 B)"));
        QCOMPARE(answerer.runners.size(), 1);
        QCOMPARE(answerer.runners[0].title, QString());
        QCOMPARE(answerer.runners[0].text, QStringLiteral("Please wait..."));
        QCOMPARE(readFile(m_b + "/x"), QByteArray("x"));
        QCOMPARE(QFile::exists(m_a + "/x"), !moving);
        QCOMPARE(window.browseMode(), int(Browse));
        QCOMPARE(window.currentDirectory(), m_b);
        QVERIFY(rowOf(window, "x") > 0);
        QVERIFY(window.pendingSource().isEmpty());
        QVERIFY(m_opener.launcherCalls().isEmpty());
    }

    void firstStepOnTheParentRow()
    {
        fileDialog &window = m_fixture.start(m_a);
        window.entryList()->setCurrentItem(rowOf(window, "x"));
        window.copy();
        window.cancel();
        window.copy(); // the parent row is current after the listing
        QCOMPARE(window.browseMode(), int(Browse));
        QVERIFY(window.pendingSource().isEmpty() && !window.pendingSource().isNull());
    }

    void moveFromTheRoot()
    {
        fileDialog &window = m_fixture.start("/");
        window.entryList()->setCurrentItem(rowOf(window, "tmp"));
        window.move();
        QCOMPARE(window.pendingSource(), QStringLiteral("/tmp"));
        QCOMPARE(window.currentDirectory(), QStringLiteral("/"));
        QCOMPARE(window.browseMode(), int(PickMoveTarget));
        window.cancel();
    }

    void multipleMoveInOrder()
    {
        fileDialog &window = m_fixture.start(m_a);
        check(window, { "q", "p" });
        OutputCapture gathered(1);
        window.multi_move();
        QCOMPARE(gathered.finish(), QByteArray("get item list:\np\nq\n================\n"));
        QCOMPARE(window.browseMode(), int(PickMoveTarget));
        QVERIFY(window.isMultiPending());
        QCOMPARE(window.pendingSource(), m_a);
        QCOMPARE(window.collectedNames(), QStringList({ "p", "q" }));
        window.showDir(m_b, PickMoveTarget);

        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        OutputCapture output(1);
        window.move_to();
        QCOMPARE(output.finish(), "Debug: system(mv " + quoted(m_a + "/p") + ' ' + quoted(m_b + '/')
                                          + ")\n"
                                            "Debug: system(mv "
                                          + quoted(m_a + "/q") + ' ' + quoted(m_b + '/') + ")\n");
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Move"));
        QVERIFY(answerer.seen[0].text.startsWith("Move the checked entries of " + m_a + " -> " + m_b
                                                 + " ?\nEntries: 2"));
        QCOMPARE(answerer.runners.size(), 2);
        QCOMPARE(answerer.runners[0].title, QStringLiteral("p"));
        QCOMPARE(answerer.runners[0].text, QStringLiteral("Moving p"));
        QCOMPARE(answerer.runners[1].title, QStringLiteral("q"));
        QCOMPARE(answerer.runners[1].text, QStringLiteral("Moving q"));
        QCOMPARE(readFile(m_b + "/p"), QByteArray("p"));
        QCOMPARE(readFile(m_b + "/q"), QByteArray("q"));
        QVERIFY(!QFile::exists(m_a + "/p") && !QFile::exists(m_a + "/q"));
        QCOMPARE(window.browseMode(), int(Browse));
        QCOMPARE(window.currentDirectory(), m_b);
        QVERIFY(!window.isMultiPending());
        QVERIFY(window.pendingSource().isEmpty());
    }

    void multipleCopyFromTheRoot()
    {
        const QString name = QStringLiteral("fm-copymove-test-%1").arg(::getpid());
        QVERIFY(makeFile("/" + name, "root"));
        fileDialog &window = m_fixture.start("/");
        check(window, { name });
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        const QByteArray printed = copyCheckedInto(window, m_b);
        QFile::remove("/" + name);
        QVERIFY2(printed.endsWith("Debug: system(cp -a " + quoted("//" + name) + ' '
                                  + quoted(m_b + '/') + ")\n"),
                 printed.constData());
        QVERIFY(answerer.seen.value(0).text.startsWith("Copy the checked entries of / -> " + m_b
                                                       + " ?\n"));
        QCOMPARE(readFile(m_b + u'/' + name), QByteArray("root"));
    }

    void multipleCopyIntoTheRootFolder()
    {
        // The destination's own "/" follows the root: "//" reaches cp, which takes it as "/".
        fileDialog &window = m_fixture.start(m_a);
        check(window, { "p" });
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::No);
        copyCheckedInto(window, "/");
        QVERIFY(answerer.seen.value(0).text.startsWith("Copy the checked entries of " + m_a
                                                       + " -> / ?\n"));
    }

    void nothingChecked()
    {
        fileDialog &window = m_fixture.start(m_a);
        window.multiSelect();
        OutputCapture output(1);
        window.multi_copy();
        QCOMPARE(window.browseMode(), int(PickCopyTarget));
        window.showDir(m_b, PickCopyTarget);
        DialogAnswerer answerer;
        window.copy_to();
        QCOMPARE(output.finish(), QByteArray());
        QCOMPARE(answerer.seen.size(), 0);
        QCOMPARE(window.browseMode(), int(Browse));
        QCOMPARE(window.currentDirectory(), m_b);
        QCOMPARE(QDir(m_b).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    void nothingCheckedToDelete()
    {
        fileDialog &window = m_fixture.start(m_a);
        window.multiSelect();
        DialogAnswerer answerer;
        OutputCapture output(1);
        window.multi_del();
        QCOMPARE(output.finish(), QByteArray());
        QCOMPARE(answerer.seen.size(), 0);
        QCOMPARE(window.browseMode(), int(Browse));
    }

    void everyRowCheckedSkipsTheParent()
    {
        QVERIFY(QDir(m_a).removeRecursively());
        QVERIFY(makeFile(m_a + "/50%s%d", "percent"));
        fileDialog &window = m_fixture.start(m_a);
        window.multiSelect();
        window.multiSelectAll();
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        const QByteArray printed = copyCheckedInto(window, m_b);
        QCOMPARE(printed, "get item list:\n..\n50%s%d\n================\n"
                          "Debug: system(cp -a "
                                  + quoted(m_a + "/50%s%d") + ' ' + quoted(m_b + '/') + ")\n");
        QCOMPARE(answerer.runners.size(), 1);
        QCOMPARE(answerer.runners[0].title, QStringLiteral("50%s%d"));
        QCOMPARE(answerer.runners[0].text, QStringLiteral("Copying 50%s%d"));
        QCOMPARE(readFile(m_b + "/50%s%d"), QByteArray("percent"));
    }

    void answeredNo_data()
    {
        QTest::addColumn<bool>("multiple");
        QTest::newRow("single") << false;
        QTest::newRow("multiple") << true;
    }

    void answeredNo()
    {
        QFETCH(bool, multiple);
        fileDialog &window = m_fixture.start(m_a);
        OutputCapture output(1);
        if (multiple) {
            check(window, { "p" });
            window.multi_copy();
        } else {
            window.entryList()->setCurrentItem(rowOf(window, "p"));
            window.copy();
        }
        window.showDir(m_b, PickCopyTarget);
        window.entryList()->setCurrentItem(0);
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::No);
        window.copy_to();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(window.browseMode(), int(PickCopyTarget));
        QVERIFY(window.pendingSource().isEmpty());
        QCOMPARE(window.isMultiPending(), multiple);
        QCOMPARE(window.collectedNames(), multiple ? QStringList{ "p" } : QStringList{});
        // Nothing pending: a second copy_to does nothing at all.
        window.copy_to();
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY(!output.finish().contains("Debug: system"));
        QVERIFY(!QFile::exists(m_b + "/p"));
        window.cancel();
        QCOMPARE(window.browseMode(), int(Browse));
    }

    void multipleDelete()
    {
        fileDialog &window = m_fixture.start(m_a);
        check(window, { "p", "tree" });
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::No);
        OutputCapture first(1);
        window.multi_del();
        QCOMPARE(first.finish(), QByteArray("get item list:\ntree\np\n================\n"));
        QCOMPARE(answerer.seen.value(0).title, QStringLiteral("Delete"));
        QCOMPARE(answerer.seen.value(0).text, QStringLiteral("Delete all checked entries?"));
        QCOMPARE(window.browseMode(), int(MultiSelect));
        QCOMPARE(window.entryList()->itemsChecked(),
                 std::vector<int>({ rowOf(window, "tree"), rowOf(window, "p") }));
        QVERIFY(QFile::exists(m_a + "/p"));

        answerer.answer(DialogAnswerer::Yes);
        OutputCapture second(1);
        window.multi_del();
        QCOMPARE(second.finish(), "get item list:\ntree\np\n================\n"
                                  "Debug: system(rm -rf "
                                          + quoted(m_a + "/tree")
                                          + ")\n"
                                            "Debug: system(rm -rf "
                                          + quoted(m_a + "/p") + ")\n");
        QCOMPARE(answerer.runners.size(), 2);
        QCOMPARE(answerer.runners[0].text, QStringLiteral("Deleting tree"));
        QVERIFY(!QFile::exists(m_a + "/tree") && !QFile::exists(m_a + "/p"));
        QVERIFY(QFile::exists(m_a + "/q"));
        QCOMPARE(window.browseMode(), int(Browse));
    }

    void copyKeepsAttributes()
    {
        const QByteArray file = QFile::encodeName(m_a + "/x");
        QCOMPARE(::chmod(file.constData(), 0604), 0);
        const utimbuf old = { 1000000000, 1000000000 };
        QCOMPARE(::utime(file.constData(), &old), 0);
        QCOMPARE(::utime(QFile::encodeName(m_a + "/tree/inner/leaf").constData(), &old), 0);
        fileDialog &window = m_fixture.start(m_a);
        check(window, { "x", "tree" });
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        copyCheckedInto(window, m_b);
        struct stat copied;
        QCOMPARE(::stat(QFile::encodeName(m_b + "/x").constData(), &copied), 0);
        QCOMPARE(int(copied.st_mode & 07777), 0604);
        QCOMPARE(qint64(copied.st_mtime), qint64(1000000000));
        QCOMPARE(::stat(QFile::encodeName(m_b + "/tree/inner/leaf").constData(), &copied), 0);
        QCOMPARE(qint64(copied.st_mtime), qint64(1000000000));
        QCOMPARE(readFile(m_a + "/tree/inner/leaf"), QByteArray("leaf"));
    }

    // A failing entry does not stop the others; the failures are shown together once the last
    // entry has run, so that no later command has overwritten them.
    void failingFirstEntryStillShown()
    {
        QVERIFY(makeFile(m_a + "/gone", "gone"));
        fileDialog &window = m_fixture.start(m_a);
        check(window, { "gone", "p" });
        QVERIFY(QFile::remove(m_a + "/gone")); // removed from outside after the listing
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        copyCheckedInto(window, m_b);
        QCOMPARE(answerer.runners.size(), 2);
        QCOMPARE(readFile(m_b + "/p"), QByteArray("p"));
        QCOMPARE(m_opener.launcherCalls().size(), 1);
        const QByteArray shown = readFile(m_opener.launcherCalls()[0]);
        QVERIFY2(shown.startsWith("$ cp -a " + quoted(m_a + "/gone") + ' ' + quoted(m_b + '/')
                                  + "\ncp: cannot stat"),
                 shown.constData());
        QCOMPARE(window.browseMode(), int(Browse));
    }

    // Stopped during its second entry, a multiple copy runs no third; no log opens, a notice
    // says how many entries were done and how many were not, and the destination is listed.
    void stoppedAtTheSecondEntry()
    {
        SlowCommand slowCopy("cp", 0.5);
        fileDialog &window = m_fixture.start(m_a);
        check(window, { "p", "q", "x" });
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes)
                .answer(DialogAnswerer::Yes)
                .answer(DialogAnswerer::Yes);
        QTimer stopper;
        connect(&stopper, &QTimer::timeout, [&stopper] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *runner = qobject_cast<deathDlg *>(widget);
                if (runner && runner->title() == "q" && runner->processGroup() > 0) {
                    stopper.stop();
                    runner->getSoftKey()->click(1);
                }
            }
        });
        stopper.start(20);
        const QByteArray printed = copyCheckedInto(window, m_b);
        QCOMPARE(printed.count("Debug: system("), 2);
        QCOMPARE(answerer.seen.size(), 3);
        QCOMPARE(answerer.seen[1].title, QStringLiteral("Copy"));
        QVERIFY(answerer.seen[1].text.startsWith("Stop now?"));
        QCOMPARE(answerer.seen[2].text, QStringLiteral("Done: 1\nNot done: 2"));
        QCOMPARE(readFile(m_b + "/p"), QByteArray("p"));
        QVERIFY(!QFile::exists(m_b + "/q") && !QFile::exists(m_b + "/x"));
        QCOMPARE(readFile(m_a + "/q"), QByteArray("q"));
        QVERIFY(m_opener.launcherCalls().isEmpty());
        QCOMPARE(window.browseMode(), int(Browse));
        QCOMPARE(window.currentDirectory(), m_b);
        QVERIFY(rowOf(window, "p") > 0);
    }

    // Onto an entry of the same name: asked first, with the full path of what would be replaced.
    void singleCopyOntoAnExistingFile()
    {
        QVERIFY(makeFile(m_b + "/x", "older x"));
        const QString replace = "An entry of that name already exists. Overwrite " + m_b + "/x ?";
        for (const DialogAnswerer::Action action : { DialogAnswerer::No, DialogAnswerer::Yes }) {
            fileDialog &window = m_fixture.start(m_a);
            window.entryList()->setCurrentItem(rowOf(window, "x"));
            window.copy();
            window.showDir(m_b, PickCopyTarget);
            DialogAnswerer answerer;
            answerer.answer(DialogAnswerer::Yes).choose(3).answer(action);
            OutputCapture output(1);
            window.copy_to();
            const QByteArray printed = output.finish();
            QCOMPARE(answerer.seen.size(), 3);
            QCOMPARE(answerer.seen[1].kind, QStringLiteral("choice"));
            QCOMPARE(answerer.seen[2].title, QStringLiteral("Copy"));
            QCOMPARE(answerer.seen[2].text, replace);
            QVERIFY(window.pendingSource().isEmpty());
            if (action == DialogAnswerer::No) {
                QCOMPARE(printed, QByteArray());
                QCOMPARE(readFile(m_b + "/x"), QByteArray("older x"));
                QCOMPARE(window.browseMode(), int(PickCopyTarget));
            } else {
                QCOMPARE(printed, "Debug: system(cp -a --remove-destination " + quoted(m_a + "/x")
                                          + ' ' + quoted(m_b + '/') + ")\n");
                QCOMPARE(readFile(m_b + "/x"), QByteArray("x"));
                QCOMPARE(window.browseMode(), int(Browse));
            }
        }
    }

    void multipleMoveWithOneConflictAnsweredNo()
    {
        QVERIFY(makeFile(m_b + "/q", "other q"));
        fileDialog &window = m_fixture.start(m_a);
        check(window, { "p", "q", "x" });
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes).choose(3).answer(DialogAnswerer::No);
        OutputCapture output(1);
        window.multi_move();
        window.showDir(m_b, PickMoveTarget);
        window.move_to();
        const QByteArray printed = output.finish();
        QCOMPARE(answerer.seen.size(), 3);
        QCOMPARE(answerer.seen[2].title, QStringLiteral("Move"));
        QCOMPARE(answerer.seen[2].text,
                 "An entry of that name already exists. Overwrite " + m_b + "/q ?");
        QCOMPARE(printed.count("Debug: system(mv "), 2);
        QCOMPARE(readFile(m_b + "/p"), QByteArray("p"));
        QCOMPARE(readFile(m_b + "/x"), QByteArray("x"));
        QCOMPARE(readFile(m_b + "/q"), QByteArray("other q"));
        QCOMPARE(readFile(m_a + "/q"), QByteArray("q"));
        QCOMPARE(window.browseMode(), int(Browse));
        QVERIFY(m_opener.launcherCalls().isEmpty());
    }

    // One choice for every entry that exists there: p and q exist in b, x does not. Two popups
    // (the question and the choice) whatever the number of conflicts, unless each is decided.
    void oneChoiceForAllConflicts_data()
    {
        QTest::addColumn<OperationPlan::Resolution>("choice");
        QTest::addColumn<QByteArrayList>("inB"); // p, q, "p (2)", "q (2)" after the copy
        QTest::newRow("replace all") << OperationPlan::ReplaceAll
                                     << QByteArrayList{ "p", "q", "<missing>", "<missing>" };
        QTest::newRow("skip existing")
                << OperationPlan::SkipExisting
                << QByteArrayList{ "old p", "old q", "<missing>", "<missing>" };
        QTest::newRow("keep both")
                << OperationPlan::KeepBoth << QByteArrayList{ "old p", "old q", "p", "q" };
        QTest::newRow("decide each: yes, then no")
                << OperationPlan::DecideEach
                << QByteArrayList{ "p", "old q", "<missing>", "<missing>" };
    }

    void oneChoiceForAllConflicts()
    {
        QFETCH(OperationPlan::Resolution, choice);
        QFETCH(QByteArrayList, inB);
        QVERIFY(makeFile(m_b + "/p", "old p") && makeFile(m_b + "/q", "old q"));
        fileDialog &window = m_fixture.start(m_a);
        check(window, { "p", "q", "x" });
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes).choose(choice);
        if (choice == OperationPlan::DecideEach)
            answerer.answer(DialogAnswerer::Yes).answer(DialogAnswerer::No);
        copyCheckedInto(window, m_b);
        QCOMPARE(answerer.seen.size(), choice == OperationPlan::DecideEach ? 4 : 2);
        QCOMPARE(answerer.seen[1].title, QStringLiteral("Copy"));
        QVERIFY(answerer.seen[1].text.startsWith("Entries that already exist there: 2\n"));
        QCOMPARE(QByteArrayList({ readFile(m_b + "/p"), readFile(m_b + "/q"),
                                  readFile(m_b + "/p (2)"), readFile(m_b + "/q (2)") }),
                 inB);
        QCOMPARE(readFile(m_b + "/x"), QByteArray("x"));
        QCOMPARE(answerer.unexpected, 0);
    }

    // A folder moved onto a folder that holds something: what is inside goes across, merged at
    // every depth, and the emptied folder goes. A link inside never replaces a real folder there,
    // even under "Replace all": it is kept beside it, as the question said.
    void moveOfAFolderMergesIntoOne()
    {
        QVERIFY(makeFile(m_b + "/tree/other", "other") && makeFile(m_b + "/tree/inner/old", "old"));
        QVERIFY(makeFile(m_b + "/tree/Music/song", "song")
                && QFile::link(m_b + "/tree/Music", m_a + "/tree/Music"));
        fileDialog &window = m_fixture.start(m_a);
        window.entryList()->setCurrentItem(rowOf(window, "tree"));
        window.move();
        window.showDir(m_b, PickMoveTarget);
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes).choose(OperationPlan::ReplaceAll);
        OutputCapture output(1);
        window.move_to();
        output.finish();
        QVERIFY(answerer.seen[0].text.endsWith(
                "Links where a folder of their name stands, kept under a new name: 1"));
        QCOMPARE(entriesOf(QFile::encodeName(m_b + "/tree")),
                 QByteArrayList({ "Music", "Music (2)", "inner", "other" }));
        QCOMPARE(readFile(m_b + "/tree/Music/song"), QByteArray("song"));
        QVERIFY(QFileInfo(m_b + "/tree/Music (2)").isSymLink());
        QCOMPARE(entriesOf(QFile::encodeName(m_b + "/tree/inner")),
                 QByteArrayList({ "leaf", "old" }));
        QVERIFY(!QFile::exists(m_a + "/tree"));
        QVERIFY(m_opener.launcherCalls().isEmpty());
    }

    // A FAT card (a real image, through fusefat) takes names that differ only in case for one:
    // the second of each pair arrives under the name keep both gives it, at the top and inside
    // a folder, as the question said; and no source goes whose copy is not there.
    void caseClashesOnACard()
    {
        if (!QFile::exists("/dev/fuse") || QStandardPaths::findExecutable("fusefat").isEmpty()
            || QStandardPaths::findExecutable("mkfs.vfat", { "/sbin", "/usr/sbin" }).isEmpty())
            QSKIP("no FAT image can be mounted here: needs /dev/fuse, fusefat and dosfstools");
        const QString image = m_dir->path() + "/card.img", card = m_dir->path() + "/card";
        QVERIFY(QDir().mkdir(card));
        QProcess mount;
        mount.setStandardOutputFile(QProcess::nullDevice());
        mount.setStandardErrorFile(QProcess::nullDevice());
        mount.start("sh",
                    { "-c", R"(truncate -s 8M "$1" && PATH=$PATH:/sbin:/usr/sbin mkfs.vfat "$1" &&
                                     fusefat -o rw+ "$1" "$2")",
                      "sh", image, card });
        QVERIFY(mount.waitForFinished() && mount.exitCode() == 0);
        const auto unmount = qScopeGuard([&] { QProcess::execute("fusermount", { "-u", card }); });
        QVERIFY(makeFile(m_a + "/music/A.txt", "UPPER") && makeFile(m_a + "/music/a.txt", "lower")
                && makeFile(m_a + "/IMG.JPG", "big") && makeFile(m_a + "/img.jpg", "small"));
        fileDialog &window = m_fixture.start(m_a);
        check(window, { "IMG.JPG", "img.jpg", "music" });
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        OutputCapture output(1);
        window.multi_move();
        window.showDir(card, PickMoveTarget);
        window.move_to();
        output.finish();
        QVERIFY(answerer.seen.value(0).text.endsWith(
                "Names that differ there only in case, kept under a new name: 2"));
        QCOMPARE(entriesOf(QFile::encodeName(card)),
                 QByteArrayList({ "IMG.JPG", "img (2).jpg", "music" }));
        QCOMPARE(entriesOf(QFile::encodeName(card + "/music")),
                 QByteArrayList({ "A.txt", "a (2).txt" }));
        const QStringList arrived = { "IMG.JPG", "img (2).jpg", "music/A.txt", "music/a (2).txt" };
        const QStringList sources = { "IMG.JPG", "img.jpg", "music/A.txt", "music/a.txt" };
        const QByteArrayList contents = { "big", "small", "UPPER", "lower" };
        for (int i = 0; i < sources.size(); ++i) {
            QCOMPARE(readFile(card + '/' + arrived[i]), contents[i]);
            const QByteArray left = readFile(m_a + '/' + sources[i]);
            QVERIFY(left == "<missing>" || left == contents[i]);
        }
        QCOMPARE(answerer.unexpected, 0);
    }

    // No to the space question: nothing runs, nothing is written there.
    void notEnoughSpaceAnsweredNo()
    {
        QVERIFY(makeFile(m_a + "/big", QByteArray(200000, 'b')));
        if (QProcess::execute("mount", { "-t", "tmpfs", "-o", "size=64k", "tmpfs", m_b }))
            QSKIP("a small tmpfs cannot be mounted here (needs root)");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", { m_b }); });
        fileDialog &window = m_fixture.start(m_a);
        check(window, { "big", "p" });
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes).answer(DialogAnswerer::No);
        QVERIFY(!copyCheckedInto(window, m_b).contains("Debug: system("));
        QCOMPARE(answerer.seen.value(1).title, QStringLiteral("Not enough space"));
        QCOMPARE(entriesOf(QFile::encodeName(m_b)), QByteArrayList());
        window.cancel();
    }

    // A folder into itself is refused before anything runs; in a multiple operation, the other
    // entries go on.
    void folderIntoItself()
    {
        const QString notice = QStringLiteral(
                "A folder cannot be copied or moved into itself or into a folder inside it.");
        fileDialog &window = m_fixture.start(m_a);
        window.entryList()->setCurrentItem(rowOf(window, "tree"));
        window.copy();
        window.showDir(m_a + "/tree/inner", PickCopyTarget);
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes).answer(DialogAnswerer::Yes);
        OutputCapture output(1);
        window.copy_to();
        QCOMPARE(output.finish(), QByteArray());
        QCOMPARE(answerer.seen.size(), 2);
        QCOMPARE(answerer.seen[1].kind, QStringLiteral("notice"));
        QCOMPARE(answerer.seen[1].text, notice);
        QVERIFY(!QFile::exists(m_a + "/tree/inner/tree"));

        fileDialog &again = m_fixture.start(m_a);
        check(again, { "tree", "x" });
        answerer.seen.clear();
        answerer.answer(DialogAnswerer::Yes).answer(DialogAnswerer::Yes);
        OutputCapture output2(1);
        again.multi_move();
        again.showDir(m_a + "/tree", PickMoveTarget);
        again.move_to();
        QCOMPARE(output2.finish().count("Debug: system("), 1);
        QCOMPARE(answerer.seen.value(1).text, notice);
        QCOMPARE(readFile(m_a + "/tree/x"), QByteArray("x"));
        QCOMPARE(readFile(m_a + "/tree/inner/leaf"), QByteArray("leaf"));
        QVERIFY(!QFile::exists(m_a + "/tree/tree"));
    }

    // Names that are not UTF-8 (a Latin-1 "caf\xe9"): listed, shown, opened, entered, renamed,
    // copied, moved and deleted, each on the very bytes.
    void namesThatAreNotUtf8()
    {
        const QByteArray root = QFile::encodeName(m_dir->path()) + "/raw";
        const QByteArray folder = "caf\xe9 dir", file = "caf\xe9 menu.txt";
        QVERIFY(QDir().mkpath(m_dir->path() + "/raw/b")
                && QDir().mkpath(m_dir->path() + "/raw/dest"));
        QCOMPARE(::mkdir(root + '/' + folder, 0755), 0);
        QVERIFY(makeFileBytes(root + '/' + file, "menu"));
        QVERIFY(makeFileBytes(root + '/' + folder + "/inner\xff", "inner"));
        QVERIFY(makeFileBytes(root + "/d.txt", "d"));
        const QString folderText = FileName::fromBytes(folder),
                      fileText = FileName::fromBytes(file);
        const QString rootText = FileName::fromBytes(root);

        // Listed in their places, shown with U+FFFD.
        fileDialog &window = m_fixture.start(rootText);
        QCOMPARE(rows(window), QStringList({ "..", "b", folderText, "dest", fileText, "d.txt" }));
        window.entryList()->setCurrentItem(4);
        const QModelIndex shown = window.entryList()->model()->index(4, 0);
        QCOMPARE(shown.data().toString(), QString("caf\uFFFD menu.txt"));

        // Opened: the opener gets the bytes.
        window.obj_selected(4);
        QTRY_COMPARE(m_opener.openedBytes(), QByteArrayList{ root + '/' + file });

        // Entered, and a folder made inside it.
        window.obj_selected(rowOf(window, folderText));
        QCOMPARE(window.currentDirectory(), rootText + '/' + folderText);
        QCOMPARE(rows(window), QStringList({ "..", FileName::fromBytes("inner\xff") }));
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes, "new");
        window.createDir();
        QCOMPARE(entriesOf(root + '/' + folder), QByteArrayList({ "inner\xff", "new" }));
        window.back();

        // Copied, with the gathered names printed as their bytes.
        check(window, { folderText, fileText });
        answerer.answer(DialogAnswerer::Yes);
        QCOMPARE(copyCheckedInto(window, rootText + "/dest"),
                 "get item list:\n" + folder + '\n' + file
                         + "\n================\n"
                           "Debug: system(cp -a \""
                         + root + '/' + folder + "\" \"" + root
                         + "/dest/\")\n"
                           "Debug: system(cp -a \""
                         + root + '/' + file + "\" \"" + root + "/dest/\")\n");
        QCOMPARE(entriesOf(root + "/dest"), QByteArrayList({ folder, file }));
        QCOMPARE(entriesOf(root + "/dest/" + folder), QByteArrayList({ "inner\xff", "new" }));

        // Moved from there into b, then deleted there.
        check(window, { folderText, fileText });
        answerer.answer(DialogAnswerer::Yes);
        OutputCapture moving(1);
        window.multi_move();
        window.showDir(rootText + "/b", PickMoveTarget);
        window.move_to();
        moving.finish();
        QCOMPARE(entriesOf(root + "/b"), QByteArrayList({ folder, file }));
        QCOMPARE(entriesOf(root + "/dest"), QByteArrayList());
        check(window, { folderText, fileText });
        answerer.answer(DialogAnswerer::Yes);
        OutputCapture deleting(1);
        window.multi_del();
        deleting.finish();
        QCOMPARE(entriesOf(root + "/b"), QByteArrayList());

        // The originals: renamed to a typed name, and deleted on their own.
        window.showDir(rootText, Browse);
        window.entryList()->setCurrentItem(rowOf(window, fileText));
        answerer.answer(DialogAnswerer::Yes, "menu"); // the extension stays
        OutputCapture renaming(1);
        window.rename();
        renaming.finish();
        QCOMPARE(entriesOf(root), QByteArrayList({ "b", folder, "d.txt", "dest", "menu.txt" }));
        QCOMPARE(readFile(m_dir->path() + "/raw/menu.txt"), QByteArray("menu"));
        window.entryList()->setCurrentItem(rowOf(window, folderText));
        answerer.answer(DialogAnswerer::Yes);
        OutputCapture removing(1);
        window.del();
        removing.finish();
        QCOMPARE(entriesOf(root), QByteArrayList({ "b", "d.txt", "dest", "menu.txt" }));
        QCOMPARE(answerer.unexpected, 0);
        QCOMPARE(answerer.pending(), 0);
        QVERIFY(m_opener.launcherCalls().size() == 1); // the file opened above, no failure log
    }

    // An entry whose command would not fit is refused with a notice; the others go on.
    void tooLongEntrySkipped()
    {
        QString deep = m_a;
        for (int i = 0; i < 3; ++i)
            deep += u'/' + QString(200, QChar(u'a' + i));
        const QString longName = QString(250, u'n');
        QVERIFY(makeFile(deep + u'/' + longName, "long"));
        QVERIFY(makeFile(deep + "/short", "short"));
        QString target = m_b + u'/' + QString(200, u'z');
        QVERIFY(QDir().mkpath(target));
        fileDialog &window = m_fixture.start(deep);
        check(window, { longName, "short" });
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes).answer(DialogAnswerer::Yes);
        const QByteArray printed = copyCheckedInto(window, target);
        QCOMPARE(answerer.seen.size(), 2);
        QCOMPARE(answerer.seen[1].title, QStringLiteral("Error"));
        QCOMPARE(answerer.seen[1].text, QStringLiteral("The path is too long for this operation."));
        QCOMPARE(printed.count("Debug: system("), 1);
        QCOMPARE(readFile(target + "/short"), QByteArray("short"));
        QVERIFY(!QFile::exists(target + u'/' + longName));
    }
};

FM_TEST_MAIN(tst_CopyMove)
#include "tst_copymove.moc"
