// SPDX-License-Identifier: GPL-3.0-or-later
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

#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace {

QByteArray quoted(const QString &text)
{
    return '"' + text.toUtf8() + '"';
}

// What an operation that wrote data runs last: it is done once that is on the disk.
QByteArray synced(const QString &folder)
{
    return "Debug: system(sync -f " + quoted(folder) + ")\n";
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
                                          + quoted(m_a + "/x") + ' ' + quoted(m_b + '/') + ")\n"
                                          + (moving ? QByteArray() : synced(m_b)));
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QString(moving ? "Move" : "Copy"));
        QCOMPARE(answerer.seen[0].text, QString(moving ? "Move " : "Copy ") + m_a + "/x -> " + m_b
                                                + " ?\nEntries: 1" + (moving ? "" : " (1 B)"));
        QCOMPARE(answerer.runners.size(), moving ? 1 : 2);
        QCOMPARE(answerer.runners[0].title, QString());
        QCOMPARE(answerer.runners[0].text, QStringLiteral("Please wait..."));
        if (!moving)
            QCOMPARE(answerer.runners[1].text, QStringLiteral("Writing to the disk…"));
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
                                  + quoted(m_b + '/') + ")\n" + synced(m_b)),
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
                                  + quoted(m_a + "/50%s%d") + ' ' + quoted(m_b + '/') + ")\n"
                                  + synced(m_b));
        QCOMPARE(answerer.runners.size(), 2);
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
        QCOMPARE(answerer.seen.value(0).text, QStringLiteral("Delete 2 checked entries?"));
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
        QCOMPARE(answerer.runners.size(), 3); // gone, p, and the closing sync
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
                // What stood there goes to the trash first, by a rename.
                const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash";
                QCOMPARE(printed, "Debug: system(mv -T " + quoted(m_b + "/x") + ' '
                                          + quoted(trash + "/files/x") + " && cp -a "
                                          + quoted(m_a + "/x") + ' ' + quoted(m_b + '/') + ")\n"
                                          + synced(m_b));
                QCOMPARE(readFile(m_b + "/x"), QByteArray("x"));
                QCOMPARE(readFile(trash + "/files/x"), QByteArray("older x"));
                QCOMPARE(window.browseMode(), int(Browse));
            }
        }
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
                         + root + '/' + file + "\" \"" + root + "/dest/\")\n"
                         + synced(rootText + "/dest"));
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
};

FM_TEST_MAIN(tst_CopyMove)
#include "tst_copymove.moc"
