// SPDX-License-Identifier: GPL-3.0-or-later
// Creating folders, renaming and deleting the highlighted entry: the dialogs and their texts, the
// commands, what is listed afterwards, and the refusals.
#include "browser/filedialog.h"
#include "core/operation/journal.h"
#include "platform/zlistbox.h"
#include "support/testmain.h"

#include <QDir>
#include <QFile>

#include <memory>
#include <unistd.h>

class tst_FileOps : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestFolder> m_dir;
    QString m_root;
    WindowFixture m_fixture;
    RecordingOpener m_opener;

    // Highlights a row that is not the first, so that a new listing shows (it makes row 0 current).
    void highlight(fileDialog &window, const QString &name)
    {
        const int row = rowOf(window, name);
        QVERIFY2(row > 0, qPrintable(name));
        window.entryList()->setCurrentItem(row);
    }

    bool listedAgain(const fileDialog &window) { return window.entryList()->currentItem() == 0; }

private slots:
    void init()
    {
        m_opener.clear();
        m_dir.reset(new TestFolder);
        m_root = m_dir->path();
        QVERIFY(QDir().mkpath(m_root + "/data/sub/deeper"));
        QVERIFY(makeFile(m_root + "/data/a", "content of a"));
        QVERIFY(makeFile(m_root + "/data/b", "content of b"));
        QVERIFY(makeFile(m_root + "/data/sub/deeper/f", "f"));
    }

    void cleanup()
    {
        m_dir.reset();
        QVERIFY(m_fixture.finish());
    }

    // An operation cut short before anything of it was done: reported in a notice, with nothing
    // to take back, and settled.
    void interruptedWithNothingDone()
    {
        const QString data = m_root + "/data";
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        m_fixture.start({ data }, [&] {
            Journal cutShort;
            cutShort.begin(Journal::Move, data + "/sub", 2);
            cutShort.intend(data + "/a", data + "/sub/a");
        });
        QTRY_COMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].kind, QStringLiteral("notice"));
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Interrupted"));
        QVERIFY(answerer.seen[0].text.endsWith("Done: 0\nNot done: 2"));
        QVERIFY(!Journal().last());
    }

    void isValidName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        for (const char *forbidden : { "\"", "*", "/", ":", "<", ">", "?", "\\", "|" }) {
            QTest::addRow("%s alone", forbidden) << QString::fromLatin1(forbidden) << false;
            QTest::addRow("%s inside", forbidden)
                    << "a" + QString::fromLatin1(forbidden) + "b" << false;
        }
        QTest::newRow("empty") << "" << false;
        QTest::newRow("ends in a bar") << "name|" << false;
        QTest::newRow("space inside") << "a b" << true;
        QTest::newRow("dot") << "." << true;
        QTest::newRow("dot dot") << ".." << true;
        QTest::newRow("hidden") << ".config" << true;
        QTest::newRow("non-ASCII") << QString::fromUtf8("M\xc3\xbc"
                                                        "nchen \xe6\x97\xa5\xe6\x9c\xac")
                                   << true;
        QTest::newRow("control characters") << QString::fromLatin1("a\tb\x01") << true;
        QTest::newRow("shell characters") << "$(touch pwned) `id` 'x' ;&" << true;
        QTest::newRow("long, valid") << QString(300, u'n') << true;
        // Tested whole: a forbidden character far past the platform's 127 bytes still counts.
        QTest::newRow("long, forbidden at the end") << QString(200, u'n') + "?" << false;
    }

    void isValidName()
    {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        fileDialog &window = m_fixture.start(m_root);
        QCOMPARE(window.isValidName(name), valid);
    }

    void createDir_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("created"); // empty: nothing new
        QTest::addColumn<QString>("notice"); // empty: none
        QTest::newRow("plain") << "new"
                               << "new"
                               << "";
        QTest::newRow("trimmed") << "  b2  "
                                 << "b2"
                                 << "";
        QTest::newRow("blank only") << "   "
                                    << ""
                                    << "The name is empty or holds one of \" * / : < > ? \\ |";
        QTest::newRow("forbidden") << "a:b"
                                   << ""
                                   << "The name is empty or holds one of \" * / : < > ? \\ |";
        QTest::newRow("existing folder") << "sub"
                                         << ""
                                         << "";
        QTest::newRow("dot") << "."
                             << ""
                             << "";
        QTest::newRow("dot dot") << ".."
                                 << ""
                                 << "";
        QTest::newRow("existing file") << "a"
                                       << ""
                                       << "The folder could not be created.";
        QTest::newRow("too long for the file system") << QString(300, u'n') << ""
                                                      << "The folder could not be created.";
        QTest::newRow("shell characters stay literal") << "$(touch pwned)"
                                                       << "$(touch pwned)"
                                                       << "";
    }

    void createDir()
    {
        QFETCH(QString, typed);
        QFETCH(QString, created);
        QFETCH(QString, notice);
        const QString folder = m_root + "/data";
        fileDialog &window = m_fixture.start(folder);
        highlight(window, "b");
        const QStringList before = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        // A refused name is offered again as typed: cancelled then.
        const bool refused = notice.startsWith("The name is empty");
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes, typed);
        if (!notice.isEmpty())
            answerer.answer(DialogAnswerer::Yes);
        if (refused)
            answerer.answer(DialogAnswerer::No);
        OutputCapture errors(2);
        window.createDir();
        // A folder that was not made is named on standard error, with the reason.
        const QByteArray said = errors.finish();
        if (notice == "The folder could not be created.")
            QVERIFY2(said.contains("filemanager: the folder " + folder.toUtf8())
                             && said.contains(" was not created: "),
                     said.constData());

        QCOMPARE(answerer.seen.size(), notice.isEmpty() ? 1 : refused ? 3 : 2);
        if (refused)
            QCOMPARE(answerer.seen[2].offered, typed);
        QCOMPARE(answerer.seen[0].kind, QStringLiteral("entry"));
        QCOMPARE(answerer.seen[0].title, QStringLiteral("New folder"));
        QCOMPARE(answerer.seen[0].text, "Folder: " + folder);
        if (!notice.isEmpty()) {
            QCOMPARE(answerer.seen[1].kind, QStringLiteral("notice"));
            QCOMPARE(answerer.seen[1].title, QStringLiteral("Error"));
            QCOMPARE(answerer.seen[1].text, notice);
        }
        QStringList after = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        if (!created.isEmpty()) {
            QVERIFY(QFileInfo(folder + u'/' + created).isDir());
            after.removeOne(created);
            QVERIFY(rowOf(window, created) > 0);
        }
        QCOMPARE(after, before);
        QVERIFY(!QFile::exists(m_root + "/data/pwned") && !QFile::exists("pwned"));
        QCOMPARE(listedAgain(window), notice.isEmpty());
    }

    void createDirCancelled()
    {
        fileDialog &window = m_fixture.start(m_root + "/data");
        highlight(window, "b");
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::No, QStringLiteral("never"));
        window.createDir();
        QCOMPARE(answerer.seen.size(), 1);
        QVERIFY(!QFile::exists(m_root + "/data/never"));
        QVERIFY(!listedAgain(window));
    }

    void createDirAtTheRoot()
    {
        const QString name = QStringLiteral("fm-fileops-test-%1").arg(::getpid());
        fileDialog &window = m_fixture.start("/");
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes, name);
        window.createDir();
        const bool made = QFileInfo("/" + name).isDir();
        QDir("/" + name).removeRecursively();
        QCOMPARE(answerer.seen.value(0).text, QStringLiteral("Folder: /"));
        QVERIFY(made);
    }

    void createDirKeepsAPendingMove()
    {
        fileDialog &window = m_fixture.start(m_root + "/data");
        highlight(window, "a");
        window.move();
        QCOMPARE(window.browseMode(), int(PickMoveTarget));
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes, QStringLiteral("target"));
        window.createDir();
        QVERIFY(QFileInfo(m_root + "/data/target").isDir());
        QCOMPARE(window.browseMode(), int(PickMoveTarget));
        QCOMPARE(window.pendingSource(), m_root + "/data/a");
        QVERIFY(rowOf(window, "target") > 0);
        QCOMPARE(rowOf(window, "a"), -1); // still folders only
    }

    void noRowNoDialog_data()
    {
        QTest::addColumn<bool>("parentRow");
        QTest::newRow("no current row") << false;
        QTest::newRow("parent row") << true;
    }

    void noRowNoDialog()
    {
        QFETCH(bool, parentRow);
        fileDialog &window = m_fixture.start(m_root + "/data");
        if (!parentRow)
            window.entryList()->clear();
        DialogAnswerer answerer;
        window.rename();
        window.del();
        QCOMPARE(answerer.seen.size(), 0);
        QVERIFY(window.pendingSource().isEmpty() && !window.pendingSource().isNull());
    }

    void renameRunsTheCommand()
    {
        const QString folder = m_root + "/data";
        fileDialog &window = m_fixture.start(folder);
        highlight(window, "a");
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes, QStringLiteral("  renamed  "));
        OutputCapture output(1);
        window.rename();
        QCOMPARE(output.finish(), "Debug: system(mv \"" + folder.toUtf8() + "/a\" \""
                                          + folder.toUtf8() + "/renamed\")\n");
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Rename"));
        QCOMPARE(answerer.seen[0].text, "Folder: " + folder + "\nName: a");
        QCOMPARE(answerer.seen[0].offered, QStringLiteral("a")); // selected: typing replaces it
        QCOMPARE(answerer.runners.size(), 1);
        QCOMPARE(answerer.runners[0].title, QString());
        QCOMPARE(answerer.runners[0].text, QStringLiteral("Please wait..."));
        QCOMPARE(readFile(folder + "/renamed"), QByteArray("content of a"));
        QVERIFY(!QFile::exists(folder + "/a"));
        QVERIFY(listedAgain(window));
        QVERIFY(rowOf(window, "renamed") > 0);
        QCOMPARE(window.browseMode(), int(Browse));
        QCOMPARE(window.pendingSource(), folder + "/a"); // left as it was
        QVERIFY(m_opener.launcherCalls().isEmpty());
    }

    void renameCancelledKeepsTheSource()
    {
        fileDialog &window = m_fixture.start(m_root + "/data");
        highlight(window, "a");
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::No, QStringLiteral("x"));
        OutputCapture output(1);
        window.rename();
        QCOMPARE(output.finish(), QByteArray());
        QCOMPARE(window.pendingSource(), m_root + "/data/a");
        QVERIFY(QFile::exists(m_root + "/data/a"));
        QVERIFY(!listedAgain(window));
    }

    void renameRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("notice");
        const QString invalid = "The name is empty or holds one of \" * / : < > ? \\ |";
        const QString exists = QStringLiteral("An entry of that name already exists.");
        QTest::newRow("forbidden character") << "x?y" << invalid;
        QTest::newRow("slash") << "sub/a" << invalid;
        QTest::newRow("empty") << "  " << invalid;
        QTest::newRow("onto a file") << "b" << exists;
        QTest::newRow("onto a folder") << "sub" << exists;
        QTest::newRow("onto a dangling link") << "dangling" << exists;
    }

    void renameRefused()
    {
        QFETCH(QString, typed);
        QFETCH(QString, notice);
        const QString folder = m_root + "/data";
        QVERIFY(QFile::link(folder + "/nowhere", folder + "/dangling"));
        fileDialog &window = m_fixture.start(folder);
        highlight(window, "a");
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes, typed)
                .answer(DialogAnswerer::Yes)
                .answer(DialogAnswerer::No);
        OutputCapture output(1);
        window.rename();
        QCOMPARE(output.finish(), QByteArray());
        QCOMPARE(answerer.seen.size(), 3);
        QCOMPARE(answerer.seen[1].title, QStringLiteral("Error"));
        QCOMPARE(answerer.seen[1].text, notice);
        // Offered again as typed, to be mended.
        QCOMPARE(answerer.seen[2].offered, typed);
        // Nothing lost, nothing moved.
        QCOMPARE(readFile(folder + "/a"), QByteArray("content of a"));
        QCOMPARE(readFile(folder + "/b"), QByteArray("content of b"));
        QVERIFY(QFile::exists(folder + "/sub/deeper/f"));
        QVERIFY(!QFile::exists(folder + "/sub/a"));
        QVERIFY(QFileInfo(folder + "/dangling").isSymLink());
        QVERIFY(!listedAgain(window));
    }

    // Its own name, as offered or after trimming: nothing to do, so nothing runs and no log can
    // show up; a name with blanks at its ends, accepted as offered, is neither trimmed nor refused.
    void renameToItsOwnName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("typed"); // null: accepted as offered
        QTest::newRow("typed with blanks around") << "a"
                                                  << "  a ";
        QTest::newRow("a leading blank, unedited") << " lead" << QString();
        QTest::newRow("a trailing blank, unedited") << "trail " << QString();
        QTest::newRow("blanks only, unedited") << "   " << QString();
    }

    void renameToItsOwnName()
    {
        QFETCH(QString, name);
        QFETCH(QString, typed);
        QVERIFY(makeFile(m_root + "/data/" + name, "content of a"));
        fileDialog &window = m_fixture.start(m_root + "/data");
        highlight(window, name);
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes, typed);
        OutputCapture output(1);
        window.rename();
        QCOMPARE(output.finish(), QByteArray());
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.runners.size(), 0);
        QVERIFY(!listedAgain(window));
        QCOMPARE(readFile(m_root + "/data/" + name), QByteArray("content of a"));
        QVERIFY(m_opener.launcherCalls().isEmpty());
    }

    void renameEntryWithShellCharacters()
    {
        const QString folder = m_root + "/data";
        const QString odd = QString::fromUtf8("q\"$(touch pwned)`touch pwned2`\\n\nline");
        QVERIFY(makeFile(folder + u'/' + odd, "odd"));
        fileDialog &window = m_fixture.start(folder);
        highlight(window, odd);
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes, QStringLiteral("$HOME `x` it's"));
        OutputCapture output(1);
        window.rename();
        output.finish();
        QCOMPARE(readFile(folder + "/$HOME `x` it's"), QByteArray("odd"));
        QVERIFY(!QFile::exists(folder + u'/' + odd));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({ "$HOME `x` it's", "a", "b", "sub" }));
        QVERIFY(!QFile::exists("pwned") && !QFile::exists("pwned2"));
    }

    void deleteAnswered_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("yes");
        QTest::newRow("file, yes") << "a" << true;
        QTest::newRow("folder tree, yes") << "sub" << true;
        QTest::newRow("file, no") << "a" << false;
        QTest::newRow("folder tree, no") << "sub" << false;
    }

    void deleteAnswered()
    {
        QFETCH(QString, name);
        QFETCH(bool, yes);
        const QString folder = m_root + "/data";
        const QString path = folder + u'/' + name;
        fileDialog &window = m_fixture.start(folder);
        window.showDir(folder, Browse);
        highlight(window, name);
        DialogAnswerer answerer;
        answerer.answer(yes ? DialogAnswerer::Yes : DialogAnswerer::No);
        OutputCapture output(1);
        window.del();
        QCOMPARE(output.finish(),
                 yes ? "Debug: system(rm -rf \"" + path.toUtf8() + "\")\n" : QByteArray());
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].kind, QStringLiteral("question"));
        QCOMPARE(answerer.seen[0].title, QStringLiteral("Delete"));
        QCOMPARE(answerer.seen[0].text, "Delete " + path + " ?");
        QCOMPARE(answerer.runners.size(), yes ? 1 : 0);
        QCOMPARE(QFile::exists(path), !yes);
        QCOMPARE(listedAgain(window), yes);
        QCOMPARE(rowOf(window, name) > 0, !yes);
        QVERIFY(window.pendingSource().isEmpty() && !window.pendingSource().isNull());
    }

    void deleteAtTheRoot()
    {
        const QString name = QStringLiteral("fm-delete-test-%1").arg(::getpid());
        QVERIFY(QDir("/").mkpath(name + "/inner"));
        fileDialog &window = m_fixture.start("/");
        highlight(window, name);
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        OutputCapture output(1);
        window.del();
        QCOMPARE(output.finish(), "Debug: system(rm -rf \"/" + name.toUtf8() + "\")\n");
        QCOMPARE(answerer.seen.value(0).text, "Delete /" + name + " ?");
        QVERIFY(!QFile::exists("/" + name));
    }

    // Paths whose command would not fit are refused whole: nothing runs, nothing is cut.
    void commandTooLong()
    {
        QString folder = m_root;
        for (int i = 0; i < 4; ++i)
            folder += u'/' + QString(200, QChar(u'a' + i));
        QVERIFY(QDir().mkpath(folder));
        const QString name = QString(150, u'f');
        QVERIFY(makeFile(folder + u'/' + name, "long"));
        fileDialog &window = m_fixture.start(folder);
        highlight(window, name);
        const QString tooLong = QStringLiteral("The path is too long for this operation.");

        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes, QString(150, u'g')).answer(DialogAnswerer::Yes);
        OutputCapture output(1);
        window.rename(); // two paths of about 960 bytes
        QCOMPARE(output.finish(), QByteArray());
        QCOMPARE(answerer.seen.value(1).text, tooLong);
        QCOMPARE(readFile(folder + u'/' + name), QByteArray("long"));

        // One path of 957 bytes fits the delete command.
        highlight(window, name);
        answerer.answer(DialogAnswerer::Yes);
        OutputCapture output2(1);
        window.del();
        QVERIFY(output2.finish().startsWith("Debug: system(rm -rf "));
        QVERIFY(!QFile::exists(folder + u'/' + name));
        QCOMPARE(answerer.unexpected, 0);
    }
};

FM_TEST_MAIN(tst_FileOps)
#include "tst_fileops.moc"
