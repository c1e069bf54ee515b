// SPDX-License-Identifier: GPL-3.0-or-later
// The command runner with real commands: the log, the debug line, when the log is opened, and
// the commands it refuses.
#include "core/shell/commandlog.h"
#include "platform/zmessagedlg.h"
#include "platform/zsoftkey.h"
#include "runner/deathdlg.h"
#include "runner/workwait.h"
#include "support/testmain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QThread>

#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

namespace {

QByteArray readLog()
{
    QFile log(QFile::decodeName(CommandLog::instance().path()));
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

void writeLog(const QByteArray &content)
{
    QFile log(QFile::decodeName(CommandLog::instance().path()));
    QVERIFY(log.open(QIODevice::WriteOnly | QIODevice::Truncate));
    log.write(content);
}

// Runs a command the way the file operations do; returns how long exec() took.
qint64 run(const char *command, const QString &title = QString())
{
    QElapsedTimer clock;
    clock.start();
    auto *runner = new deathDlg(title, QStringLiteral("Please wait..."), command);
    runner->exec();
    delete runner;
    return clock.elapsed();
}

} // namespace

class tst_DeathDlg : public QObject
{
    Q_OBJECT

private:
    RecordingOpener m_opener;
    std::unique_ptr<TestFolder> m_folder;

private slots:
    void init()
    {
        m_opener.clear();
        m_folder.reset(new TestFolder);
    }

    void cleanup()
    {
        m_folder.reset();
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }

    void outcome_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("logOpened");
        QTest::addColumn<QByteArray>("logHolds");

        QTest::newRow("success") << QByteArray("echo hello") << false << QByteArray("hello\n");
        QTest::newRow("success, silent") << QByteArray("true") << false << QByteArray();
        QTest::newRow("non-zero status") << QByteArray("exit 3") << true << QByteArray();
        QTest::newRow("utility fails") << QByteArray("mv /nonexistent-source-x /nonexistent-dir-y/")
                                       << true << QByteArray("mv: cannot stat");
        QTest::newRow("error output logged")
                << QByteArray("cat /nonexistent-file-z") << true << QByteArray("No such file");
        // The shell itself killed by a signal has not done its work: a failure.
        QTest::newRow("shell killed by a signal")
                << QByteArray("kill -9 $$") << true << QByteArray();
        QTest::newRow("shell terminated") << QByteArray("kill -TERM $$") << true << QByteArray();
        QTest::newRow("child killed by a signal")
                << QByteArray("sh -c 'kill -9 $$'") << true << QByteArray();
    }

    void outcome()
    {
        QFETCH(QByteArray, command);
        QFETCH(bool, logOpened);
        QFETCH(QByteArray, logHolds);
        OutputCapture output(1);
        run(command.constData());
        QCOMPARE(output.finish(), "Debug: system(" + command + ")\n");
        if (!logHolds.isEmpty())
            QVERIFY2(readLog().contains(logHolds), readLog().constData());
        // What opens is this command's output, in a file of its own that no other run rewrites.
        QCOMPARE(m_opener.launcherCalls().size(), logOpened ? 1 : 0);
        if (logOpened) {
            QCOMPARE(m_opener.logsWhenOpened().value(0), readLog());
            QTRY_COMPARE(m_opener.opened(), m_opener.launcherCalls());
        }
    }

    void runsOnlyOnceShownAndRunning()
    {
        QTemporaryDir dir;
        const QByteArray marker = QFile::encodeName(dir.filePath("marker"));
        auto *runner = new deathDlg(QStringLiteral("name"), QStringLiteral("Copying name"),
                                    QByteArray("touch '" + marker + "'").constData());
        QCOMPARE(runner->title(), QStringLiteral("name"));
        QCOMPARE(runner->windowTitle(), QStringLiteral("name"));
        QCOMPARE(runner->instructText(), QStringLiteral("Copying name"));
        QVERIFY(runner->isVisible());
        QVERIFY(!QFile::exists(QString::fromUtf8(marker)));
        OutputCapture output(1);
        runner->exec();
        output.finish();
        QVERIFY(QFile::exists(QString::fromUtf8(marker)));
        QVERIFY(!runner->isVisible());
        delete runner;
    }

    void commandOf998BytesRunsWhole()
    {
        const QByteArray command = "printf %s " + QByteArray(988, 'x');
        QCOMPARE(command.size(), 998);
        OutputCapture output(1);
        run(command.constData());
        QCOMPARE(output.finish(), "Debug: system(" + command + ")\n");
        QCOMPARE(readLog(), QByteArray(988, 'x'));
        QVERIFY(m_opener.launcherCalls().isEmpty());
    }

    void commandOf999BytesRefused()
    {
        writeLog("earlier output\n");
        const QByteArray command = "printf %s " + QByteArray(989, 'x');
        OutputCapture output(1);
        OutputCapture errors(2);
        const qint64 took = run(command.constData());
        const QByteArray said = errors.finish(), printed = output.finish();
        QVERIFY2(said.contains("refused"), said.constData());
        QCOMPARE(printed, QByteArray());
        QCOMPARE(readLog(), QByteArray("earlier output\n"));
        QVERIFY(took < 5000);
    }

    void twoCommandsInARow()
    {
        OutputCapture output(1);
        run("echo first");
        run("echo second");
        QCOMPARE(output.finish(),
                 QByteArray("Debug: system(echo first)\nDebug: system(echo second)\n"));
        QCOMPARE(readLog(), QByteArray("second\n"));
    }

    void nothingToRunClosesAtOnce_data()
    {
        QTest::addColumn<bool>("null");
        QTest::newRow("null command") << true;
        QTest::newRow("empty command") << false;
    }

    void nothingToRunClosesAtOnce()
    {
        QFETCH(bool, null);
        // Were exec() left running, this would end it and the test would fail.
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->hide();
            QFAIL("the runner did not close by itself");
        });
        guard.start(5000);
        OutputCapture output(1);
        run(null ? nullptr : "");
        QCOMPARE(output.finish(), QByteArray());
        QVERIFY(m_opener.launcherCalls().isEmpty());
    }

    // When no shell can be started, the log must not go on showing an earlier command's output.
    void shellCannotStart()
    {
        if (!canBecomeNobody())
            QSKIP("needs root, to become a user who may start no process");
        writeLog("output of an earlier command\n");
        // The shared log must be the user's own, or a private one would be used.
        const passwd *nobody = ::getpwnam("nobody");
        QCOMPARE(::chown(CommandLog::sharedPath, nobody->pw_uid, nobody->pw_gid), 0);
        rlimit saved;
        ::getrlimit(RLIMIT_NPROC, &saved);
        rlimit none = { 0, saved.rlim_max };
        QCOMPARE(::setrlimit(RLIMIT_NPROC, &none), 0);
        OutputCapture output(1);
        OutputCapture errors(2);
        // No opener can start either: the log's last lines show in a notice.
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        const bool ran = asNobody([] { run("echo never"); });
        errors.finish();
        output.finish();
        ::setrlimit(RLIMIT_NPROC, &saved);
        QCOMPARE(::chown(CommandLog::sharedPath, 0, 0), 0);

        QVERIFY(ran);
        const QByteArray log = readLog();
        QVERIFY2(log.startsWith("The command could not be started"), log.constData());
        QVERIFY(!log.contains("earlier"));
        QCOMPARE(answerer.seen.value(0).text, QString::fromUtf8(log.trimmed()));
    }

    // Where nothing can show the log (no application for text files), a notice shows its end.
    void failureShownWithoutAViewer()
    {
        CommandOnPath failing("xdg-open", "exit 3\n");
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::Yes);
        OutputCapture output(1), errors(2);
        run("echo it went wrong; exit 1");
        output.finish();
        errors.finish();
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].kind, QStringLiteral("notice"));
        QCOMPARE(answerer.seen[0].text, QStringLiteral("it went wrong"));
    }

    // Nothing but the command's end closes the popup: not a key, a tap on a soft key or a close
    // request that reaches it before its timer fires.
    void ignoresEverythingButItsCommand()
    {
        auto *runner = new deathDlg(QStringLiteral("name"), QStringLiteral("Deleting name"),
                                    "sleep 0.2; touch marker");
        for (const Qt::Key key : { Qt::Key_F2, Qt::Key_Escape, Qt::Key_Back, Qt::Key_Context2,
                                   Qt::Key_F1, Qt::Key_Context1, Qt::Key_Return }) {
            QCoreApplication::postEvent(runner,
                                        new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
            QCoreApplication::postEvent(runner,
                                        new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
        }
        QTimer::singleShot(0, runner, [runner] {
            runner->getSoftKey()->click(0);
            runner->getSoftKey()->click(1);
            runner->close();
        });
        OutputCapture output(1);
        runner->exec();
        output.finish();
        delete runner;
        QVERIFY(QFile::exists("marker"));
    }

    // Keys pressed while a command runs are delivered once it has ended; they were meant for the
    // wait popup and must not answer the question that follows it.
    void inputDuringTheCommandAnswersNothing()
    {
        std::thread presser([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            QMetaObject::invokeMethod(
                    qApp,
                    [] {
                        QWidget *target = QApplication::activeModalWidget();
                        for (const Qt::Key key : { Qt::Key_F1, Qt::Key_Return }) {
                            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
                            QApplication::sendEvent(target ? static_cast<QObject *>(target) : qApp,
                                                    &press);
                        }
                    },
                    Qt::QueuedConnection);
        });
        // Keys posted to another window while the command runs never reach it.
        QLineEdit window;
        window.show();
        QTimer::singleShot(150, &window, [&window] {
            QCoreApplication::postEvent(&window,
                                        new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier,
                                                      QStringLiteral("x")));
        });
        OutputCapture output(1);
        run("sleep 0.4");
        output.finish();
        presser.join();
        QCoreApplication::processEvents();
        QCOMPARE(window.text(), QString());
        auto *question = new ZMessageDlg("Delete", "Delete x ?", 1, 0, nullptr, nullptr, true, 0);
        QTimer::singleShot(300, question, [question] { question->getSoftKey()->click(1); });
        QCOMPARE(question->exec(), 0);
        delete question;
    }

    // Started from a terminal, a command that asks would wait there for an answer.
    void readsNothingFromStandardInput()
    {
        int never[2];
        QCOMPARE(::pipe(never), 0);
        const int savedInput = ::dup(0);
        ::dup2(never[0], 0);
        OutputCapture output(1);
        run("timeout 5 cat");
        output.finish();
        ::dup2(savedInput, 0);
        for (const int fd : { savedInput, never[0], never[1] })
            ::close(fd);
        QVERIFY2(m_opener.launcherCalls().isEmpty(), readLog().constData());
    }

    // While the command runs, the loop turns: timers fire, and the popup shows the time passed.
    void loopTurnsWhileTheCommandRuns()
    {
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(50);
        auto *runner = new deathDlg("name", "Copying name", "sleep 1.4");
        QString shownAfterASecond;
        QTimer::singleShot(1250, runner, [&] {
            if (auto *label = runner->findChild<QLabel *>("elapsedText");
                label && label->isVisible())
                shownAfterASecond = label->text();
        });
        OutputCapture output(1);
        runner->exec();
        output.finish();
        delete runner;
        QVERIFY2(ticks >= 15, qPrintable(QString::number(ticks)));
        QCOMPARE(shownAfterASecond, QStringLiteral("0:01"));
        QVERIFY(m_opener.launcherCalls().isEmpty());
    }

    // The right soft key asks; no lets the command finish, yes ends its whole process group.
    void stopQuestion_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::newRow("no: it runs on") << false;
        QTest::newRow("yes: it is stopped") << true;
    }

    void stopQuestion()
    {
        QFETCH(bool, stop);
        auto *runner = new deathDlg("", "Please wait...",
                                    "echo started; sleep 1 & sleep 1; wait; touch finished");
        runner->setStopQuestion("Copy", "Stop now?");
        DialogAnswerer answerer;
        answerer.answer(stop ? DialogAnswerer::Yes : DialogAnswerer::No);
        pid_t group = 0;
        QTimer::singleShot(300, runner, [&] {
            group = runner->processGroup();
            runner->getSoftKey()->click(1);
        });
        OutputCapture output(1);
        runner->exec();
        output.finish();
        const bool failed = runner->failed();
        delete runner;
        QCOMPARE(answerer.seen.size(), 1);
        QCOMPARE(answerer.seen[0].text, QStringLiteral("Stop now?"));
        QVERIFY(group > 0);
        QTRY_COMPARE(livingMembersOf(group), 0);
        QCOMPARE(QFile::exists("finished"), !stop);
        QCOMPARE(failed, stop);
        QVERIFY(m_opener.launcherCalls().isEmpty()); // a stop the user chose opens no log
        if (stop)
            QVERIFY2(readLog().endsWith("started\n\nThe command was stopped by the user.\n"),
                     readLog().constData());
    }

    // Work whose stop ends commands that still run: the right soft key asks first, the commands
    // held while the question is open; a no lets them go on, only a yes stops.
    void workStopsOnlyOnYes()
    {
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::No).answer(DialogAnswerer::Yes);
        QTimer cancel;
        connect(&cancel, &QTimer::timeout, [] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                if (auto *popup = qobject_cast<deathDlg *>(widget); popup && popup->isVisible())
                    popup->getSoftKey()->click(1);
            }
        });
        cancel.start(400);
        QList<bool> held;
        const bool finished = WorkWait::run(
                "Waiting",
                [](const std::function<bool()> &keepGoing) {
                    while (keepGoing())
                        QThread::msleep(20);
                },
                { "Interrupted", "Stop now?", [&held](bool pause) { held << pause; } });
        QVERIFY(!finished);
        QCOMPARE(answerer.seen.size(), 2);
        QCOMPARE(held, QList<bool>({ true, false, true }));
    }

    // Between two entries the right soft key still asks, at once; only yes stops, and then no
    // further entry runs.
    void stopBetweenEntries_data()
    {
        QTest::addColumn<bool>("stop");
        QTest::newRow("no: every entry runs") << false;
        QTest::newRow("yes: no further entry") << true;
    }

    void stopBetweenEntries()
    {
        QFETCH(bool, stop);
        auto *runner = new deathDlg("one", "Deleting one", "touch one");
        runner->setStopQuestion("Delete", "Stop now?");
        runner->setKeepsShowing(true);
        DialogAnswerer answerer;
        answerer.answer(DialogAnswerer::No).answer(stop ? DialogAnswerer::Yes : DialogAnswerer::No);
        OutputCapture output(1);
        runner->exec();
        QTest::keyClick(runner, Qt::Key_Escape); // the popup shows, no command runs
        runner->runNext("two", "Deleting two", "touch two");
        QTest::keyClick(runner, Qt::Key_F2);
        runner->runNext("three", "Deleting three", "touch three");
        output.finish();
        const bool stopped = runner->wasStopped();
        delete runner;
        QCOMPARE(answerer.seen.size(), 2);
        QCOMPARE(answerer.unexpected, 0);
        QVERIFY(QFile::exists("one") && QFile::exists("two"));
        QCOMPARE(QFile::exists("three"), !stop);
        QCOMPARE(stopped, stop);
    }

    // While the question is open the command's whole group is paused; yes sends the stop to the
    // whole group, so that a child that catches it says so.
    void questionPausesTheGroup()
    {
        auto *runner = new deathDlg("", "Please wait...",
                                    "trap : TERM; sh -c 'trap \"echo caught; exit 1\" TERM;"
                                    " while :; do echo tick >> ticks; sleep 0.01; done' &"
                                    " wait $!; wait $!");
        runner->setStopQuestion("Move", "Stop now?");
        qint64 whenAsked = -1, whenAnswered = -1;
        pid_t group = 0;
        QTimer::singleShot(200, runner, [&] {
            group = runner->processGroup();
            runner->getSoftKey()->click(1);
        });
        QTimer::singleShot(300, runner, [&] { whenAsked = QFileInfo("ticks").size(); });
        QTimer::singleShot(600, runner, [&] {
            whenAnswered = QFileInfo("ticks").size();
            QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_F1);
        });
        OutputCapture output(1);
        runner->exec();
        output.finish();
        const QByteArray said = runner->output();
        delete runner;
        QVERIFY(whenAsked > 0);
        QCOMPARE(whenAnswered, whenAsked);
        QVERIFY2(said.contains("caught\n"), said.constData());
        QCOMPARE(livingMembersOf(group), 0);
    }

    // Each entry of an operation shows its own progress, by the measure the operation gives.
    void progressOfASecondEntry()
    {
        QVERIFY(makeFile("src/first", "1") && makeFile("src/tree/f", QByteArray(3000, 'x')));
        auto *runner = new deathDlg("first", "Copying first", "cp -a src/first dest/");
        runner->setKeepsShowing(true);
        runner->setProgress([] { return qint64(1); }, [] { return qint64(0); });
        OutputCapture output(1);
        runner->exec();
        QString shown;
        QTimer::singleShot(400, runner, [&] {
            if (auto *label = runner->findChild<QLabel *>("progressText"); label->isVisible())
                shown = label->text();
        });
        runner->setProgress([] { return qint64(3000); }, [] { return qint64(0); });
        runner->runNext("tree", "Copying tree", "sleep 0.6; cp -a src/tree dest/");
        output.finish();
        delete runner;
        QCOMPARE(shown, QStringLiteral("0 B / 2.9 KB"));
    }

    // Last, since it gives up the shared log for the rest of this program: a link that another
    // user placed there is not followed, and the failure's log opens from the private file.
    void sharedLogIsALinkOfAnotherUser()
    {
        if (!canBecomeNobody())
            QSKIP("needs root, to give the link to another user");
        const QString target = *m_folder / "the user's own file";
        QVERIFY(makeFile(target, "the user's own data\n"));
        QFile::remove(QString::fromLatin1(CommandLog::sharedPath));
        QVERIFY(QFile::link(target, QString::fromLatin1(CommandLog::sharedPath)));
        QCOMPARE(::lchown(CommandLog::sharedPath, ::getpwnam("nobody")->pw_uid, 0), 0);
        OutputCapture errors(2);
        OutputCapture output(1);
        run("echo the failure; exit 2");
        run("echo the second failure; exit 3");
        output.finish();
        const QByteArray said = errors.finish();
        QFile::remove(QString::fromLatin1(CommandLog::sharedPath));

        QCOMPARE(readFile(target), QByteArray("the user's own data\n"));
        QVERIFY2(said.count("/tmp/exec_log.txt is a symbolic link") == 1, said.constData());
        const QString own = QFile::decodeName(CommandLog::instance().path());
        QVERIFY2(own.startsWith(QFile::decodeName(qgetenv("XDG_RUNTIME_DIR"))), qPrintable(own));
        QCOMPARE(readFile(own), QByteArray("the second failure\n"));
        QCOMPARE(m_opener.logsWhenOpened(),
                 QByteArrayList({ "the failure\n", "the second failure\n" }));
    }
};

FM_TEST_MAIN(tst_DeathDlg)
#include "tst_deathdlg.moc"
