#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <sys/types.h>
#include <utility>

// The command line that the next fileDialog reads from the application object. The program path
// is the real executable's, so that the shipped catalogue is found beside it.
void setCommandLine(const QStringList &arguments);
char *programPath();

// A command of the given name, first on PATH while it lives: a shell script in a folder of its own.
class CommandOnPath
{
public:
    CommandOnPath(const QString &name, const QByteArray &script);
    ~CommandOnPath();
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

// A fake xdg-open, first on PATH, that writes each path it is handed to a file, one per line;
// the launcher's own calls are recorded as well, as the caller handed them over.
class RecordingOpener
{
public:
    RecordingOpener();
    ~RecordingOpener();
    QStringList opened() const; // what reached xdg-open
    QByteArrayList openedBytes() const; // the same, byte for byte
    QStringList launcherCalls() const; // what reached the launcher
    QByteArrayList logsWhenOpened() const; // each opened file's content when it was handed over
    void clear();

private:
    CommandOnPath m_opener;
    QStringList *m_calls;
    QByteArrayList *m_logs;
};

// Collects what the program writes to a file descriptor (1 or 2) until finish().
class OutputCapture
{
public:
    explicit OutputCapture(int fd);
    ~OutputCapture();
    QByteArray finish();

private:
    int m_fd;
    int m_saved = -1;
    QString m_path;
    QTemporaryDir m_dir;
};

// Answers the modal questions, notices and text entries of the code under test, the way a user
// does: with the soft keys and by typing. Each dialog it sees is recorded with its title and text.
// A dialog with no answer left is cancelled and recorded as unexpected.
class DialogAnswerer : public QObject
{
    Q_OBJECT
public:
    struct Seen
    {
        QString kind; // "question", "notice", "entry" or "runner"
        QString title;
        QString text;
        QString offered; // for a text entry: the text it offered, selected
    };
    enum Action { Yes, No };

    DialogAnswerer();
    // Queue the answer to the next dialog: Yes (left key) or No (right key); for a text entry,
    // the text to type first.
    DialogAnswerer &answer(Action action, const QString &typed = QString());
    QList<Seen> seen; // the dialogs, answered
    QList<Seen> runners; // the command runners, which close by themselves
    int unexpected = 0;
    int pending() const { return int(m_answers.size()); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void poll();
    struct Planned
    {
        Action action;
        QString typed;
    };
    QList<Planned> m_answers;
    QTimer m_timer;
};

// Root ignores permission bits, so what an unprivileged user meets is tried as "nobody":
// canBecomeNobody() tells whether this process can; asNobody() runs the action with real and
// effective user nobody (the saved user stays root, to come back) and returns whether it ran.
bool canBecomeNobody();
bool asNobody(const std::function<void()> &action);

// A temporary folder for one test, which is also the working directory while it lives: whatever
// a faulty command makes "here" lands inside it and is removed with it, so a fault shows once,
// in the test that has it.
class TestFolder
{
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder &) = delete;
    TestFolder &operator=(const TestFolder &) = delete;

    QString path() const { return m_dir.path(); }
    QString operator/(const QString &relative) const { return path() + u'/' + relative; }
    // Folders (with their parents), and files with their content, relative to the folder.
    bool makeDirs(const QStringList &relatives) const;
    bool makeFiles(const QList<std::pair<QString, QByteArray>> &files) const;

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};

// The entries of a folder by their bytes, sorted bytewise; and a file made by its bytes (names
// that are not UTF-8 cannot pass through QFile).
QByteArrayList entriesOf(const QByteArray &folder);
bool makeFileBytes(const QByteArray &path, const QByteArray &content = QByteArray());

// The processes of a process group that have not ended (zombies, which nobody here may reap, do
// not count).
int livingMembersOf(pid_t group);

// A command of the given name, first on PATH while it lives, that waits a while and then runs
// the real one: a slow copy or move for the runner's tests.
class SlowCommand : public CommandOnPath
{
public:
    SlowCommand(const QString &name, double seconds);
};

// Makes a file (with optional content) and its folders.
bool makeFile(const QString &path, const QByteArray &content = QByteArray());
// A file's content, or "<missing>".
QByteArray readFile(const QString &path);

class fileDialog;

// Owns the window under test: a new one per start(), with the given command line, deleted by
// finish(), which also checks that no dialog or other top-level window was left behind.
class WindowFixture
{
public:
    ~WindowFixture();
    fileDialog &start(const QStringList &arguments);
    fileDialog &start(const QString &folder) { return start(QStringList{ folder }); }
    bool finish();

private:
    fileDialog *m_window = nullptr;
};

// The names in the window's rows, in order, and the row of one name (-1 when not listed).
QStringList rows(const fileDialog &window);
int rowOf(const fileDialog &window, const QString &name);
