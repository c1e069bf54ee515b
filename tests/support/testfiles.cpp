// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/testfiles.h"

#include "core/shell/shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

char *programPath()
{
    static QByteArray path = QByteArray(FM_BUILD_DIR) + "/filemanager";
    return path.data();
}

int runProgram(const QString &program, const QStringList &arguments, QByteArray *output)
{
    QByteArrayList words = { QFile::encodeName(program) };
    for (const QString &argument : arguments)
        words << QFile::encodeName(argument);
    QTemporaryFile file;
    Shell::Options options;
    if (output && file.open())
        options.outputFd = file.handle();
    int error = 0;
    const pid_t pid = Shell::start(output ? "exec \"$0\" \"$@\" 2>/dev/null" : "exec \"$0\" \"$@\"",
                                   words, options, &error);
    const int status = pid < 0 ? -1 : Shell::waitFor(pid);
    // The shell wrote through the same open file, so its end is where this one stands now.
    if (output && file.seek(0))
        *output = file.readAll();
    return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

CommandOnPath::CommandOnPath(const QString &name, const QByteArray &script)
{
    QFile file(m_dir.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n" + script);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(m_dir.path()) + ':' + m_oldPath);
}

CommandOnPath::~CommandOnPath()
{
    qputenv("PATH", m_oldPath);
}

OutputCapture::OutputCapture(int fd)
    : m_fd(fd)
{
    std::fflush(fd == 1 ? stdout : stderr);
    m_path = m_dir.filePath(QStringLiteral("output"));
    const int file
            = ::open(QFile::encodeName(m_path).constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    m_saved = ::dup(fd);
    ::dup2(file, fd);
    ::close(file);
}

// Left unfinished, a test ended early, by a failure that QtTest reported into the capture:
// what was caught goes where it was meant to, so that the failure says why.
OutputCapture::~OutputCapture()
{
    if (m_saved < 0)
        return;
    const QByteArray caught = finish();
    const int fd = m_fd;
    for (qsizetype written = 0; written < caught.size();) {
        const ssize_t now
                = ::write(fd, caught.constData() + written, size_t(caught.size() - written));
        if (now <= 0)
            break;
        written += now;
    }
}

QByteArray OutputCapture::finish()
{
    if (m_saved < 0)
        return QByteArray();
    std::fflush(m_fd == 1 ? stdout : stderr);
    ::dup2(m_saved, m_fd);
    ::close(m_saved);
    m_saved = -1;
    QFile file(m_path);
    file.open(QIODevice::ReadOnly);
    // QtTest reports Qt's warnings on standard output too; they are not the program's output.
    // (Its failure reports are, for the destructor to pass on.)
    QByteArray program;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.startsWith("QWARN  : ") && !line.startsWith("QDEBUG : ")
            && !line.startsWith("QINFO  : "))
            program += line + '\n';
    }
    program.chop(1);
    return program;
}

// Root of this namespace, and nobody a user it knows: in a user namespace made for the tests
// only this user is mapped, and nobody cannot be become.
bool canBecomeNobody()
{
    const passwd *nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || !nobody)
        return false;
    QFile map(QStringLiteral("/proc/self/uid_map"));
    if (!map.open(QIODevice::ReadOnly))
        return true;
    for (const QByteArray &line : map.readAll().split('\n')) {
        const QList<QByteArray> range = line.simplified().split(' ');
        if (range.size() == 3 && nobody->pw_uid >= range[0].toULongLong()
            && nobody->pw_uid - range[0].toULongLong() < range[2].toULongLong())
            return true;
    }
    return false;
}

bool asNobody(const std::function<void()> &action)
{
    const passwd *nobody = canBecomeNobody() ? ::getpwnam("nobody") : nullptr;
    if (!nobody || ::setresuid(nobody->pw_uid, nobody->pw_uid, 0) != 0)
        return false;
    action();
    return ::setresuid(0, 0, 0) == 0;
}

TestFolder::TestFolder()
{
    m_dir.setAutoRemove(false); // removed by bytes below
    char *previous = ::getcwd(nullptr, 0);
    m_previous = previous ? QByteArray(previous) : QByteArray("/");
    std::free(previous);
    if (!m_dir.isValid() || ::chdir(QFile::encodeName(m_dir.path()).constData()) != 0)
        qFatal("cannot enter a temporary folder");
}

TestFolder::~TestFolder()
{
    if (::chdir(m_previous.constData()) != 0 && ::chdir("/") != 0)
        qWarning("cannot leave the temporary folder");
    // By bytes: QDir cannot remove names that are not UTF-8.
    ::nftw(
            QFile::encodeName(m_dir.path()).constData(),
            [](const char *path, const struct stat *, int, FTW *) { return ::remove(path); }, 16,
            FTW_DEPTH | FTW_PHYS);
}

bool TestFolder::makeDirs(const QStringList &relatives) const
{
    for (const QString &relative : relatives) {
        if (!QDir().mkpath(*this / relative))
            return false;
    }
    return true;
}

bool TestFolder::makeFiles(const QList<std::pair<QString, QByteArray>> &files) const
{
    for (const auto &[relative, content] : files) {
        if (!makeFile(*this / relative, content))
            return false;
    }
    return true;
}

QByteArrayList entriesOf(const QByteArray &folder)
{
    QByteArrayList names;
    if (DIR *dir = ::opendir(folder.constData())) {
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names << name;
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool makeFileBytes(const QByteArray &path, const QByteArray &content)
{
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, content.constData(), size_t(content.size())) == content.size();
    return ::close(fd) == 0 && written;
}

int livingMembersOf(pid_t group)
{
    int living = 0;
    QDir proc(QStringLiteral("/proc"));
    for (const QString &entry : proc.entryList(QDir::Dirs)) {
        bool isPid = false;
        entry.toInt(&isPid);
        if (!isPid)
            continue;
        // pid (comm) state ppid pgrp ...: the command's name may hold blanks and parentheses.
        const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(entry));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields[0] != "Z" && fields[2].toInt() == group)
            ++living;
    }
    return living;
}

SlowCommand::SlowCommand(const QString &name, double seconds)
    : CommandOnPath(name, "sleep " + QByteArray::number(seconds) + "\nexec "
                                  + QFile::encodeName(QStandardPaths::findExecutable(name))
                                  + " \"$@\"\n")
{
}

bool makeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    return file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

Tmpfs::Tmpfs(const QString &folder, bool wanted, const QString &size)
    : m_folder(folder)
    , m_mounted(wanted
                && runProgram("mount", { "-t", "tmpfs", "-o", "size=" + size, "tmpfs", folder })
                           == 0)
{
}

Tmpfs::~Tmpfs()
{
    if (m_mounted)
        runProgram("umount", { m_folder });
}

const char *const noMount = "no file system can be mounted here (root, or a user namespace, "
                            "is needed)";
