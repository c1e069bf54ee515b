// SPDX-License-Identifier: GPL-3.0-or-later
// The window's first listing and every later one: rows, order, modes, menus, and folders that
// cannot be listed.
#include "browser/filedialog.h"
#include "platform/zlistbox.h"
#include "platform/zoptionsmenu.h"
#include "platform/zsoftkey.h"
#include "support/testfiles.h"
#include "support/testmain.h"

#include <QAction>
#include <QDir>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList menuTexts(const QMenu *menu)
{
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << action->text();
    return texts;
}

} // namespace

class tst_Listing : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_root;
    WindowFixture m_fixture;

private slots:
    void initTestCase()
    {
        m_root = m_dir.path() + QStringLiteral("/tree");
        QDir().mkpath(m_root);
        for (const char *folder : { "B", "a", ".hidden_dir", "Zeta", "a/inner" })
            QVERIFY(QDir(m_root).mkpath(QString::fromLatin1(folder)));
        for (const char *file : { "b.txt", "A.TXT", "c.cpp", ".hidden_file", "10.txt", "readme" })
            QVERIFY(makeFile(m_root + u'/' + QLatin1String(file)));
        QVERIFY(QFile::link(m_root + "/a", m_root + "/linkdir"));
        QVERIFY(QFile::link(m_root + "/b.txt", m_root + "/linkfile.txt"));
        QVERIFY(QFile::link(m_root + "/nowhere", m_root + "/dangling.txt"));
        QCOMPARE(::mkfifo(QFile::encodeName(m_root + "/pipe.txt").constData(), 0644), 0);
    }

    void cleanup() { QVERIFY(m_fixture.finish()); }

    void startsAtTheRootWithoutArguments()
    {
        fileDialog &window = m_fixture.start(QStringList());
        QCOMPARE(window.currentDirectory(), QStringLiteral("/"));
        QCOMPARE(window.instructText(), QStringLiteral("/"));
        QCOMPARE(window.title(), QStringLiteral("File Manager"));
        QCOMPARE(window.windowTitle(), QStringLiteral("File Manager"));
        QCOMPARE(window.browseMode(), int(Browse));
        QVERIFY(!window.isMultiPending());
        QCOMPARE(window.getSoftKey()->text(0), QStringLiteral("Options"));
        QCOMPARE(window.getSoftKey()->text(1), QStringLiteral("Back"));
        const QStringList names = rows(window);
        QCOMPARE(names.first(), QStringLiteral(".."));
        QVERIFY(names.contains(QStringLiteral("tmp")));
        QVERIFY(window.filter().isNull());
    }

    void rowsInOrder_data()
    {
        QTest::addColumn<BrowseMode>("mode");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("expected");

        const QStringList folders = { "..", ".hidden_dir", "B", "Zeta", "a", "linkdir" };
        QTest::newRow("browse, no filter")
                << Browse << QString()
                << folders + QStringList{ ".hidden_file", "10.txt",       "A.TXT", "b.txt",
                                          "c.cpp",        "linkfile.txt", "readme" };
        QTest::newRow("browse, empty filter")
                << Browse << QStringLiteral("")
                << folders + QStringList{ ".hidden_file", "10.txt",       "A.TXT", "b.txt",
                                          "c.cpp",        "linkfile.txt", "readme" };
        QTest::newRow("filter is case-sensitive, folders unfiltered")
                << Browse << QStringLiteral("*.txt")
                << folders + QStringList{ "10.txt", "b.txt", "linkfile.txt" };
        QTest::newRow("patterns separated by blanks") << Browse << QStringLiteral("*.cpp A*")
                                                      << folders + QStringList{ "A.TXT", "c.cpp" };
        QTest::newRow("patterns separated by semicolons")
                << Browse << QStringLiteral("*.cpp;read?e")
                << folders + QStringList{ "c.cpp", "readme" };
        QTest::newRow("filter matching nothing") << Browse << QStringLiteral("*.none") << folders;
        QTest::newRow("pick copy: folders only") << PickCopyTarget << QString() << folders;
        QTest::newRow("pick move: filter ignored")
                << PickMoveTarget << QStringLiteral("nothing") << folders;
        QTest::newRow("multi-select")
                << MultiSelect << QStringLiteral("*.cpp") << folders + QStringList{ "c.cpp" };
    }

    void rowsInOrder()
    {
        QFETCH(BrowseMode, mode);
        QFETCH(QString, filter);
        QFETCH(QStringList, expected);
        fileDialog &window = m_fixture.start(filter.isNull() ? QStringList{ m_root }
                                                             : QStringList{ m_root, filter });
        window.showDir(m_root, mode);
        QCOMPARE(rows(window), expected);
        QCOMPARE(window.currentDirectory(), m_root);
        // In a pick mode the path line says what is pending.
        const QString pending = mode == PickCopyTarget   ? "Copy to: "
                                : mode == PickMoveTarget ? "Move to: "
                                                         : "";
        QCOMPARE(window.instructText(), pending + m_root);
        QCOMPARE(window.browseMode(), int(mode));
        // The parent row is current, so that Down reaches the first entry.
        QCOMPARE(window.entryList()->currentItem(), 0);
        QCOMPARE(window.currentItemName(), QStringLiteral(".."));
    }

    void rowIcons()
    {
        fileDialog &window = m_fixture.start({ m_root, "*.cpp" });
        const ZListBox *list = window.entryList();
        const RES_ICON_Reader icons;
        const auto iconOf
                = [&](int row) { return list->item(row)->getSubItemPixmap(0).cacheKey(); };
        QCOMPARE(iconOf(0), icons.getIcon("gen_back_to_arrw_small.bmp").cacheKey());
        QCOMPARE(iconOf(1), icons.getIcon("fm_folder_small.bmp").cacheKey());
        QCOMPARE(iconOf(list->count() - 1), icons.getIcon("fm_insert_file_small.bmp").cacheKey());
        QVERIFY(!icons.getIcon("fm_folder_small.bmp").isNull());
        QVERIFY(icons.getIcon("no_such_icon.bmp").isNull());
    }

    void multiSelectLayout()
    {
        fileDialog &window = m_fixture.start({ m_root, "*.cpp" });
        window.showDir(m_root, MultiSelect);
        ZListBox *list = window.entryList();
        QCOMPARE(window.nameColumn(), 2);
        QCOMPARE(list->itemType(), QStringLiteral("%C%I%M"));
        QVERIFY(window.isMultiPending());
        QCOMPARE(list->item(1)->getSubItemText(2), QStringLiteral(".hidden_dir"));
        QVERIFY(list->item(1)->getSubItemText(1).isEmpty());
        QVERIFY(!list->item(1)->getSubItemPixmap(1).isNull());
        list->setCurrentItem(6);
        QCOMPARE(window.currentItemName(), QStringLiteral("c.cpp"));
        list->checkItem(0, true);
        QCOMPARE(list->itemsChecked(), std::vector<int>{ 0 });
        // Back to the plain layout: names in column 1 again, check marks gone.
        window.showDir(m_root, Browse);
        QCOMPARE(window.nameColumn(), 1);
        QCOMPARE(list->itemType(), QStringLiteral("%I%M"));
        QVERIFY(list->itemsChecked().empty());
        QVERIFY(!window.isMultiPending());
    }

    void pickModesKeepMultiPending()
    {
        fileDialog &window = m_fixture.start({ m_root });
        window.showDir(m_root, MultiSelect);
        window.showDir(m_root, PickCopyTarget);
        QVERIFY(window.isMultiPending());
        window.showDir(m_root, Browse);
        window.showDir(m_root, PickMoveTarget);
        QVERIFY(!window.isMultiPending());
    }

    void currentItemNameWithoutRow()
    {
        fileDialog &window = m_fixture.start({ m_root });
        window.entryList()->clear();
        QVERIFY(window.currentItemName().isNull());
    }

    void menusPerMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("main");
        QTest::addColumn<QStringList>("manage");
        QTest::newRow("browse") << int(Browse)
                                << QStringList{ "New folder", "Manage", "Select several",
                                                "About",      "Quit",   "Go to" }
                                << QStringList{ "Rename", "Delete",        "Copy",
                                                "Move",   "Move to trash", "Details" };
        QTest::newRow("pick copy")
                << int(PickCopyTarget)
                << QStringList{ "New folder", "Copy here", "Cancel copy", "About", "Quit" }
                << QStringList{};
        QTest::newRow("pick move")
                << int(PickMoveTarget)
                << QStringList{ "New folder", "Move here", "Cancel move", "About", "Quit" }
                << QStringList{};
        QTest::newRow("multi-select")
                << int(MultiSelect)
                << QStringList{ "Manage", "Select all", "Select none", "About", "Quit" }
                << QStringList{ "Delete", "Copy", "Move", "Move to trash", "Details" };
        QTest::newRow("trash") << int(TrashView)
                               << QStringList{ "Restore", "Delete", "Empty trash", "Select several",
                                               "Details", "About",  "Quit" }
                               << QStringList{};
        QTest::newRow("trash, choosing several")
                << int(TrashSelect)
                << QStringList{ "Restore",     "Delete",  "Empty trash", "Select all",
                                "Select none", "Details", "About",       "Quit" }
                << QStringList{};
        QTest::newRow("a folder in the trash")
                << int(TrashFolder) << QStringList{ "Details", "About", "Quit" } << QStringList{};
        QTest::newRow("search") << int(
                SearchView) << QStringList{ "Go to its folder", "Rename",  "Delete", "Copy", "Move",
                                            "Move to trash",    "Details", "About",  "Quit" }
                                << QStringList{};
        QTest::newRow("places") << int(PlacesView)
                                << QStringList{ "Eject", "Details", "About", "Quit" }
                                << QStringList{};
    }

    void menusPerMode()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, main);
        QFETCH(QStringList, manage);
        fileDialog &window = m_fixture.start({ m_root });
        window.showDir(m_root, mode);
        QCOMPARE(menuTexts(window.mainMenu()), main);
        QCOMPARE(menuTexts(window.manageSubmenu()), manage);
        QCOMPARE(window.getSoftKey()->optMenu(), window.mainMenu());
        const QAction *submenuEntry = window.mainMenu()->actions().value(main.indexOf("Manage"));
        if (!manage.isEmpty())
            QCOMPARE(submenuEntry->menu(), window.manageSubmenu());
    }

    // The trash view follows another program's trashing, enters a folder there to look into it,
    // and Back leads out the way in: the folder in the trash, the view, the folder shown before.
    void trashView()
    {
        fileDialog &window = m_fixture.start({ m_root });
        const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + "/Trash";
        QVERIFY(makeFile(trash + "/files/album/track.ogg"));
        window.goToTrash();
        QCOMPARE(rows(window), QStringList{ "album" });
        QVERIFY(makeFile(trash + "/info/note.trashinfo",
                         "[Trash Info]\nPath=" + QFile::encodeName(m_root) + "/note\n")
                && makeFile(trash + "/files/note"));
        QTRY_COMPARE(rows(window), QStringList({ "album", "note" }));
        window.obj_selected(0);
        QCOMPARE(window.browseMode(), int(TrashFolder));
        QCOMPARE(rows(window), QStringList({ "..", "track.ogg" }));
        for (const int mode : { int(TrashView), int(Browse) }) {
            window.back();
            QCOMPARE(window.browseMode(), mode);
        }
        QCOMPARE(window.currentDirectory(), m_root);
    }

    // Places lists a stick mounted under /mnt between Home and "/" as soon as it is mounted;
    // pulled from under the folder shown, the window goes back to Places and says so.
    void placesFollowMounts()
    {
        const QString stick = QStringLiteral("/mnt/fm-stick-%1").arg(::getpid());
        QVERIFY(QDir().mkpath(stick + "/inner"));
        const auto gone = qScopeGuard([&] { QDir().rmdir(stick + "/inner"), QDir().rmdir(stick); });
        fileDialog &window = m_fixture.start({ m_root });
        window.goToPlaces();
        QCOMPARE(rows(window).constFirst(), QStringLiteral("Home"));
        QCOMPARE(rows(window).constLast(), QStringLiteral("/"));
        QVERIFY(!rows(window).contains(stick.mid(5)));
        const Tmpfs mounted(stick);
        if (!mounted.mounted())
            QSKIP(noMount);
        QTRY_VERIFY(rows(window).contains(stick.mid(5)));
        window.obj_selected(rowOf(window, stick.mid(5)));
        QCOMPARE(window.currentDirectory(), stick);
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        QCOMPARE(runProgram("umount", { "-l", stick }), 0);
        QTRY_COMPARE(window.browseMode(), int(PlacesView));
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Places"));
        window.back();
        QCOMPARE(window.currentDirectory(), QDir::homePath());
    }

    // Search below the folder shown: the results sorted by their paths, each described by its
    // folder; "Go to its folder" highlights the entry there; Back returns to the start.
    void searchBelow()
    {
        for (int i = 0; i < 300; ++i)
            QVERIFY(makeFile(m_root
                             + QStringLiteral("/a/inner/many/%1.txt").arg(i % 7 * 1000 + i)));
        const auto clean = qScopeGuard([&] { QDir(m_root + "/a/inner/many").removeRecursively(); });
        fileDialog &window = m_fixture.start({ m_root });
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes, QStringLiteral("TXT"));
        window.goToSearch();
        QCOMPARE(window.browseMode(), int(SearchView));
        QTRY_COMPARE(rows(window).size(), 306);
        QStringList paths;
        for (int row = 0; row < 306; ++row)
            paths << window.entryList()->description(row);
        QCOMPARE(rows(window).mid(0, 2), QStringList({ "10.txt", "A.TXT" }));
        QVERIFY2(paths[2].endsWith(", in a/inner/many"), qPrintable(paths[2]));
        QStringList names = rows(window).mid(2, 300);
        QStringList sorted = names;
        sorted.sort();
        QCOMPARE(names, sorted);
        window.entryList()->setCurrentItem(2);
        answerer.answer(DialogAnswerer::Yes);
        window.details();
        QVERIFY(answerer.seen.constLast().text.endsWith("\nin a/inner/many"));
        const int row = rowOf(window, "b.txt");
        window.entryList()->setCurrentItem(row);
        window.goToFolder();
        QCOMPARE(window.browseMode(), int(Browse));
        QCOMPARE(window.currentDirectory(), m_root);
        QCOMPARE(window.currentItemName(), QStringLiteral("b.txt"));

        answerer.answer(DialogAnswerer::Yes, QStringLiteral("9"));
        window.goToSearch();
        window.back();
        QCOMPARE(window.browseMode(), int(Browse));
        QCOMPARE(window.currentDirectory(), m_root);
    }

    void sameModeKeepsTheMenu()
    {
        fileDialog &window = m_fixture.start({ m_root });
        const QList<QAction *> before = window.mainMenu()->actions();
        window.showDir(m_root + "/a", Browse);
        QCOMPARE(window.mainMenu()->actions(), before);
        window.showDir(m_root, MultiSelect);
        QVERIFY(window.mainMenu()->actions() != before);
    }

    void menuEntryInvokesItsSlot()
    {
        fileDialog &window = m_fixture.start({ m_root });
        QAction *multi = window.mainMenu()->actions().at(2);
        QCOMPARE(multi->text(), QStringLiteral("Select several"));
        multi->trigger();
        // Queued, so that the menu has closed before the slot rebuilds it.
        QTRY_COMPARE(window.browseMode(), int(MultiSelect));
        QCOMPARE(window.entryList()->itemType(), QStringLiteral("%C%I%M"));
    }

    void cleansThePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("root above root") << "/.."
                                         << "/";
        QTest::newRow("double slash above root") << "//.."
                                                 << "/";
        QTest::newRow("far above root") << "/../../tmp/.."
                                        << "/";
        QTest::newRow("trailing slash") << "%1/a/"
                                        << "%1/a";
        QTest::newRow("dot dot") << "%1/a/inner/.."
                                 << "%1/a";
        QTest::newRow("doubled slashes and dots") << "%1//a/./inner"
                                                  << "%1/a/inner";
        QTest::newRow("symbolic link kept") << "%1/linkdir"
                                            << "%1/linkdir";
    }

    void cleansThePath()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        fileDialog &window = m_fixture.start({ m_root });
        window.showDir(QString(path).replace("%1", m_root), Browse);
        expected.replace("%1", m_root);
        QCOMPARE(window.currentDirectory(), expected);
        QCOMPARE(window.instructText(), expected);
    }

    void relativeStartFolder()
    {
        const QString saved = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        fileDialog &window = m_fixture.start({ QStringLiteral("tree/a/../B/") });
        QDir::setCurrent(saved);
        QCOMPARE(window.currentDirectory(), m_root + "/B");
        QCOMPARE(window.instructText(), m_root + "/B");
    }

    void startFolderThatCannotBeListed()
    {
        fileDialog &window = m_fixture.start({ m_root + "/missing", "*.x" });
        QCOMPARE(rows(window), QStringList{ ".." });
        QCOMPARE(window.currentDirectory(), m_root + "/missing");
        QVERIFY(window.instructText().isEmpty());
        QCOMPARE(window.filter(), QStringLiteral("*.x"));
        QCOMPARE(window.browseMode(), int(Browse));
        QCOMPARE(menuTexts(window.mainMenu()).size(), 6);
    }

    void fileIsNoFolder()
    {
        fileDialog &window = m_fixture.start({ m_root });
        window.showDir(m_root + "/b.txt", Browse);
        QCOMPARE(rows(window), QStringList{ ".." });
        QCOMPARE(window.currentDirectory(), m_root);
    }

    // Root reads every folder, so the folder is listed by an unprivileged user.
    void unreadableFolder_data()
    {
        QTest::addColumn<int>("permissions");
        QTest::newRow("no read permission") << 0311;
        QTest::newRow("no search permission") << 0644;
        QTest::newRow("no permission at all") << 0;
    }

    void unreadableFolder()
    {
        QFETCH(int, permissions);
        if (!canBecomeNobody())
            QSKIP("needs root, to list as the unprivileged user nobody");
        const QString closed = m_dir.path() + "/closed";
        QVERIFY(QDir().mkpath(closed + "/inside"));
        QVERIFY(makeFile(closed + "/file"));
        QCOMPARE(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
        QCOMPARE(::chmod(QFile::encodeName(closed).constData(), mode_t(permissions)), 0);

        fileDialog &window = m_fixture.start({ m_root });
        QVERIFY(asNobody([&] { window.showDir(closed, MultiSelect); }));
        ::chmod(QFile::encodeName(closed).constData(), 0755);

        QCOMPARE(rows(window), QStringList{ ".." });
        QCOMPARE(window.currentDirectory(), m_root);
        QCOMPARE(window.instructText(), m_root);
        QCOMPARE(window.browseMode(), int(MultiSelect));
        QCOMPARE(menuTexts(window.mainMenu()).first(), QStringLiteral("Manage"));
    }

    // The listing against a plain reference made with QDir, on a folder of every kind of entry and
    // of names whose order by UTF-16 code units differs from byte or code point order.
    void sameAsAReferenceListing_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("filter");
        // Also a thousand names that share a long prefix: of any letters, or of ASCII alone (whose
        // bytes sort as the listing does).
        QTest::addColumn<QString>("many");
        for (const int mode : { int(Browse), int(PickCopyTarget), int(MultiSelect) }) {
            for (const char *filter : { "", "*.txt", "*.TXT;a*", "[a-c]* ?", "*\xc3\xa9*" })
                QTest::addRow("mode %d, filter '%s'", mode, filter)
                        << mode << QString::fromUtf8(filter) << QString();
        }
        QTest::newRow("many names")
                << int(Browse) << QString() << QString::fromUtf8("aA\u00e9\u00c9\uFF71");
        QTest::newRow("many ASCII names") << int(Browse) << QString() << QStringLiteral("aA_~ 0");
    }

    void sameAsAReferenceListing()
    {
        QFETCH(int, mode);
        QFETCH(QString, filter);
        QFETCH(QString, many);
        TestFolder folder;
        const QStringList names = { "B",
                                    "a",
                                    "A.txt",
                                    "b.txt",
                                    "10",
                                    "9.txt",
                                    ".hidden",
                                    ".hidden.txt",
                                    "caf\u00e9.txt",
                                    "\u00c4rger",
                                    "\u65e5\u672c",
                                    "\U0001F600.txt",
                                    "\uFF71.txt",
                                    "\uFB01le",
                                    "z z",
                                    "-dash" };
        const bool ascii = many.startsWith(u'a') && !many.contains(QChar(0xe9));
        for (const QString &name : names) {
            if (ascii && name.toUtf8().size() != name.size())
                continue;
            QVERIFY(QDir().mkpath(folder / ("dir " + name)));
            QVERIFY(makeFile(folder / name));
        }
        QRandomGenerator random(5);
        for (int i = 0; i < (many.isEmpty() ? 0 : 1000); ++i) {
            const QString name = QStringLiteral("IMG_%1%2")
                                         .arg(random.bounded(100000))
                                         .arg(many[random.bounded(int(many.size()))]);
            QVERIFY(makeFile(folder / name) || QFile::exists(folder / name));
            if (ascii && i % 3 == 0)
                QVERIFY(QDir().mkpath(folder / ("dir " + name)));
        }
        QVERIFY(QFile::link(folder / "dir B", folder / "link to dir"));
        QVERIFY(QFile::link(folder / "b.txt", folder / "link to b.txt"));
        QVERIFY(QFile::link(folder / "nowhere", folder / "dangling.txt"));
        QVERIFY(QFile::link(folder / "nowhere", folder / ".dangling dir"));
        QCOMPARE(::mkfifo(QFile::encodeName(folder / "pipe.txt").constData(), 0644), 0);

        QStringList expected{ ".." };
        QDir dir(folder.path());
        QStringList folders = dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
        folders.sort(Qt::CaseSensitive);
        expected += folders;
        if (mode != PickCopyTarget) {
            if (!filter.isEmpty())
                dir.setNameFilters(QDir::nameFiltersFromString(filter));
            QStringList files = dir.entryList(QDir::Files | QDir::Hidden | QDir::CaseSensitive);
            files.sort(Qt::CaseSensitive);
            expected += files;
        }
        fileDialog &window
                = m_fixture.start(filter.isEmpty() ? QStringList{ folder.path() }
                                                   : QStringList{ folder.path(), filter });
        window.showDir(folder.path(), mode);
        QCOMPARE(rows(window), expected);
    }

    void hundredThousandRows()
    {
        ZListBox list;
        for (int i = 0; i < 100000; ++i) {
            auto *item = new ZListBoxItem(&list);
            item->appendSubItem(1, QString::number(i));
            list.insertItem(item);
        }
        QCOMPARE(list.count(), 100000);
        QCOMPARE(list.currentItem(), 0);
        QCOMPARE(list.model()->rowCount(), 100000);
        QCOMPARE(list.item(99999)->getSubItemText(1), QStringLiteral("99999"));
    }

    void aboutBox()
    {
        fileDialog &window = m_fixture.start({ m_root });
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        window.about();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].kind, QStringLiteral("notice"));
        QCOMPARE(answerer.seen[0].title, QStringLiteral("About"));
        QVERIFY(answerer.seen[0].text.startsWith(QStringLiteral("File Manager ")));
    }
};

FM_TEST_MAIN(tst_Listing)
#include "tst_listing.moc"
