// SPDX-License-Identifier: GPL-3.0-or-later
// What a search takes for a match, and what its walk enters: once each folder, no link, other
// file systems too, and what it cannot read counted.
#include "core/folder/search.h"
#include "support/testfiles.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The paths found below start, in order, once the walk has ended.
QStringList searched(const QString &start, const QString &text, int *unreadable = nullptr)
{
    Search search(QFile::encodeName(start), text);
    QSignalSpy finished(&search, &Search::finished);
    if (!finished.wait(10000))
        return { "<no end>" };
    SearchResults results;
    results.merge(search.take());
    QStringList paths;
    for (int row = 0; row < results.count(); ++row)
        paths << QString::fromUtf8(results.at(row).path) + (results.at(row).folder ? "/" : "");
    if (unreadable)
        *unreadable = search.unreadable();
    return paths;
}

} // namespace

class tst_Search : public QObject
{
    Q_OBJECT

private slots:
    void matches_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("match");
        QTest::newRow("anywhere, any case") << "PHOTO" << QByteArray("my photo 1.jpg") << true;
        QTest::newRow("not there") << "photos" << QByteArray("my photo 1.jpg") << false;
        QTest::newRow("Unicode folding") << "ärger" << QByteArray("ÄRGER.txt") << true;
        QTest::newRow("Kelvin sign folds to k") << "k" << QByteArray("\xe2\x84\xaa.txt") << true;
        QTest::newRow("not UTF-8, by its bytes") << "CAF" << QByteArray("caf\xe9.txt") << true;
        QTest::newRow("not UTF-8, the byte itself") << "é" << QByteArray("caf\xe9.txt") << false;
        QTest::newRow("a blank") << "a b" << QByteArray("x a b y") << true;
        QTest::newRow("a leading dash") << "-rf" << QByteArray("-rf file") << true;
        QTest::newRow("a line break in the name") << "break" << QByteArray("line\nbreak") << true;
        QTest::newRow("wildcard over the whole name") << "*.JPG" << QByteArray("a.jpg") << true;
        QTest::newRow("wildcard, not a part") << "*.jpg" << QByteArray("a.jpg.txt") << false;
        QTest::newRow("one character") << "?b" << QByteArray("ab") << true;
        QTest::newRow("one character, not two") << "?b" << QByteArray("aab") << false;
        QTest::newRow("wildcard, not UTF-8") << "caf*" << QByteArray("caf\xe9") << true;
    }

    void matches()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, name);
        QFETCH(bool, match);
        QCOMPARE(NameMatch(text).matches(name), match);
    }

    void walk()
    {
        TestFolder folder;
        QVERIFY(folder.makeFiles({ { "start/a/hit.txt", "" },
                                   { "start/b/c/HIT", "" },
                                   { "start/miss", "" },
                                   { "outside/hit-outside", "" } }));
        // A loop, and a way out: links are found by their names, never entered.
        QVERIFY(QFile::link("..", folder / "start/a/hitloop"));
        QVERIFY(QFile::link(folder / "outside", folder / "start/b/out"));
        const QStringList found = { "a/hit.txt", "a/hitloop", "b/c/HIT" };
        QCOMPARE(searched(folder / "start", "hit"), found);

        // An ancestor bound below itself is walked once; another file system is entered.
        QVERIFY(folder.makeDirs({ "start/bound", "start/tmp" }));
        const Tmpfs other(folder / "start/tmp");
        if (!other.mounted()
            || runProgram("mount", { "--bind", folder / "start", folder / "start/bound" }) != 0)
            QSKIP(noMount);
        QVERIFY(makeFile(folder / "start/tmp/hit-there"));
        QCOMPARE(searched(folder / "start", "hit"), found + QStringList{ "tmp/hit-there" });
        QCOMPARE(runProgram("umount", { folder / "start/bound" }), 0);
    }

    // Walked as an unprivileged user (root reads every folder): in a child that drops to nobody,
    // polling the walk, which needs no event loop for that.
    void unreadableFolder()
    {
        TestFolder folder;
        QVERIFY(folder.makeFiles({ { "start/closed/hit", "" }, { "start/open/hit", "" } }));
        QVERIFY(QFile::setPermissions(folder / "start/closed", QFile::WriteOwner));
        QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner
                                                             | QFile::ExeOther | QFile::ReadOther));
        const QByteArray start = QFile::encodeName(folder / "start");
        const pid_t child = ::fork();
        if (child == 0) {
            const gid_t group = 65534;
            if (::getuid() == 0
                && (::setgroups(1, &group) != 0 || ::setresgid(group, group, group) != 0
                    || ::setresuid(65534, 65534, 65534) != 0))
                ::_exit(2);
            Search search(start, QStringLiteral("hit"));
            while (search.running())
                ::usleep(1000);
            const std::vector<SearchHit> hits = search.take();
            ::_exit(hits.size() == 1 && hits[0].path == "open/hit" && search.unreadable() == 1 ? 0
                                                                                               : 1);
        }
        int status = -1;
        QCOMPARE(::waitpid(child, &status, 0), child);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 2)
            QSKIP("no unprivileged user can be had here");
        QCOMPARE(status, 0);
    }
};

QTEST_GUILESS_MAIN(tst_Search)
#include "tst_search.moc"
