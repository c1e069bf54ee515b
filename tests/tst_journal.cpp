// SPDX-License-Identifier: GPL-3.0-or-later
// The history of the last operations and the rules that take each back, without a window.
#include "core/names/filename.h"
#include "core/operation/journalrecord.h"
#include "core/operation/journalrecovery.h"
#include "core/operation/marks.h"
#include "core/operation/undo.h"
#include "support/testfiles.h"

#include <QtTest>

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

class tst_Journal : public QObject
{
    Q_OBJECT
public:
    // What happens to the operation's work before the undo.
    enum Change {
        Nothing,
        Edited,
        Touched,
        Added,
        Removed,
        Remade,
        Reborn,
        OldNameTaken,
        Crossed,
        SourceRemoved,
        SourceEmptied
    };
    Q_ENUM(Change)

private slots:
    void undoRules_data();
    void undoRules();
    void tornJournal();
    void killedAfterAnIntent();
    void journalThatIsNoFile_data();
    void journalThatIsNoFile();
    void historyKeepsTheLastTen();
    void trashedEntryBackOnlyToAFreePlace();
};

void tst_Journal::undoRules_data()
{
    QTest::addColumn<Journal::Kind>("kind");
    QTest::addColumn<bool>("folder");
    QTest::addColumn<Change>("change");
    QTest::addColumn<Undo::Verdict>("verdict");

    QTest::newRow("move") << Journal::Move << false << Nothing << Undo::Possible;
    // The moved entry is still the user's own, edited or not.
    QTest::newRow("move, edited since") << Journal::Move << false << Edited << Undo::Possible;
    QTest::newRow("move, gone") << Journal::Move << false << Removed << Undo::Gone;
    QTest::newRow("move, another there") << Journal::Move << false << Remade << Undo::Gone;
    QTest::newRow("move, old name taken")
            << Journal::Move << false << OldNameTaken << Undo::NameTaken;
    QTest::newRow("move to another file system")
            << Journal::Move << true << Crossed << Undo::Possible;
    QTest::newRow("rename") << Journal::Rename << true << Nothing << Undo::Possible;
    QTest::newRow("copy") << Journal::Copy << true << Nothing << Undo::Possible;
    QTest::newRow("copy, a file edited") << Journal::Copy << false << Edited << Undo::Changed;
    // Same size, another time: only the time tells.
    QTest::newRow("copy, touched inside") << Journal::Copy << true << Touched << Undo::Changed;
    QTest::newRow("copy, added inside") << Journal::Copy << true << Added << Undo::Changed;
    QTest::newRow("copy, gone") << Journal::Copy << true << Removed << Undo::Gone;
    // Copied, then the original deleted: the copy is all there is, and stays.
    QTest::newRow("copy, its source deleted since")
            << Journal::Copy << true << SourceRemoved << Undo::OnlyCopy;
    QTest::newRow("copy, a file in its source deleted since")
            << Journal::Copy << true << SourceEmptied << Undo::OnlyCopy;
    QTest::newRow("new folder") << Journal::NewFolder << true << Nothing << Undo::Possible;
    QTest::newRow("new folder, not empty") << Journal::NewFolder << true << Added << Undo::NotEmpty;
    QTest::newRow("new folder, made again") << Journal::NewFolder << true << Remade << Undo::Gone;
    // Made again under the inode number the file system gave back: only the birth time tells.
    QTest::newRow("move, its inode reused") << Journal::Move << false << Reborn << Undo::Gone;
    QTest::newRow("copy, its inode reused") << Journal::Copy << true << Reborn << Undo::Gone;
}

void tst_Journal::undoRules()
{
    QFETCH(Journal::Kind, kind);
    QFETCH(bool, folder);
    QFETCH(Change, change);
    QFETCH(Undo::Verdict, verdict);

    TestFolder root;
    QVERIFY(root.makeDirs({ "from", "to" }));
    // An awkward name: the command must keep it one word.
    const QString name = folder ? QStringLiteral("a \"$b\" `c`") : QStringLiteral("a $b.txt");
    const QString made = root / "to/" + name;
    Journal::Entry entry;
    entry.source = kind == Journal::NewFolder ? QString() : root / "from/" + name;
    entry.destination = made;
    entry.state = Journal::Done;
    // What the operation left: the entry at its destination, and for a copy still its source.
    const auto make = [&](const QString &path) {
        return folder ? root.makeDirs({ path, path + "/inside" })
                                && makeFile(path + "/inside/f", "12345")
                      : makeFile(path, "12345");
    };
    QVERIFY(kind == Journal::NewFolder ? QDir().mkdir(made) : make(made));
    if (kind == Journal::Copy) // the source as cp -a leaves both, times too
        QCOMPARE(runProgram("cp", { "-a", made, entry.source }), 0);
    entry.marks = Marks::of(made, kind == Journal::Copy);
    QVERIFY(!entry.marks.isEmpty());

    const QString inside = folder ? made + "/inside/f" : made;
    switch (change) {
    case Nothing:
        break;
    case Edited:
        QVERIFY(makeFile(inside, "123456"));
        break;
    case Touched: {
        const utimbuf past{ 1000000000, 1000000000 };
        QCOMPARE(::utime(FileName::toBytes(inside).constData(), &past), 0);
        break;
    }
    case Added:
        QVERIFY(makeFile(made + "/new", "x"));
        break;
    case Remade: // as an editor saves: another entry put in its place
        QVERIFY(kind == Journal::NewFolder ? QDir().mkdir(made + "~") : make(made + "~"));
        Q_FALLTHROUGH();
    case Removed:
        QVERIFY(folder ? QDir(made).removeRecursively() : QFile::remove(made));
        if (change == Remade)
            QVERIFY(QFile::rename(made + "~", made));
        break;
    case Reborn: // as if it were made again: its record is of an entry born at another time
        ++entry.marks.first().born;
        break;
    case OldNameTaken:
        QVERIFY(makeFile(entry.source, "someone else's"));
        break;
    case SourceRemoved:
        QVERIFY(QDir(entry.source).removeRecursively());
        break;
    case SourceEmptied:
        QVERIFY(QFile::remove(entry.source + "/inside/f"));
        break;
    case Crossed: // copied, flushed, then its source removed: it goes back the same way
        entry.copied = true;
        break;
    }

    const Undo::Step step = Undo::check(kind, entry);
    QCOMPARE(step.verdict, verdict);
    if (verdict != Undo::Possible) {
        QVERIFY(step.command.isEmpty());
        return;
    }
    QCOMPARE(std::system(step.command.constData()), 0);
    QVERIFY(Undo::tookBack(kind, entry));
    QVERIFY(!QFileInfo::exists(made));
    // A move or rename is back, whole; a copy's source was never touched.
    if (kind != Journal::NewFolder)
        QCOMPARE(readFile(folder ? entry.source + "/inside/f" : entry.source),
                 QByteArray(change == Edited ? "123456" : "12345"));
}

// A journal cut short at every byte, as a kill or a dying battery leaves it: the whole records
// are read, the torn one is not, and nothing is read as what it was not.
void tst_Journal::tornJournal()
{
    TestFolder root;
    // Blanks, a line break, "%", "-" and a byte that is not UTF-8: all kept, none a separator.
    const QString odd = root / FileName::fromBytes("a b\n%-\xff");
    QVERIFY(makeFileBytes(FileName::toBytes(odd), "x"));
    const QString history = root / "state/filemanager/history";
    Journal journal(history);
    journal.begin(Journal::Move, root.path(), 4);
    journal.finish(journal.intend(root / "old", odd), true);
    journal.replacedForGood();
    journal.trashed(journal.trash(root / "place", odd, root / "info"));
    journal.finish(journal.intend(odd, root / "missing"), true); // nothing there: not done
    journal.intend(root / "cut", root / "short");
    // Not cut short while its program lives: another copy finds nothing to report.
    QVERIFY(!Journal(history).last());
    journal.end();
    QVERIFY(Journal(history).last());
    struct stat home;
    QCOMPARE(::stat(FileName::toBytes(root / "state/filemanager").constData(), &home), 0);
    QCOMPARE(home.st_mode & 0777, 0700u);

    const QByteArray whole = readFile(history + "/1");
    const std::optional<Journal::Operation> full = JournalRecord::read(whole);
    QVERIFY(full && full->finished && full->records == 10 && full->replaced == 1);
    QCOMPARE(full->trashed.size(), 1);
    QCOMPARE(full->trashed[0].marks, Marks::of(odd, false));
    QCOMPARE(full->planned, 4);
    QCOMPARE(full->entries.size(), 3);
    QCOMPARE(full->entries[0].destination, odd);
    QCOMPARE(full->entries[0].marks, Marks::of(odd, false));
    QCOMPARE(QList({ full->entries[1].state, full->entries[2].state }),
             QList({ Journal::NotDone, Journal::Intended }));

    for (qsizetype cut = 0; cut <= whole.size(); ++cut) {
        const QByteArray kept = whole.left(cut);
        const std::optional<Journal::Operation> read = JournalRecord::read(kept);
        QCOMPARE(read ? read->records : 0, int(kept.count('\n')));
        if (!read)
            continue;
        QCOMPARE(read->finished, cut == whole.size());
        QVERIFY(read->entries.size() <= full->entries.size());
        for (qsizetype i = 0; i < read->entries.size(); ++i) {
            const Journal::Entry &got = read->entries[i], &was = full->entries[i];
            QCOMPARE(got.source, was.source);
            QCOMPARE(got.destination, was.destination);
            QVERIFY(got.state == was.state || got.state == Journal::Intended);
            QVERIFY(got.state != Journal::Done || got.marks == was.marks);
        }
    }
    // A whole line that is not what was written (a block of zeros after a crash, one changed
    // byte) ends the reading there.
    for (const qsizetype at : { whole.size() - 3, whole.indexOf("done") + 1 }) {
        QByteArray damaged = whole;
        damaged[at] = damaged[at] == '0' ? '1' : '0';
        const std::optional<Journal::Operation> read = JournalRecord::read(damaged);
        QVERIFY(read);
        QCOMPARE(read->records, int(damaged.left(at).count('\n')));
    }
}

// A kill right after an intent, before its command or after it: the intent is on record at
// once (never held back for a later flush), and the next start settles the entry by what it
// finds.
void tst_Journal::killedAfterAnIntent()
{
    for (const bool commandRan : { false, true }) {
        TestFolder root;
        QVERIFY(root.makeFiles({ { "from/a", "a" } }) && root.makeDirs({ "to" }));
        const QString history = root / "state/filemanager/history";
        const pid_t child = ::fork();
        if (child == 0) {
            Journal journal(history);
            journal.begin(Journal::Move, root / "to");
            journal.intend(root / "from/a", root / "to/a");
            if (commandRan)
                QFile::rename(root / "from/a", root / "to/a");
            ::kill(::getpid(), SIGKILL);
        }
        int status = 0;
        QVERIFY(child > 0 && ::waitpid(child, &status, 0) == child && WIFSIGNALED(status));
        std::optional<Journal::Operation> last = Journal(history).last();
        QVERIFY(last && !last->finished && last->entries.size() == 1);
        QCOMPARE(last->entries[0].state, Journal::Intended);
        JournalRecovery::settle(&*last);
        QCOMPARE(last->entries[0].state, commandRan ? Journal::Done : Journal::NotDone);
    }
}

// What stands at the journal's place is read only when it is a regular file of the user's: a
// pipe would hang the start, /dev/zero fill the memory. It is set aside, and the next operation
// writes a journal of its own.
void tst_Journal::journalThatIsNoFile_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("a pipe") << "pipe";
    QTest::newRow("a link to a pipe") << "link to a pipe";
    QTest::newRow("a link to /dev/zero") << "/dev/zero";
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a link to a file") << "link to a file";
}

void tst_Journal::journalThatIsNoFile()
{
    QFETCH(QString, what);
    TestFolder root;
    QVERIFY(root.makeDirs({ "state/filemanager/history" }));
    const QString history = root / "state/filemanager/history", path = history + "/1";
    const QByteArray bytes = FileName::toBytes(path), pipe = FileName::toBytes(root / "pipe");
    if (what == "pipe")
        QCOMPARE(::mkfifo(bytes.constData(), 0600), 0);
    else if (what == "folder")
        QVERIFY(QDir().mkdir(path));
    else if (what == "link to a pipe")
        QVERIFY(::mkfifo(pipe.constData(), 0600) == 0 && QFile::link(root / "pipe", path));
    else if (what == "link to a file")
        QVERIFY(makeFile(root / "file") && QFile::link(root / "file", path));
    else
        QVERIFY(QFile::link(what, path));

    OutputCapture errors(2);
    QVERIFY(!Journal(history).last());
    const QByteArray said = errors.finish();
    QVERIFY2(said.contains("is not a regular file of this user's: set aside"), said.constData());
    struct stat aside;
    QCOMPARE(::lstat((bytes + ".set-aside").constData(), &aside), 0);
    Journal journal(history);
    journal.begin(Journal::NewFolder, root.path());
    journal.finish(journal.intend(QString(), root / "made"), QDir().mkdir(root / "made"));
    journal.end();
    QVERIFY(Journal(history).last());
}

// Eleven operations: the ten newest are on record.
void tst_Journal::historyKeepsTheLastTen()
{
    TestFolder root;
    const QString history = root / "state/history";
    Journal journal(history);
    for (int i = 0; i < 11; ++i) {
        const QString made = root / QString::number(i);
        journal.begin(Journal::NewFolder, root.path());
        journal.finish(journal.intend(QString(), made), QDir().mkdir(made));
        journal.end();
    }
    QCOMPARE(entriesOf(FileName::toBytes(history)).size(), 10);
    QCOMPARE(JournalRecord::read(readFile(history + "/11"))->entries.value(0).destination,
             root / "10");
}

// A replaced entry goes back from the trash only to a free place: never over what stands there.
void tst_Journal::trashedEntryBackOnlyToAFreePlace()
{
    TestFolder root;
    QVERIFY(makeFile(root / "Trash/files/a", "old") && makeFile(root / "place/a", "new"));
    const Journal::Trashed item{ root / "place/a", root / "Trash/files/a", root / "Trash/info/a",
                                 Marks::of(root / "Trash/files/a", false) };
    const Undo::Step taken = Undo::check(item);
    QCOMPARE(taken.verdict, Undo::NameTaken);
    QVERIFY(taken.command.isEmpty());
    QVERIFY(QFile::remove(root / "place/a"));
    QCOMPARE(Undo::check(item).verdict, Undo::Possible);
}

QTEST_GUILESS_MAIN(tst_Journal)
#include "tst_journal.moc"
