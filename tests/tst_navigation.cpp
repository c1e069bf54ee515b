// SPDX-License-Identifier: GPL-3.0-or-later
// Moving between folders and modes: selecting rows, Back, cancelling a pick mode and the check
// marks of multi-select.
#include "browser/filedialog.h"
#include "platform/zlistbox.h"
#include "platform/zsoftkey.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTimer>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

class tst_Navigation : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_root;
    WindowFixture m_fixture;
    RecordingOpener m_opener;

    void select(fileDialog &window, const QString &name)
    {
        const int row = rowOf(window, name);
        QVERIFY2(row >= 0, qPrintable(name));
        window.entryList()->setCurrentItem(row);
        window.obj_selected(row);
    }

private slots:
    void initTestCase()
    {
        m_root = m_dir.path();
        QVERIFY(QDir().mkpath(m_root + "/one/two/three"));
        QVERIFY(makeFile(m_root + "/one/doc.txt", "text"));
        QVERIFY(makeFile(m_root + "/one/two/x y.txt"));
        QVERIFY(QFile::link(m_root + "/one/doc.txt", m_root + "/one/link.txt"));
    }

    void init() { m_opener.clear(); }

    void cleanup() { QVERIFY(m_fixture.finish()); }

    void downAndUpAgain()
    {
        fileDialog &window = m_fixture.start(m_root);
        select(window, "one");
        QCOMPARE(window.currentDirectory(), m_root + "/one");
        select(window, "two");
        QCOMPARE(window.currentDirectory(), m_root + "/one/two");
        QCOMPARE(window.instructText(), m_root + "/one/two");
        select(window, "..");
        QCOMPARE(window.currentDirectory(), m_root + "/one");
        window.back();
        QCOMPARE(window.currentDirectory(), m_root);
        QCOMPARE(window.browseMode(), int(Browse));
        QVERIFY(m_opener.launcherCalls().isEmpty());
    }

    void parentRowAtTheRoot()
    {
        fileDialog &window = m_fixture.start("/");
        window.showDir("/", PickMoveTarget);
        select(window, "..");
        QCOMPARE(window.currentDirectory(), QStringLiteral("/"));
        QCOMPARE(window.browseMode(), int(PickMoveTarget));
        QVERIFY(rows(window).contains("tmp"));
    }

    void openingAFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("regular file") << "doc.txt";
        QTest::newRow("link to a file") << "link.txt";
    }

    void openingAFile()
    {
        QFETCH(QString, name);
        fileDialog &window = m_fixture.start(m_root + "/one");
        const QStringList before = rows(window);
        select(window, name);
        const QString path = m_root + "/one/" + name;
        QCOMPARE(m_opener.launcherCalls(), QStringList{ path });
        QTRY_COMPARE(m_opener.opened(), QStringList{ path });
        // Nothing else changes.
        QCOMPARE(rows(window), before);
        QCOMPARE(window.entryList()->currentItem(), rowOf(window, name));
        QCOMPARE(window.currentDirectory(), m_root + "/one");
        QCOMPARE(window.browseMode(), int(Browse));
    }

    void openingAFileAtTheRoot()
    {
        const QString name = QStringLiteral("fm-navigation-test-%1.txt").arg(::getpid());
        if (!makeFile("/" + name))
            QSKIP("cannot write a file into the root folder");
        fileDialog &window = m_fixture.start("/");
        select(window, name);
        QFile::remove("/" + name);
        // Built with "/" between folder and name; the opener gets the same file without "//".
        QCOMPARE(m_opener.launcherCalls(), QStringList{ "//" + name });
        QTRY_COMPARE(m_opener.opened(), QStringList{ "/" + name });
    }

    void selectingInMultiSelectNeverNavigates()
    {
        fileDialog &window = m_fixture.start(m_root);
        window.multiSelect();
        select(window, "one");
        QCOMPARE(window.currentDirectory(), m_root);
        QCOMPARE(window.browseMode(), int(MultiSelect));
        QVERIFY(window.entryList()->itemsChecked().empty());
    }

    void pickModeWalksInItsMode()
    {
        fileDialog &window = m_fixture.start(m_root);
        window.showDir(m_root, PickCopyTarget);
        select(window, "one");
        QCOMPARE(window.browseMode(), int(PickCopyTarget));
        QCOMPARE(rows(window), QStringList({ "..", "two" }));
    }

    void back_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<int>("modeAfter");
        QTest::newRow("two levels down") << "%1/one/two" << int(Browse) << "%1/one" << int(Browse);
        QTest::newRow("one level down") << "/tmp" << int(Browse) << "/" << int(Browse);
        QTest::newRow("pick copy goes up into browse")
                << "%1/one" << int(PickCopyTarget) << "%1" << int(Browse);
        QTest::newRow("pick move goes up into browse")
                << "%1/one" << int(PickMoveTarget) << "%1" << int(Browse);
        QTest::newRow("multi-select stays in the folder")
                << "%1/one" << int(MultiSelect) << "%1/one" << int(Browse);
        QTest::newRow("multi-select at the root") << "/" << int(MultiSelect) << "/" << int(Browse);
    }

    void back()
    {
        QFETCH(QString, folder);
        QFETCH(int, mode);
        QFETCH(QString, listed);
        QFETCH(int, modeAfter);
        folder.replace("%1", m_root);
        listed.replace("%1", m_root);
        fileDialog &window = m_fixture.start(folder);
        window.showDir(folder, mode);
        DialogAnswerer answerer; // there must be no question
        window.back();
        QCOMPARE(answerer.seen.size(), 0);
        QCOMPARE(window.currentDirectory(), listed);
        QCOMPARE(window.browseMode(), modeAfter);
        QVERIFY(!window.isMultiPending());
    }

    // The folder on screen removed from outside, its parent too: Back and ".." must still lead
    // somewhere, to the nearest folder above that exists; with no key pressed, the window goes
    // there by itself.
    void upFromARemovedFolder_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("back") << "back";
        QTest::newRow("parent row") << "..";
        QTest::newRow("none") << "";
    }

    void upFromARemovedFolder()
    {
        QFETCH(QString, key);
        const QString gone = m_root + "/gone";
        QVERIFY(QDir().mkpath(gone + "/a/b"));
        fileDialog &window = m_fixture.start(gone + "/a/b");
        QVERIFY(QDir(gone).removeRecursively());
        if (key == "back")
            window.back();
        else if (key == "..")
            select(window, "..");
        QTRY_COMPARE(window.currentDirectory(), m_root);
        QVERIFY(rows(window).contains("one"));
    }

    void backInAPickModeKeepsTheSource()
    {
        fileDialog &window = m_fixture.start(m_root + "/one");
        window.entryList()->setCurrentItem(rowOf(window, "doc.txt"));
        window.copy();
        QCOMPARE(window.browseMode(), int(PickCopyTarget));
        window.back();
        QCOMPARE(window.browseMode(), int(Browse));
        QCOMPARE(window.currentDirectory(), m_root);
        QCOMPARE(window.pendingSource(), m_root + "/one/doc.txt");
    }

    void quitQuestionAnsweredNo_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("browse") << int(Browse);
        QTest::newRow("pick copy") << int(PickCopyTarget);
        QTest::newRow("pick move") << int(PickMoveTarget);
    }

    void quitQuestionAnsweredNo()
    {
        QFETCH(int, mode);
        fileDialog &window = m_fixture.start("/");
        window.showDir("/", mode);
        const QStringList before = rows(window);
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::No);
        QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
        window.back();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].kind, QStringLiteral("question"));
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Quit"));
        QCOMPARE(answerer.seen[0].text, QStringLiteral("Quit the file manager?"));
        QCOMPARE(window.browseMode(), mode);
        QCOMPARE(rows(window), before);
        QCoreApplication::processEvents();
        QCOMPARE(quitting.size(), 0);
    }

    void cancel_data()
    {
        QTest::addColumn<bool>("moving");
        QTest::newRow("copy") << false;
        QTest::newRow("move") << true;
    }

    void cancel()
    {
        QFETCH(bool, moving);
        fileDialog &window = m_fixture.start(m_root + "/one");
        window.multiSelect();
        window.entryList()->checkItem(rowOf(window, "doc.txt"), true);
        OutputCapture output(1);
        moving ? window.multi_move() : window.multi_copy();
        output.finish();
        QCOMPARE(window.browseMode(), int(moving ? PickMoveTarget : PickCopyTarget));
        select(window, "two");
        window.cancel();
        QCOMPARE(window.browseMode(), int(Browse));
        QCOMPARE(window.currentDirectory(), m_root + "/one/two");
        QVERIFY(window.pendingSource().isEmpty());
        QVERIFY(!window.pendingSource().isNull());
        QCOMPARE(window.collectedNames(), QStringList{ "doc.txt" });
        QVERIFY(!window.isMultiPending());
        QVERIFY(rows(window).contains("x y.txt"));
    }

    void checkMarks()
    {
        fileDialog &window = m_fixture.start(m_root + "/one");
        ZListBox *list = window.entryList();
        window.multiSelect();
        QVERIFY(list->itemsChecked().empty());
        window.multiSelectAll();
        QCOMPARE(int(list->itemsChecked().size()), list->count());
        QVERIFY(list->isChecked(0)); // the parent row too
        // Selecting a row neither navigates nor touches the marks.
        window.obj_selected(rowOf(window, "two"));
        QCOMPARE(int(list->itemsChecked().size()), list->count());
        window.multiSelectNon();
        QVERIFY(list->itemsChecked().empty());
        window.multiSelectAll();
        window.back();
        QVERIFY(list->itemsChecked().empty());
        QCOMPARE(window.currentDirectory(), m_root + "/one");
        // Outside multi-select the same slots check nothing that a listing keeps.
        window.multiSelect();
        QVERIFY(list->itemsChecked().empty());
    }

    // Press and hold on an entry begins choosing several, with that entry checked.
    void holdBeginsMultiSelect()
    {
        fileDialog &window = m_fixture.start(m_root + "/one");
        ZListBox *list = window.entryList();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint on = list->rowRect(rowOf(window, "two")).center();
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, on);
        QTRY_COMPARE(window.browseMode(), int(MultiSelect));
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, on);
        QCOMPARE(list->checkedTexts(), QStringList{ "two" });
    }

    // Another program changes the folder on screen: it shows without a key pressed, with the same
    // entry highlighted (or the row that took a vanished one's place) and the same ones checked.
    void outsideChangesShowByThemselves_data()
    {
        QTest::addColumn<bool>("multiSelect");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QString>("highlighted");
        QTest::addColumn<QStringList>("checked");
        QTest::newRow("browse: the same entry")
                << false << QStringList{ "b" } << "c" << QStringList{};
        QTest::newRow("multi-select: the highlighted one vanished")
                << true << QStringList{ "b", "c" } << "e" << QStringList{ "d" };
    }

    void outsideChangesShowByThemselves()
    {
        QFETCH(bool, multiSelect);
        QFETCH(QStringList, removed);
        QFETCH(QString, highlighted);
        QFETCH(QStringList, checked);
        TestFolder folder;
        QVERIFY(folder.makeFiles({ { "a", "" }, { "b", "" }, { "c", "" }, { "d", "" } }));
        fileDialog &window = m_fixture.start(folder.path());
        if (multiSelect) {
            window.multiSelect();
            for (const char *name : { "b", "d" })
                window.entryList()->checkItem(rowOf(window, name), true);
        }
        window.entryList()->setCurrentItem(rowOf(window, "c"));
        for (const QString &name : removed)
            QVERIFY(QFile::remove(folder / name));
        QVERIFY(makeFile(folder / "e"));
        QTRY_VERIFY(rows(window).contains("e")); // the pace is measured in bench_live
        QCOMPARE(window.currentItemName(), highlighted);
        QStringList nowChecked;
        for (const int row : window.entryList()->itemsChecked())
            nowChecked << window.entryList()->text(row);
        QCOMPARE(nowChecked, checked);
        QCOMPARE(window.browseMode(), int(multiSelect ? MultiSelect : Browse));
    }

    // Nothing changes under an open popup; what changed shows when it closes.
    void outsideChangeWaitsForThePopup()
    {
        TestFolder folder;
        QVERIFY(folder.makeFiles({ { "a", "" } }));
        fileDialog &window = m_fixture.start(folder.path());
        QStringList underThePopup;
        QTimer::singleShot(0, [&] {
            makeFile(folder / "e");
            QTest::qWait(400);
            underThePopup = rows(window);
            static_cast<ZPopup *>(QApplication::activeModalWidget())
                    ->getSoftKey()
                    ->click(ZSoftKey::Left);
        });
        window.about();
        QCOMPARE(underThePopup, QStringList({ "..", "a" }));
        QTRY_COMPARE(rows(window), QStringList({ "..", "a", "e" }));
    }

    void unreadableFolderKeepsTheCurrentFolder()
    {
        if (!canBecomeNobody())
            QSKIP("needs root, to browse as the unprivileged user nobody");
        const QString closed = m_root + "/closed";
        QVERIFY(QDir().mkpath(closed + "/inside"));
        QCOMPARE(::chmod(QFile::encodeName(m_root).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(closed).constData(), 0700), 0);
        fileDialog &window = m_fixture.start(m_root);
        QVERIFY(asNobody([&] { window.obj_selected(rowOf(window, "closed")); }));
        QDir(closed).removeRecursively();
        QCOMPARE(rows(window), QStringList{ ".." });
        QCOMPARE(window.currentDirectory(), m_root);
        QCOMPARE(window.instructText(), m_root);
    }

    // Last: yes ends the event loop, as the program's main loop would end.
    void quitQuestionAnsweredYes()
    {
        fileDialog &window = m_fixture.start("/");
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        bool timedOut = false;
        QTimer::singleShot(0, &window, &fileDialog::back);
        QTimer::singleShot(10000, [&timedOut] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        const int status = QCoreApplication::exec();
        QVERIFY(!timedOut);
        QCOMPARE(status, 0);
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Quit"));
    }
};

FM_TEST_MAIN(tst_Navigation)
#include "tst_navigation.moc"
