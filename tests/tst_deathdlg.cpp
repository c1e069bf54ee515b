// The command runner with real commands: the log, the debug line, when the log is opened, and
// the commands it refuses.
#include "deathdlg.h"
#include "testmain.h"

#include <QElapsedTimer>
#include <QFile>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readLog()
{
    QFile log(QString::fromLatin1(deathDlg::logPath));
    return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
}

void writeLog(const QByteArray &content)
{
    QFile log(QString::fromLatin1(deathDlg::logPath));
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

private slots:
    void init() { m_opener.clear(); }

    void cleanup() { QCOMPARE(QApplication::topLevelWidgets().size(), 0); }

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
        const QStringList expected = logOpened ? QStringList{ "/tmp/exec_log.txt" } : QStringList{};
        QCOMPARE(m_opener.launcherCalls(), expected);
        if (logOpened)
            QTRY_COMPARE(m_opener.opened(), expected);
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
        QVERIFY(errors.finish().contains("refused"));
        QCOMPARE(output.finish(), QByteArray());
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
        QCOMPARE(::chmod(deathDlg::logPath, 0666), 0);
        rlimit saved;
        ::getrlimit(RLIMIT_NPROC, &saved);
        rlimit none = { 0, saved.rlim_max };
        QCOMPARE(::setrlimit(RLIMIT_NPROC, &none), 0);
        OutputCapture output(1);
        OutputCapture errors(2);
        const bool ran = asNobody([] { run("echo never"); });
        errors.finish();
        output.finish();
        ::setrlimit(RLIMIT_NPROC, &saved);
        ::chmod(deathDlg::logPath, 0644);

        QVERIFY(ran);
        const QByteArray log = readLog();
        QVERIFY2(log.startsWith("The command could not be started"), log.constData());
        QVERIFY(!log.contains("earlier"));
        QCOMPARE(m_opener.launcherCalls(), QStringList{ "/tmp/exec_log.txt" });
    }
};

FM_TEST_MAIN(tst_DeathDlg)
#include "tst_deathdlg.moc"
