// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <sys/types.h>
#include <utility>

// What the tests of every level share: folders and files made by bytes, output captured, a
// command put first on PATH, and acting as an unprivileged user. Qt Core only.

// The real executable's path, beside which the shipped catalogues are.
char *programPath();

// Runs a program found on PATH and waits for it: its exit status, or -1 when it did not start or
// end normally. Standard output goes to *output when given, else where this program's goes.
// Started as the program starts its commands, not by QProcess: under qemu-user, where the arm64
// build's tests run, QProcess starts nothing (Qt asks clone() for a pidfd, which qemu refuses).
int runProgram(const QString &program, const QStringList &arguments, QByteArray *output = nullptr);

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

// A tmpfs over the folder while it lives, where wanted: another file system, where this
// process may mount one (noMount says why not).
class Tmpfs
{
public:
    explicit Tmpfs(const QString &folder, bool wanted = true,
                   const QString &size = QStringLiteral("16m"));
    ~Tmpfs();
    bool mounted() const { return m_mounted; }

private:
    QString m_folder;
    bool m_mounted;
};
extern const char *const noMount;

// Makes a file (with optional content) and its folders.
bool makeFile(const QString &path, const QByteArray &content = QByteArray());
// A file's content, or "<missing>".
QByteArray readFile(const QString &path);
