// SPDX-License-Identifier: GPL-3.0-or-later
// The core without a window: forming shell commands (the exact text for ordinary paths, literal
// arguments whatever they hold, the length bound), the plan of an operation, where the commands'
// output goes, and how a folder's entries are read and ordered.
#include "core/folder/entrydetails.h"
#include "core/folder/folderentries.h"
#include "core/folder/folderwatch.h"
#include "core/folder/targetfilesystem.h"
#include "core/names/filename.h"
#include "core/names/namecheck.h"
#include "core/operation/filework.h"
#include "core/operation/operation.h"
#include "core/operation/operationplan.h"
#include "core/shell/commandlog.h"
#include "core/shell/shellcommand.h"
#include "support/operationscript.h"
#include "support/testfiles.h"

#include <QDir>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Runs a formed command with printf in place of the utility and returns the arguments it got.
QList<QByteArray> argumentsReaching(const QByteArray &command, const QByteArray &utility)
{
    QByteArray probe = command;
    probe.replace(0, utility.size(), "printf '%s\\0'");
    // From a file, byte for byte: an argument given as a QString would lose bytes that are not
    // UTF-8.
    QTemporaryFile script;
    script.open();
    script.write(probe);
    script.close();
    QByteArray output;
    runProgram(QStringLiteral("/bin/sh"), { script.fileName() }, &output);
    QList<QByteArray> arguments = output.split('\0');
    arguments.removeLast(); // after the last terminator
    return arguments;
}

QString units(std::initializer_list<QChar> characters)
{
    return QString(characters.begin(), qsizetype(characters.size()));
}

} // namespace

class tst_ShellCommand : public QObject
{
    Q_OBJECT

private slots:
    void exactText_data()
    {
        QTest::addColumn<QByteArray>("form");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("delete") << QByteArray("rm -rf \"%s\"") << QStringList{ "/x" }
                                << QByteArray("rm -rf \"/x\"");
        QTest::newRow("rename") << QByteArray("mv \"%s\" \"%s\"")
                                << QStringList{ "/data/a", "/data/b" }
                                << QByteArray("mv \"/data/a\" \"/data/b\"");
        QTest::newRow("copy") << QByteArray("cp -a \"%s\" \"%s/\"") << QStringList{ "/a/x", "/b" }
                              << QByteArray("cp -a \"/a/x\" \"/b/\"");
        QTest::newRow("copy into the root")
                << QByteArray("cp -a \"%s\" \"%s/\"") << QStringList{ "/a/x", "/" }
                << QByteArray("cp -a \"/a/x\" \"//\"");
        QTest::newRow("multiple move from the root")
                << QByteArray("mv \"%s/%s\" \"%s/\"") << QStringList{ "/", "p", "/b" }
                << QByteArray("mv \"//p\" \"/b/\"");
        QTest::newRow("multiple delete")
                << QByteArray("rm -rf \"%s/%s\"") << QStringList{ "/a", "q" }
                << QByteArray("rm -rf \"/a/q\"");
        QTest::newRow("blanks") << QByteArray("rm -rf \"%s\"") << QStringList{ "/my files/a b" }
                                << QByteArray("rm -rf \"/my files/a b\"");
        QTest::newRow("double quote") << QByteArray("rm -rf \"%s\"") << QStringList{ "/a\"b" }
                                      << QByteArray("rm -rf \"/a\\\"b\"");
        QTest::newRow("dollar") << QByteArray("rm -rf \"%s\"") << QStringList{ "/$(touch pwned)" }
                                << QByteArray("rm -rf \"/\\$(touch pwned)\"");
        QTest::newRow("backquote") << QByteArray("rm -rf \"%s\"") << QStringList{ "/`id`" }
                                   << QByteArray("rm -rf \"/\\`id\\`\"");
        QTest::newRow("backslash") << QByteArray("rm -rf \"%s\"") << QStringList{ "/a\\b" }
                                   << QByteArray("rm -rf \"/a\\\\b\"");
        QTest::newRow("percent is no placeholder")
                << QByteArray("mv \"%s\" \"%s\"") << QStringList{ "/50%s", "/x" }
                << QByteArray("mv \"/50%s\" \"/x\"");
        QTest::newRow("newline kept") << QByteArray("rm -rf \"%s\"") << QStringList{ "/a\nb" }
                                      << QByteArray("rm -rf \"/a\nb\"");
        QTest::newRow("single quote kept") << QByteArray("rm -rf \"%s\"") << QStringList{ "/it's" }
                                           << QByteArray("rm -rf \"/it's\"");
        QTest::newRow("non-ASCII as UTF-8")
                << QByteArray("rm -rf \"%s\"")
                << QStringList{ QString::fromUtf8("/Fotos/M\xc3\xbcnchen") }
                << QByteArray("rm -rf \"/Fotos/M\xc3\xbcnchen\"");
    }

    void exactText()
    {
        QFETCH(QByteArray, form);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, expected);
        const std::optional<QByteArray> command = ShellCommand::form(form.constData(), arguments);
        QVERIFY(command);
        QCOMPARE(*command, expected);
    }

    // Whatever the names hold, the utility gets each path as one argument, byte for byte.
    void argumentsStayLiteral_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("specials") << QStringList{ "/d/\"$`\\", "/e/\\\"\\$", "n" };
        QTest::newRow("leading dashes") << QStringList{ "/-rf", "--help", "/-" };
        QTest::newRow("newlines and blanks") << QStringList{ "/a\n\nb ", " c\t", "/d e/" };
        QTest::newRow("globs and operators") << QStringList{ "/*", "?;|&<>", "/~/$HOME" };
        QTest::newRow("percent signs") << QStringList{ "/%s%d%%", "%n", "/%" };

        // Random names from the characters that matter to a shell, and some that do not.
        const QString alphabet
                = QString::fromUtf8("ab \"$`\\'\n\t*?[]{}()<>|&;!#~%=-\xc3\xa4\xe2\x82\xac");
        QRandomGenerator random(20261207);
        for (int i = 0; i < 150; ++i) {
            QStringList arguments;
            for (int a = 0; a < 3; ++a) {
                QString name = QStringLiteral("/");
                const int length = random.bounded(1, 24);
                for (int c = 0; c < length; ++c)
                    name += alphabet.at(random.bounded(alphabet.size()));
                arguments << name;
            }
            QTest::addRow("random %d", i) << arguments;
        }
    }

    void argumentsStayLiteral()
    {
        QFETCH(QStringList, arguments);
        const std::optional<QByteArray> single
                = ShellCommand::form("mv \"%s\" \"%s\"", arguments.mid(0, 2));
        QVERIFY(single);
        QCOMPARE(argumentsReaching(*single, "mv"),
                 QList<QByteArray>({ arguments[0].toUtf8(), arguments[1].toUtf8() }));
        const std::optional<QByteArray> multiple
                = ShellCommand::form("cp -a \"%s/%s\" \"%s/\"", arguments);
        QVERIFY(multiple);
        QCOMPARE(argumentsReaching(*multiple, "cp -a"),
                 QList<QByteArray>({ (arguments[0] + u'/' + arguments[1]).toUtf8(),
                                     (arguments[2] + u'/').toUtf8() }));
    }

    // What the plan finds at the destination, entry by entry.
    void planVerdicts_data()
    {
        QTest::addColumn<OperationPlan::Kind>("kind");
        QTest::addColumn<bool>("multiple");
        QTest::addColumn<QString>("source"); // relative: a path, or for multiple "folder|name"
        QTest::addColumn<QString>("destination"); // relative folder; "-" for none
        QTest::addColumn<OperationPlan::Verdict>("verdict");
        QTest::addColumn<QString>("command"); // %1 is the test folder; empty: refused
        const OperationPlan::Kind copy = OperationPlan::Copy, move = OperationPlan::Move;
        QTest::newRow("nothing there")
                << copy << false << "src/f"
                << "empty" << OperationPlan::Clear << R"(cp -a "%1/src/f" "%1/empty/")";
        QTest::newRow("a file there")
                << copy << false << "src/f"
                << "dest" << OperationPlan::Conflict << R"(cp -a "%1/src/f" "%1/dest/")";
        QTest::newRow("a dangling link there")
                << move << false << "src/dangling"
                << "dest" << OperationPlan::Conflict << R"(mv "%1/src/dangling" "%1/dest/")";
        QTest::newRow("a folder there, multiple")
                << move << true << "src|dir"
                << "dest" << OperationPlan::Conflict << R"(mv "%1/src/dir" "%1/dest/")";
        QTest::newRow("into its own folder")
                << copy << false << "src/f"
                << "src" << OperationPlan::SameEntry << R"(cp -a "%1/src/f" "%1/src/")";
        QTest::newRow("a folder into itself") << copy << false << "src/dir"
                                              << "src/dir" << OperationPlan::IntoItself << "";
        QTest::newRow("a folder into its subfolder")
                << move << true << "src|dir"
                << "src/dir/sub" << OperationPlan::IntoItself << "";
        QTest::newRow("a folder two levels inside it")
                << copy << false << "src/dir"
                << "src/dir/sub/deeper" << OperationPlan::IntoItself << "";
        QTest::newRow("into a bind mount of its subfolder")
                << copy << false << "src/dir"
                << "bound" << OperationPlan::IntoItself << "";
        QTest::newRow("into its subfolder through a link")
                << copy << false << "src/dir"
                << "way" << OperationPlan::IntoItself << "";
        QTest::newRow("a link to a folder into that folder")
                << copy << false << "src/linkdir"
                << "src/dir" << OperationPlan::Clear << R"(cp -a "%1/src/linkdir" "%1/src/dir/")";
        QTest::newRow("a folder beside one that starts like it")
                << copy << false << "src/dir"
                << "src/dirx" << OperationPlan::Clear << R"(cp -a "%1/src/dir" "%1/src/dirx/")";
        QTest::newRow("a folder into its parent's parent")
                << move << false << "src/dir"
                << "" << OperationPlan::Clear << R"(mv "%1/src/dir" "%1//")";
        // The folder of that name there holds the source at any depth, or through a link.
        QTest::newRow("onto a folder that holds it deep inside")
                << move << false << "d/a/b/d"
                << "" << OperationPlan::HoldsSource << "";
        QTest::newRow("onto a folder that holds it, reached through a link")
                << move << false << "through/b/d"
                << "" << OperationPlan::HoldsSource << "";
        QTest::newRow("delete") << OperationPlan::Delete << true << "src|dir"
                                << "-" << OperationPlan::Clear << R"(rm -rf "%1/src/dir")";
        QTest::newRow("too long") << copy << false << "src/f" << QString(1000, u'x')
                                  << OperationPlan::TooLong << "";
    }

    void planVerdicts()
    {
        QFETCH(OperationPlan::Kind, kind);
        QFETCH(bool, multiple);
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(OperationPlan::Verdict, verdict);
        QFETCH(QString, command);
        TestFolder folder;
        QVERIFY(folder.makeDirs(
                { "src/dir/sub/deeper", "src/dirx", "dest/dir", "empty", "d/a/b/d" }));
        QVERIFY(QFile::link(folder / "d/a", folder / "through"));
        QVERIFY(folder.makeFiles(
                { { "src/f", "f" }, { "src/dangling", "d" }, { "dest/f", "old" } }));
        QVERIFY(QFile::link(folder / "nowhere", folder / "dest/dangling"));
        QVERIFY(QFile::link(folder / "src/dir", folder / "src/linkdir"));
        QVERIFY(QFile::link(folder / "src/dir/sub", folder / "way"));
        if (destination == "bound") {
            QVERIFY(folder.makeDirs({ "bound" }));
            if (runProgram("mount", { "--bind", folder / "src/dir/sub", folder / "bound" }))
                QSKIP("mount --bind is refused here (needs root): no bind-mount case");
        }
        const auto unmount = qScopeGuard([&] {
            if (destination == "bound")
                runProgram("umount", { folder / "bound" });
        });
        const QString to = destination == "-" ? QString() : folder.path() + u'/' + destination;
        const QStringList parts = source.split(u'|');
        const OperationPlan plan = multiple ? OperationPlan::multiple(kind, folder / parts[0],
                                                                      { "..", parts[1], "" }, to)
                                            : OperationPlan::single(kind, folder / source, to);
        QCOMPARE(plan.count(), 1);
        const OperationPlan::Step step = plan.step(0);
        QCOMPARE(step.verdict, verdict);
        QCOMPARE(QString::fromUtf8(step.command), command.arg(folder.path()));
        const QString name = multiple ? parts[1] : source.section(u'/', -1);
        QCOMPARE(step.name, name);
        if (kind != OperationPlan::Delete)
            QCOMPARE(step.destination, (destination.isEmpty() ? folder.path() : to) + u'/' + name);
    }

    // An agreed replace writes nothing outside the destination, whatever stands there: "keep" is
    // outside it, and src/f, src/dir/f hold "new". What it must never replace (a real folder for
    // a link, the folder that holds the source) is refused, and nothing there is removed; where
    // one command would replace that deep inside a merge, the merge goes entry by entry.
    void replaceNeverWritesThroughALink_data()
    {
        QTest::addColumn<OperationPlan::Kind>("kind");
        QTest::addColumn<QString>("entry"); // in src, copied or moved into dest
        QTest::addColumn<QString>("there"); // what stands at dest/<entry>: "link", "fifo", ...
        QTest::addColumn<OperationPlan::Verdict>("verdict");
        for (const OperationPlan::Kind kind : { OperationPlan::Copy, OperationPlan::Move }) {
            const char *verb = kind == OperationPlan::Copy ? "copy" : "move";
            const OperationPlan::Verdict conflict = OperationPlan::Conflict;
            QTest::addRow("%s onto a link to a file", verb) << kind << "f"
                                                            << "link" << conflict;
            QTest::addRow("%s onto a pipe", verb) << kind << "f"
                                                  << "fifo" << conflict;
            QTest::addRow("%s onto a second name of a file", verb) << kind << "f"
                                                                   << "hard link" << conflict;
            QTest::addRow("%s of a folder onto a link to a folder", verb) << kind << "dir"
                                                                          << "link" << conflict;
            QTest::addRow("%s of a file onto a folder", verb) << kind << "f"
                                                              << "folder" << conflict;
            QTest::addRow("%s of a folder onto a file", verb) << kind << "dir"
                                                              << "file" << conflict;
            QTest::addRow("%s of a link to a folder onto a folder", verb)
                    << kind << "linkdir"
                    << "folder" << OperationPlan::LinkOntoFolder;
            QTest::addRow("%s of a link onto the folder it points to", verb)
                    << kind << "linkdir"
                    << "its target" << OperationPlan::LinkOntoFolder;
            QTest::addRow("%s of a file onto the folder that holds it", verb)
                    << kind << "f"
                    << "its parent" << OperationPlan::HoldsSource;
            QTest::addRow("%s into a folder with a folder where a link comes", verb)
                    << kind << "dir"
                    << "inner folder" << conflict;
        }
        QTest::newRow("copy into a folder with a link inside")
                << OperationPlan::Copy << "dir"
                << "inner link" << OperationPlan::Conflict;
        QTest::newRow("copy into a folder with a link where a folder comes")
                << OperationPlan::Copy << "dir"
                << "inner folder link" << OperationPlan::Conflict;
    }

    void replaceNeverWritesThroughALink()
    {
        QFETCH(OperationPlan::Kind, kind);
        QFETCH(QString, entry);
        QFETCH(QString, there);
        QFETCH(OperationPlan::Verdict, verdict);
        TestFolder folder;
        QVERIFY(folder.makeDirs({ "src/dir/sub", "dest", "keep/dir" }));
        QVERIFY(folder.makeFiles({ { "src/f", "new" },
                                   { "src/dir/f", "new" },
                                   { "src/dir/sub/g", "new" },
                                   { "keep/f", "keep" } }));
        const QByteArray target = QFile::encodeName(folder / ("dest/" + entry));
        const QString keep = entry == "f" ? folder / "keep/f" : folder / "keep/dir";
        QString source = folder / ("src/" + entry), into = folder / "dest";
        if (there == "link")
            QVERIFY(QFile::link(keep, folder / ("dest/" + entry)));
        else if (there == "fifo")
            QCOMPARE(::mkfifo(target.constData(), 0644), 0);
        else if (there == "hard link")
            QCOMPARE(::link(QFile::encodeName(keep).constData(), target.constData()), 0);
        else if (there == "folder" || there == "file")
            QVERIFY(there == "file" ? makeFile(target, "old")
                                    : folder.makeDirs({ "dest/" + entry + "/inner" }));
        else if (there == "its target")
            QVERIFY(folder.makeDirs({ "dest/linkdir/inner" }));
        else if (there == "its parent") // dest/f/f into dest: onto dest/f
            source = folder / "dest/f/f", into = folder / "dest";
        else if (there == "inner link")
            QVERIFY(folder.makeDirs({ "dest/dir" })
                    && QFile::link(folder / "keep/f", folder / "dest/dir/f"));
        else if (there == "inner folder") // src/dir/sub a link, dest/dir/sub a real folder
            QVERIFY(QDir(folder / "src/dir/sub").removeRecursively()
                    && QFile::link(folder / "keep/dir", folder / "src/dir/sub")
                    && folder.makeFiles({ { "dest/dir/sub/mine", "mine" } }));
        else
            QVERIFY(folder.makeDirs({ "dest/dir" })
                    && QFile::link(folder / "keep/dir", folder / "dest/dir/sub"));
        if (entry == "linkdir")
            QVERIFY(QFile::link(there == "its target" ? folder / "dest/linkdir" : keep, source));
        if (there == "its parent")
            QVERIFY(folder.makeFiles({ { "dest/f/f", "new" }, { "dest/f/other", "other" } }));

        const OperationPlan::Step step = OperationPlan::single(kind, source, into).step(0);
        QCOMPARE(step.verdict, verdict);
        // A merge onto a folder, never onto a link to one.
        QCOMPARE(OperationPlan::mergesFolders(step), entry == "dir" && there.startsWith("inner"));
        if (verdict != OperationPlan::Conflict) {
            // Even asked to, nothing there is removed.
            QVERIFY(!FileWork::clearWay(step.source, step.destination));
            QVERIFY(QFileInfo(QFile::decodeName(target)).isDir());
            QCOMPARE(entriesOf(target).size(), there == "its parent" ? 2 : 1);
            return;
        }
        if (there == "inner folder") {
            QVERIFY(OperationPlan::goesEntryByEntry(step, true));
            const OperationPlan inside = OperationPlan::insideOf(step);
            QCOMPARE(inside.step(1).name, QStringLiteral("sub"));
            QCOMPARE(inside.step(1).verdict, OperationPlan::LinkOntoFolder);
            return;
        }
        // A merge goes entry by entry, each replace keeping what it replaces; elsewhere what
        // stands there is cleared away, for good here, before the plain command.
        QCOMPARE(OperationPlan::goesEntryByEntry(step, true), there.startsWith("inner"));
        ScriptedAsker asker;
        ShellRunner runner;
        Journal journal(folder / "history");
        if (there.startsWith("inner")) {
            Operation(asker, runner, journal).run(OperationPlan::single(kind, source, into));
        } else {
            QVERIFY(FileWork::clearWay(step.source, step.destination));
            CommandRunner::Command command;
            command.line = step.command;
            QCOMPARE(runner.run(command).outcome, CommandRunner::Succeeded);
        }
        QCOMPARE(readFile(folder / "keep/f"), QByteArray("keep"));
        QCOMPARE(QDir(folder / "keep/dir").entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
        QCOMPARE(readFile(folder / (entry == "f" ? "dest/f" : "dest/dir/f")), QByteArray("new"));
        if (entry == "dir")
            QCOMPARE(readFile(folder / "dest/dir/sub/g"), QByteArray("new"));
    }

    // Where the output goes, by what stands at the shared log's path.
    void logChoice_data()
    {
        QTest::addColumn<QString>("standing"); // what is at the shared path beforehand
        QTest::addColumn<bool>("shared"); // whether the shared path is used
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("nothing") << "nothing" << true << QByteArray();
        QTest::newRow("the user's own file") << "own file" << true << QByteArray();
        QTest::newRow("symbolic link") << "link" << false << QByteArray("is a symbolic link");
        QTest::newRow("dangling link") << "dangling" << false << QByteArray("is a symbolic link");
        QTest::newRow("another user's file")
                << "other's file" << false << QByteArray("belongs to another user");
        QTest::newRow("folder") << "folder" << false << QByteArray("cannot be opened");
        QTest::newRow("pipe") << "pipe" << false << QByteArray("is not a regular file");
        QTest::newRow("second name") << "hard link" << false << QByteArray("has other names");
    }

    void logChoice()
    {
        QFETCH(QString, standing);
        QFETCH(bool, shared);
        QFETCH(QByteArray, reason);
        TestFolder folder;
        const QByteArray path = QFile::encodeName(folder / "exec_log.txt");
        const QString target = folder / "someone's file";
        QVERIFY(makeFile(target, "not to be touched"));
        if (standing == "own file") {
            QVERIFY(makeFile(QFile::decodeName(path), "earlier output"));
        } else if (standing == "link") {
            QVERIFY(QFile::link(target, QFile::decodeName(path)));
        } else if (standing == "dangling") {
            QVERIFY(QFile::link(folder / "nowhere", QFile::decodeName(path)));
        } else if (standing == "other's file") {
            if (!canBecomeNobody())
                QSKIP("needs root, to give a file to another user");
            QVERIFY(makeFile(QFile::decodeName(path), "not to be touched"));
            QCOMPARE(::chown(path.constData(), ::getpwnam("nobody")->pw_uid, 0), 0);
        } else if (standing == "folder") {
            QVERIFY(QDir().mkpath(QFile::decodeName(path)));
        } else if (standing == "pipe") {
            QCOMPARE(::mkfifo(path.constData(), 0600), 0);
        } else if (standing == "hard link") {
            QCOMPARE(::link(QFile::encodeName(target).constData(), path.constData()), 0);
        }
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
        QCOMPARE(::chmod(QFile::encodeName(folder.path()).constData(), 0700), 0);

        CommandLog log(path);
        OutputCapture errors(2);
        QVERIFY(log.write("this command's output"));
        QVERIFY(log.write("the next command's output"));
        const QByteArray said = errors.finish();
        qputenv("XDG_RUNTIME_DIR", runtime);

        QCOMPARE(log.isPrivate(), !shared);
        QCOMPARE(log.path(),
                 shared ? path : QFile::encodeName(folder / "filemanager-exec_log.txt"));
        QCOMPARE(readFile(QFile::decodeName(log.path())), QByteArray("the next command's output"));
        struct stat written;
        QCOMPARE(::stat(log.path().constData(), &written), 0);
        QCOMPARE(written.st_mode & 0777, mode_t(0600));
        QCOMPARE(readFile(target), QByteArray("not to be touched"));
        if (standing == "other's file")
            QCOMPARE(readFile(QFile::decodeName(path)), QByteArray("not to be touched"));
        // Said once, with the path and the reason.
        QCOMPARE(said.count('\n'), shared ? 0 : 1);
        QVERIFY2(said.contains(reason) && (shared || said.contains(path)), said.constData());
    }

    // Without a folder of the user's own for it, the private log is a fresh file of its own.
    void privateLogWithoutARuntimeFolder()
    {
        TestFolder folder;
        const QByteArray path = QFile::encodeName(folder / "exec_log.txt");
        QVERIFY(QFile::link("/etc/hostname", QFile::decodeName(path)));
        const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", "/tmp");
        CommandLog log(path);
        OutputCapture errors(2);
        const bool written = log.write("output");
        errors.finish();
        qputenv("XDG_RUNTIME_DIR", runtime);
        const QString file = QFile::decodeName(log.path());
        const QByteArray content = readFile(file);
        QFile::remove(file);
        QVERIFY(written);
        QVERIFY2(file.startsWith("/tmp/filemanager-exec_log-"), qPrintable(file));
        QCOMPARE(content, QByteArray("output"));
    }

    // The names a file system cannot hold, FAT-like or not, and the names they are stored under
    // when mapped.
    void namesATargetCannotHold_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("fat");
        QTest::addColumn<bool>("holds");
        QTest::addColumn<QByteArray>("stored");
        const QByteArray e255 = QString(255, u'\u00e9').toUtf8();
        QTest::newRow("plain, FAT") << QByteArray("IMG 0001.jpg") << true << true << QByteArray();
        QTest::newRow("a colon, FAT")
                << QByteArray("a:b.txt") << true << false << QByteArray("a_b.txt");
        QTest::newRow("a colon, elsewhere")
                << QByteArray("a:b.txt") << false << true << QByteArray();
        QTest::newRow("a question mark, FAT")
                << QByteArray("why?") << true << false << QByteArray("why_");
        QTest::newRow("every other refused, FAT") << QByteArray("a\"*<>\\|\x01"
                                                                "b.txt")
                                                  << true << false << QByteArray("a_______b.txt");
        QTest::newRow("a tab, FAT") << QByteArray("a\tb") << true << false << QByteArray("a_b");
        QTest::newRow("a trailing dot, FAT")
                << QByteArray("notes.") << true << false << QByteArray("notes");
        QTest::newRow("dots and blanks, FAT")
                << QByteArray("So long . . ") << true << false << QByteArray("So long");
        QTest::newRow("nothing left, FAT") << QByteArray(". .") << true << false << QByteArray("_");
        QTest::newRow("255 UTF-16 units, FAT") << e255 << true << true << QByteArray();
        QTest::newRow("256 UTF-16 units, FAT")
                << QString(256, u'\u00e9').toUtf8() << true << false << e255;
        QTest::newRow("over the byte limit")
                << QByteArray(256, 'x') << false << false << QByteArray(255, 'x');
    }

    void namesATargetCannotHold()
    {
        QFETCH(QByteArray, name);
        QFETCH(bool, fat);
        QFETCH(bool, holds);
        QFETCH(QByteArray, stored);
        const TargetFileSystem target{ fat, fat, fat ? 1530 : 255 };
        QCOMPARE(target.canHold(name), holds);
        if (!holds)
            QCOMPARE(FileName::toBytes(target.mapped(FileName::fromBytes(name), false)), stored);
    }

    // A rename offers the base name selected: typing keeps the extension.
    void renameSelectsTheBaseName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<QString>("selected");
        QTest::newRow("no dot") << "README" << false << "README";
        QTest::newRow("one dot") << "photo.jpg" << false << "photo";
        QTest::newRow("a double extension") << "archive.tar.gz" << false << "archive";
        QTest::newRow("two dots") << "v1.2.txt" << false << "v1.2";
        QTest::newRow("a leading dot") << ".bashrc" << false << ".bashrc";
        QTest::newRow("a folder") << "v1.0" << true << "v1.0";
    }

    void renameSelectsTheBaseName()
    {
        QFETCH(QString, name);
        QFETCH(bool, isFolder);
        QFETCH(QString, selected);
        QCOMPARE(name.left(NameCheck::baseLength(name, isFolder)), selected);
    }

    // Keep both: the first free name, the extension kept for a file.
    void freeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<QString>("free");
        QTest::newRow("a file, (2) taken") << "photo.jpg" << false << "photo (3).jpg";
        QTest::newRow("a double extension") << "archive.tar.gz" << false << "archive (2).tar.gz";
        // Shortened to the name limit by whole characters: a 3-byte "€" is never cut.
        QTest::newRow("too long") << QString(83, QChar(0x20ac)) + ".txt" << false
                                  << QString(82, QChar(0x20ac)) + " (2).txt";
        QTest::newRow("a leading dot") << ".bashrc" << false << ".bashrc (2)";
        QTest::newRow("no dot") << "README" << false << "README (2)";
        QTest::newRow("a folder with a dot") << "v1.0" << true << "v1.0 (2)";
    }

    void freeNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, isFolder);
        QFETCH(QString, free);
        TestFolder folder;
        QVERIFY(folder.makeFiles({ { name, "" }, { "photo (2).jpg", "" } }));
        QCOMPARE(FileWork::freeName(folder.path(), name, isFolder), free);
    }

    // What the plan finds before a copy or move: the bytes it writes, whether it crosses file
    // systems, whether they fit, and the entries that stand there already. "small" is a tmpfs of
    // 64 KB.
    void lookBeforeTheWork_data()
    {
        QTest::addColumn<OperationPlan::Kind>("kind");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<qint64>("units"); // of 4 KiB: a file in whole ones, one for each folder
        QTest::addColumn<bool>("crosses");
        QTest::addColumn<bool>("fits");
        QTest::addColumn<int>("conflicts");
        using P = OperationPlan;
        const qint64 all = 103000, units = 1 + 25 + 2;
        QTest::newRow("copy") << P::Copy << "dest" << all << units << false << true << 0;
        QTest::newRow("copy onto an entry there")
                << P::Copy << "taken" << all << units << false << true << 1;
        QTest::newRow("move within one file system")
                << P::Move << "dest" << qint64(0) << qint64(0) << false << true << 0;
        QTest::newRow("move to another file system")
                << P::Move << "small" << all << units << true << false << 0;
        QTest::newRow("copy larger than the room")
                << P::Copy << "small" << all << units << false << false << 0;
    }

    void lookBeforeTheWork()
    {
        QFETCH(OperationPlan::Kind, kind);
        QFETCH(QString, destination);
        QFETCH(qint64, bytes);
        QFETCH(qint64, units);
        QFETCH(bool, crosses);
        QFETCH(bool, fits);
        QFETCH(int, conflicts);
        TestFolder folder;
        QVERIFY(folder.makeDirs({ "dest", "taken/tree", "small" }));
        QVERIFY(folder.makeFiles({ { "src/tree/a", QByteArray(3000, 'a') },
                                   { "src/tree/sub/b", QByteArray(100000, 'b') },
                                   { "src/note", "" } }));
        QVERIFY(QFile::link("a", folder / "src/tree/link"));
        if (destination == "small"
            && runProgram("mount", { "-t", "tmpfs", "-o", "size=64k", "tmpfs", folder / "small" }))
            QSKIP("a tmpfs cannot be mounted here (needs root): no other file system to try");
        const auto unmount = qScopeGuard([&] {
            if (destination == "small")
                runProgram("umount", { folder / "small" });
        });
        const OperationPlan::Look look
                = OperationPlan::multiple(kind, folder / "src", { "tree", "note" },
                                          folder / destination)
                          .look();
        QCOMPARE(look.bytes, bytes);
        QCOMPARE(look.taken, units * 4096);
        QCOMPARE(look.crossesFileSystems, crosses);
        QCOMPARE(look.taken <= look.freeBytes, fits);
        QCOMPARE(look.conflicts, conflicts);
        QCOMPARE(look.entries, kind == OperationPlan::Move && !crosses ? 2 : 6);
        QCOMPARE(look.unstorable, 0);
    }

    // Changes from outside are merged: a re-read at most once per max(250 ms, four times the last
    // re-read's own time).
    void rereadPace_data()
    {
        QTest::addColumn<qint64>("sinceLastRead");
        QTest::addColumn<qint64>("lastReadCost");
        QTest::addColumn<qint64>("delay");
        QTest::newRow("just read, quickly") << qint64(0) << qint64(5) << qint64(250);
        QTest::newRow("read a while ago") << qint64(100) << qint64(5) << qint64(150);
        QTest::newRow("long enough ago") << qint64(400) << qint64(5) << qint64(0);
        QTest::newRow("a slow read: four times its time")
                << qint64(0) << qint64(400) << qint64(1600);
        QTest::newRow("a slow read, partly waited") << qint64(1000) << qint64(400) << qint64(600);
    }

    void rereadPace()
    {
        QFETCH(qint64, sinceLastRead);
        QFETCH(qint64, lastReadCost);
        QFETCH(qint64, delay);
        QCOMPARE(FolderWatch::delayBeforeReread(sinceLastRead, lastReadCost), delay);
    }

    // Changes handed on by name and applied to the rows in place leave what a fresh read gives;
    // where the events cannot be trusted (an overflow) the folder is read again.
    void followsByTheEntry_data()
    {
        QTest::addColumn<QString>("script"); // run in the folder shown: a b c/ d/
        QTest::addColumn<bool>("readAgain");
        QTest::newRow("made") << "touch n && mkdir m" << false;
        QTest::newRow("made, sorting before and between") << "touch 0 aa b0 && mkdir A" << false;
        QTest::newRow("removed") << "rm b && rmdir d" << false;
        QTest::newRow("made again as a folder") << "rm b && mkdir b && touch d2" << false;
        QTest::newRow("moved out and in") << "mv b ../out && mv ../in . && mv a z" << false;
        QTest::newRow("a burst") << "seq 500 | sed s/^/f/ | xargs touch && rm a" << false;
        QTest::newRow("an overflow") << "seq 17000 | sed s/^/f/ | xargs touch" << true;
    }

    void followsByTheEntry()
    {
        QFETCH(QString, script);
        QFETCH(bool, readAgain);
        TestFolder folder;
        QVERIFY(folder.makeDirs({ "shown/c", "shown/d", "in" }));
        QVERIFY(folder.makeFiles({ { "shown/a", "" }, { "shown/b", "" } }));
        const QByteArray shown = QFile::encodeName(folder / "shown");
        const auto rows = [](const FolderEntries &listed) {
            QByteArrayList all;
            for (int row = 0; row < listed.count(); ++row)
                all << listed.name(row).toByteArray() + (listed.isFolder(row) ? "/" : "");
            return all;
        };
        FolderEntries entries, fresh;
        QVERIFY(entries.read(shown, true, NameFilter()));
        QByteArrayList listed = rows(entries); // as the ranges of each change leave it
        FolderWatch watch;
        bool askedToReadAgain = false;
        connect(&watch, &FolderWatch::changed, [&](const QByteArrayList &names) {
            FolderEntries::Delta delta;
            askedToReadAgain = askedToReadAgain || names.isEmpty();
            if (names.isEmpty() || !entries.apply(names, &delta)) {
                QVERIFY(entries.read(shown, true, NameFilter()));
                listed = rows(entries);
                return;
            }
            const QByteArrayList now = rows(entries);
            for (auto range = delta.removed.rbegin(); range != delta.removed.rend(); ++range)
                listed.remove(range->first, range->count);
            for (const FolderEntries::Range &range : delta.inserted)
                for (int row = range.first; row < range.first + range.count; ++row)
                    listed.insert(row, now.value(row));
            QCOMPARE(listed, now);
        });
        watch.watch(shown);
        QCOMPARE(runProgram("sh", { "-c", "cd \"$1\" && " + script, "sh", folder / "shown" }), 0);
        QVERIFY(fresh.read(shown, true, NameFilter()));
        QTRY_COMPARE(listed, rows(fresh));
        QCOMPARE(askedToReadAgain, readAgain);
    }

    // The folder watched goes, or was gone before its watch could be set: said as gone.
    void watchedFolderGone_data()
    {
        QTest::addColumn<bool>("before");
        QTest::newRow("removed while watched") << false;
        QTest::newRow("removed before the watch") << true;
    }

    void watchedFolderGone()
    {
        QFETCH(bool, before);
        TestFolder folder;
        QVERIFY(folder.makeDirs({ "shown" }));
        FolderWatch watch;
        QSignalSpy gone(&watch, &FolderWatch::gone);
        if (before)
            QVERIFY(QDir(folder / "shown").removeRecursively());
        watch.watch(QFile::encodeName(folder / "shown"));
        if (!before)
            QVERIFY(QDir(folder / "shown").removeRecursively());
        QTRY_COMPARE(gone.size(), 1);
    }

    // What a destination's file system is taken for, by statfs's type and, for FUSE, the
    // mount's: FAT, exFAT and NTFS are cards, whose names are compared without case; FAT holds
    // no file of 4 GiB.
    void cardsAreRecognised_data()
    {
        QTest::addColumn<qint64>("type");
        QTest::addColumn<QByteArray>("mount");
        QTest::addColumn<bool>("card");
        QTest::addColumn<qint64>("largest"); // the largest file it holds; -1: no limit of its own
        const qint64 fuse = 0x65735546;
        QTest::newRow("FAT") << qint64(0x4d44) << QByteArray("vfat") << true
                             << qint64(4294967295LL);
        QTest::newRow("exFAT") << qint64(0x2011bab0) << QByteArray("exfat") << true << qint64(-1);
        QTest::newRow("NTFS") << qint64(0x5346544e) << QByteArray("ntfs") << true << qint64(-1);
        QTest::newRow("ntfs3") << qint64(0x7366746e) << QByteArray("ntfs3") << true << qint64(-1);
        QTest::newRow("FAT through FUSE")
                << fuse << QByteArray("fuse.fusefat") << true << qint64(4294967295LL);
        QTest::newRow("exFAT through FUSE")
                << fuse << QByteArray("fuse.exfat") << true << qint64(-1);
        QTest::newRow("NTFS through FUSE")
                << fuse << QByteArray("fuse.ntfs-3g") << true << qint64(-1);
        QTest::newRow("a block device through FUSE")
                << fuse << QByteArray("fuseblk") << true << qint64(-1);
        QTest::newRow("another FUSE file system")
                << fuse << QByteArray("fuse.sshfs") << false << qint64(-1);
        QTest::newRow("ext4") << qint64(0xef53) << QByteArray("ext4") << false << qint64(-1);
        QTest::newRow("tmpfs") << qint64(0x01021994) << QByteArray("tmpfs") << false << qint64(-1);
    }

    void cardsAreRecognised()
    {
        QFETCH(qint64, type);
        QFETCH(QByteArray, mount);
        QFETCH(bool, card);
        QFETCH(qint64, largest);
        QCOMPARE(TargetFileSystem::isCard(type, mount), card);
        QCOMPARE(TargetFileSystem::isCardType(mount), card);
        QCOMPARE(TargetFileSystem::largestFileOn(type, mount), largest);
        // Found for its device in a mountinfo text, past optional fields and another mount.
        const QByteArray mountinfo = "24 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                                     "45 24 0:40 / /media/a\\040card rw shared:7 master:1 - "
                                     + mount + " /dev/sdb1 rw,user_id=0\n";
        QCOMPARE(TargetFileSystem::mountTypeIn(mountinfo, makedev(0, 40)), mount);
        QCOMPARE(TargetFileSystem::mountTypeIn(mountinfo, makedev(0, 41)), QByteArray());
        // What such a file system takes for one name.
        const auto same = [](const char *a, const char *b) {
            return TargetFileSystem::folded(QString::fromUtf8(a))
                   == TargetFileSystem::folded(QString::fromUtf8(b));
        };
        QVERIFY(same("A.txt", "a.txt") && same("IMG.JPG", "img.jpg")
                && same("Readme.TXT", "README.txt") && same("Ärger", "ärger"));
        QVERIFY(!same("a.txt", "a.txt ") && !same("a.txt", "b.txt"));
    }

    // An ext4 folder with the casefold attribute compares names without case; its parent not.
    void casefoldFolder()
    {
        if (!QFile::exists("/sys/fs/ext4/features/casefold"))
            QSKIP("this kernel offers no casefold folders (CONFIG_UNICODE)");
        TestFolder folder;
        const QString image = folder / "image", mounted = folder / "mounted";
        QVERIFY(folder.makeDirs({ "mounted" }));
        if (runProgram("truncate", { "-s", "8M", image })
            || runProgram("mkfs.ext4", { "-q", "-O", "casefold", image })
            || runProgram("mount", { "-o", "loop", image, mounted }))
            QSKIP("no ext4 image can be made and mounted here (needs e2fsprogs and root)");
        const auto unmount = qScopeGuard([&] { runProgram("umount", { mounted }); });
        QVERIFY(QDir().mkdir(mounted + "/folded"));
        QCOMPARE(runProgram("chattr", { "+F", mounted + "/folded" }), 0);
        QVERIFY(TargetFileSystem::of(QFile::encodeName(mounted + "/folded")).foldsCase);
        QVERIFY(!TargetFileSystem::of(QFile::encodeName(mounted)).foldsCase);
    }

    // The details of an entry: its type, a folder's size with all it holds (no link followed),
    // its permissions.
    void entryDetails_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<EntryDetails::Type>("type");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("whole"); // false: counted as a user who cannot read dir/sub
        QTest::newRow("a file") << "f" << EntryDetails::File << qint64(5) << "rw-r-----"
                                << "" << true;
        QTest::newRow("a folder") << "dir" << EntryDetails::Folder << qint64(7) << "rwxr-x---"
                                  << "" << true;
        QTest::newRow("a dangling link") << "link" << EntryDetails::Link << qint64(7) << "rwxrwxrwx"
                                         << "nowhere" << true;
        QTest::newRow("a folder holding one it cannot read")
                << "dir" << EntryDetails::Folder << qint64(3) << "rwxr-x---"
                << "" << false;
    }

    void entryDetails()
    {
        QFETCH(QString, name);
        QFETCH(EntryDetails::Type, type);
        QFETCH(qint64, size);
        QFETCH(QString, permissions);
        QFETCH(QString, target);
        QFETCH(bool, whole);
        if (!whole && !canBecomeNobody())
            QSKIP("needs root, to count as the unprivileged user nobody");
        TestFolder folder;
        QVERIFY(folder.makeFiles(
                { { "f", "12345" }, { "dir/a", "123" }, { "dir/sub/b", "4567" } }));
        QVERIFY(QFile::link(folder / "f", folder / "dir/sub/not followed"));
        QVERIFY(QFile::link("nowhere", folder / "link"));
        QCOMPARE(::chmod(QFile::encodeName(folder / "f").constData(), 0640), 0);
        QCOMPARE(::chmod(QFile::encodeName(folder / "dir").constData(), whole ? 0750 : 0755), 0);
        EntryDetails details = EntryDetails::of(folder / name);
        if (!whole) {
            QCOMPARE(::chmod(QFile::encodeName(folder.path()).constData(), 0755), 0);
            QCOMPARE(::chmod(QFile::encodeName(folder / "dir/sub").constData(), 0), 0);
            QVERIFY(asNobody([&] { details = EntryDetails::of(folder / name); }));
            QCOMPARE(::chmod(QFile::encodeName(folder / "dir").constData(), 0750), 0);
            details.permissions = EntryDetails::permissionsText(0750);
        }
        QCOMPARE(details.sizeComplete, whole);
        QCOMPARE(details.type, type);
        QCOMPARE(details.size, size);
        QCOMPARE(details.permissions, permissions);
        QCOMPARE(details.linkTarget, target);
        QVERIFY(details.changed.isValid() && details.freeBytes > 0 && !details.owner.isEmpty());
    }

    // What a listing takes an entry for, also where the folder does not tell its type.
    void entryKinds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("reported"); // the DT_ type that the folder reports
        QTest::addColumn<FolderEntries::Kind>("kind");
        using Kind = FolderEntries::Kind;
        const std::pair<const char *, Kind> entries[] = { { "dir", Kind::Folder },
                                                          { "f", Kind::File },
                                                          { "linkdir", Kind::Folder },
                                                          { "dangling", Kind::Neither },
                                                          { "pipe", Kind::Neither } };
        const int reported[] = { DT_DIR, DT_REG, DT_LNK, DT_LNK, DT_FIFO };
        for (int i = 0; i < 5; ++i) {
            const auto [name, kind] = entries[i];
            QTest::addRow("%s as reported", name) << name << reported[i] << kind;
            QTest::addRow("%s of unknown type", name) << name << int(DT_UNKNOWN) << kind;
        }
    }

    void entryKinds()
    {
        QFETCH(QString, name);
        QFETCH(int, reported);
        QFETCH(FolderEntries::Kind, kind);
        TestFolder folder;
        QVERIFY(folder.makeDirs({ "dir" }) && folder.makeFiles({ { "f", "f" } }));
        QVERIFY(QFile::link("dir", folder / "linkdir")
                && QFile::link("nowhere", folder / "dangling"));
        QCOMPARE(::mkfifo(QFile::encodeName(folder / "pipe").constData(), 0644), 0);
        const int fd = ::open(QFile::encodeName(folder.path()).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(fd >= 0);
        const FolderEntries::Kind found
                = FolderEntries::kindOf(fd, name.toUtf8().constData(), (unsigned char)reported);
        ::close(fd);
        QCOMPARE(found, kind);
    }

    // Bytes to text and back: UTF-8 decoded, every other byte kept as U+DC00 + byte.
    void fileNames_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const QChar replacement(QChar::ReplacementCharacter);
        QTest::newRow("ASCII") << QByteArray("a b.txt") << "a b.txt"
                               << "a b.txt";
        QTest::newRow("UTF-8") << QByteArray("M\xc3\xbcnchen")
                               << QString::fromUtf8("M\xc3\xbcnchen")
                               << QString::fromUtf8("M\xc3\xbcnchen");
        QTest::newRow("Latin-1") << QByteArray("caf\xe9 menu.txt")
                                 << QString("caf") + QChar(0xDCE9) + " menu.txt"
                                 << QString("caf") + replacement + " menu.txt";
        QTest::newRow("lone continuation byte")
                << QByteArray("\x80") << QString(QChar(0xDC80)) << QString(replacement);
        QTest::newRow("overlong slash")
                << QByteArray("\xc0\xaf") << units({ QChar(0xDCC0), QChar(0xDCAF) })
                << units({ replacement, replacement });
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80")
                                           << units({ QChar(0xDCED), QChar(0xDCA0), QChar(0xDC80) })
                                           << QString(3, replacement);
        QTest::newRow("above U+10FFFF")
                << QByteArray("\xf4\x90\x80\x80")
                << units({ QChar(0xDCF4), QChar(0xDC90), QChar(0xDC80), QChar(0xDC80) })
                << QString(4, replacement);
        QTest::newRow("cut short at the end")
                << QByteArray("a\xe2\x82") << units({ u'a', QChar(0xDCE2), QChar(0xDC82) })
                << units({ u'a', replacement, replacement });
        // Its second half is U+DC80, which must not be taken for a raw byte.
        QTest::newRow("character beyond U+FFFF")
                << QByteArray("\xf0\x9f\x92\x80") << QString::fromUtf8("\xf0\x9f\x92\x80")
                << QString::fromUtf8("\xf0\x9f\x92\x80");
        QTest::newRow("Shift-JIS")
                << QByteArray("\x83\x65\x83\x58\x83\x67")
                << units({ QChar(0xDC83), u'e', QChar(0xDC83), u'X', QChar(0xDC83), u'g' })
                << units({ replacement, u'e', replacement, u'X', replacement, u'g' });
    }

    void fileNames()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(FileName::fromBytes(bytes), text);
        QCOMPARE(FileName::toBytes(text), bytes);
        QCOMPARE(FileName::forDisplay(text), shown);
        QCOMPARE(FileName::hasRawBytes(text), text != shown);
        // And through a command: the shell hands the utility the very bytes.
        const std::optional<QByteArray> command
                = ShellCommand::form("rm -rf \"%s\"", { "/" + text });
        QVERIFY(command);
        QCOMPARE(argumentsReaching(*command, "rm -rf"), QList<QByteArray>{ "/" + bytes });
    }

    // Any bytes come back whole, and names sort by their text's UTF-16 code units.
    void fileNamesRandom()
    {
        QRandomGenerator random(9);
        const QByteArray pieces[] = { "a",
                                      "Z",
                                      "0",
                                      ".",
                                      "\xc3\xa4",
                                      "\xe2\x82\xac",
                                      "\xef\xbd\xa1",
                                      "\xf0\x9f\x98\x80",
                                      "\xf0\x9f\x92\x80",
                                      "\xe9",
                                      "\x80",
                                      "\xff",
                                      "\xc3" };
        QList<QByteArray> names;
        for (int i = 0; i < 400; ++i) {
            QByteArray name;
            for (int k = random.bounded(1, 7); k > 0; --k)
                name += pieces[random.bounded(int(std::size(pieces)))];
            QCOMPARE(FileName::toBytes(FileName::fromBytes(name)), name);
            names << name;
        }
        for (int i = 0; i + 1 < names.size(); ++i) {
            const QString a = FileName::fromBytes(names[i]), b = FileName::fromBytes(names[i + 1]);
            const int expected
                    = a == b ? 0
                      : std::lexicographical_compare(
                                a.cbegin(), a.cend(), b.cbegin(), b.cend(),
                                [](QChar x, QChar y) { return x.unicode() < y.unicode(); })
                              ? -1
                              : 1;
            const int got = FolderEntries::compareNames(names[i], names[i + 1]);
            QVERIFY2((got > 0) - (got < 0) == expected,
                     names[i].toHex() + " " + names[i + 1].toHex());
        }
    }

    void lengthBound_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("formed");
        // rm -rf "" takes 9 bytes around the path.
        QTest::newRow("998 bytes") << "/" + QString(988, u'a') << true;
        QTest::newRow("999 bytes") << "/" + QString(989, u'a') << false;
        QTest::newRow("far over") << "/" + QString(5000, u'a') << false;
        QTest::newRow("escapes count") << "/" + QString(494, u'$') << true; // 989 bytes escaped
        QTest::newRow("escapes push it over") << "/" + QString(495, u'$') << false;
        QTest::newRow("multi-byte characters count as bytes")
                << "/" + QString(494, QChar(0xe4)) << true;
        QTest::newRow("one more byte") << "/a" + QString(494, QChar(0xe4)) << false;
    }

    void lengthBound()
    {
        QFETCH(QString, path);
        QFETCH(bool, formed);
        const std::optional<QByteArray> command = ShellCommand::form("rm -rf \"%s\"", { path });
        QCOMPARE(bool(command), formed);
        if (command)
            QVERIFY(command->size() <= ShellCommand::maxLength);
    }
};

QTEST_GUILESS_MAIN(tst_ShellCommand)
#include "tst_shellcommand.moc"
