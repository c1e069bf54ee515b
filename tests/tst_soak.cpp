// SPDX-License-Identifier: GPL-3.0-or-later
// A long random run of operations on a tree of hostile names across two file systems, checked
// after every step: what the model says stands there, nothing lost (every file's bytes are in the
// tree or in a trash, unless a delete took them), a sentinel tree untouched, every trashed entry
// with its info, every history file read back, no command of ours left running.
//   SOAK_SEED replays a run; SOAK_SECONDS bounds it (10 by default).
#include "core/names/filename.h"
#include "core/operation/journalrecord.h"
#include "core/operation/operation.h"
#include "support/operationscript.h"
#include "support/testfiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// An entry as the checks compare it: its type ('d', 'f', 'l', 'p') and its bytes or link target.
struct Node
{
    char type;
    QByteArray data;
    bool operator==(const Node &other) const { return type == other.type && data == other.data; }
};
using Tree = std::map<QByteArray, Node>; // by path below the work folder

// By its bytes, relative to a folder open as at (a name that is not UTF-8 cannot pass through
// QFile, and a path deeper than PATH_MAX cannot be opened whole).
QByteArray bytesOf(const QByteArray &path, int at = AT_FDCWD)
{
    QByteArray bytes;
    const int fd = ::openat(at, path.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    char buffer[4096];
    for (ssize_t n; fd >= 0 && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, n);
    if (fd >= 0)
        ::close(fd);
    return bytes;
}

// Folder by folder through descriptors, so that no path is too long to walk.
void walk(int at, const QByteArray &relative, Tree *tree)
{
    const int fd = ::openat(at, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR *folder = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (!folder)
        return;
    while (const dirent *entry = ::readdir(folder)) {
        const QByteArray name(entry->d_name);
        // A trash at the top of the second file system is checked on its own.
        if (name == "." || name == ".." || name == ".Trash-0")
            continue;
        const QByteArray path = relative + '/' + name;
        struct stat info;
        if (::fstatat(at, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            (*tree)[path] = { 'd', {} };
            const int inner = ::openat(at, name.constData(),
                                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (inner >= 0) {
                walk(inner, path, tree);
                ::close(inner);
            }
        } else if (S_ISLNK(info.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlinkat(at, name.constData(), target, sizeof target);
            (*tree)[path] = { 'l', QByteArray(target, int(std::max<ssize_t>(n, 0))) };
        } else {
            (*tree)[path] = { S_ISREG(info.st_mode) ? 'f' : 'p',
                              S_ISREG(info.st_mode) ? bytesOf(name, at) : QByteArray() };
        }
    }
    ::closedir(folder);
}

// What stands in these folders of root, and in each folder below them.
Tree snapshot(const QByteArray &root, const QByteArrayList &tops)
{
    Tree tree;
    for (const QByteArray &top : tops) {
        tree[top] = { 'd', {} };
        const int fd = ::open((root + '/' + top).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            walk(fd, top, &tree);
            ::close(fd);
        }
    }
    return tree;
}

// The bytes of every file, counted: what no step but a delete may lessen.
std::map<QByteArray, int> contents(const Tree &tree)
{
    std::map<QByteArray, int> counted;
    for (const auto &[path, node] : tree) {
        if (node.type == 'f')
            ++counted[node.data];
    }
    return counted;
}

// One step, drawn before it runs; its entries are picked, at run time, by these numbers among
// what stands there then, so that a shorter list of steps still means something.
struct Step
{
    enum Kind {
        NewFolder,
        Rename,
        Delete,
        Copy,
        Move,
        Undo,
        Kill,
        Swapped, // a delete while another program puts another entry in a chosen one's place
        EmptyTrash, // as trash-empty does
        Count
    } kind;
    quint32 a, b, c, d;
};

const char *const kindNames[] = { "new folder", "rename", "delete",           "copy",
                                  "move",       "undo",   "killed operation", "delete with a swap",
                                  "empty trash" };

// Names no command may split, mistake for an option or take as a pattern.
QByteArray hostileName(QRandomGenerator &random)
{
    static const QByteArrayList parts
            = { "a b", "-rf",  "'q'", "\"dq\"", "$HOME", "x\ny", "caf\xe9",
                "*",   "%s%d", "..x", "é",      "\\",    "`id`", "name.txt" };
    if (random.bounded(40) == 0)
        return QByteArray(255, 'L');
    return parts[random.bounded(int(parts.size()))] + QByteArray::number(random.bounded(1000));
}

class Soak
{
public:
    Soak(quint64 seed, const QString &work)
        : m_seed(seed)
        , m_work(FileName::toBytes(work))
    {
    }

    // The tree made anew from the seed, on its two file systems; and taken down.
    void start();
    void finish();
    // One step on the tree as it stands, checked; false, with why, where a check fails.
    bool runStep(const Step &step, QString *why);
    // These steps from the start: the index of the first that fails, or -1.
    int run(const QList<Step> &steps, QString *why);

private:
    void makeTree(QRandomGenerator &random);
    QByteArrayList entriesIn(const QByteArray &folder) const;
    QByteArrayList foldersIn(const QByteArray &top) const;
    bool check(const Tree &before, const std::map<QByteArray, int> &deleted, const Tree *expected,
               const QByteArrayList &changing, QString *why);

    quint64 m_seed;
    QByteArray m_work;
    Tree m_sentinel;
    bool m_mounted = false;
};

void Soak::makeTree(QRandomGenerator &random)
{
    int made = 0;
    for (const char *top : { "a", "b" }) {
        QByteArrayList folders = { top };
        for (int i = 0; i < 120; ++i) {
            const QByteArray folder = folders[random.bounded(int(folders.size()))];
            const QByteArray path = m_work + '/' + folder + '/' + hostileName(random);
            struct stat there;
            if (::lstat(path.constData(), &there) == 0)
                continue; // a name drawn twice: a pipe there would hold the writer
            switch (random.bounded(8)) {
            case 0:
            case 1:
                if (folder.count('/') < 2 && !path.endsWith('L')
                    && ::mkdir(path.constData(), 0755) == 0)
                    folders << path.mid(m_work.size() + 1);
                break;
            case 2:
                ::symlink(random.bounded(2) ? "../a" : "/nowhere/at/all", path.constData());
                break;
            case 3:
                ::mkfifo(path.constData(), 0644);
                break;
            default:
                makeFileBytes(path, "file " + QByteArray::number(++made) + ' '
                                            + QByteArray::number(random.generate()));
            }
        }
    }
    QDir().mkpath(FileName::fromBytes(m_work + "/sentinel/inner"));
    for (int i = 0; i < 20; ++i)
        makeFileBytes(m_work + "/sentinel/" + (i % 2 ? "inner/" : "") + hostileName(random),
                      QByteArray::number(random.generate64()));
    m_sentinel = snapshot(m_work, { "sentinel" });
}

QByteArrayList Soak::entriesIn(const QByteArray &folder) const
{
    QByteArrayList names = entriesOf(m_work + '/' + folder);
    names.removeAll(".Trash-0");
    return names;
}

QByteArrayList Soak::foldersIn(const QByteArray &top) const
{
    QByteArrayList folders;
    for (const auto &[path, node] : snapshot(m_work, { top })) {
        if (node.type == 'd')
            folders << path;
    }
    return folders;
}

void Soak::start()
{
    QRandomGenerator random(m_seed);
    runProgram("rm", { "-rf", FileName::fromBytes(m_work) });
    for (const char *folder : { "a", "b", "data", "state" })
        QDir().mkpath(FileName::fromBytes(m_work + '/' + folder));
    // The second file system: a tmpfs, where this process may mount one.
    m_mounted = runProgram("mount", { "-t", "tmpfs", "-o", "size=64m", "tmpfs",
                                      FileName::fromBytes(m_work + "/b") })
                == 0;
    makeTree(random);
}

void Soak::finish()
{
    if (m_mounted)
        runProgram("umount", { "-l", FileName::fromBytes(m_work + "/b") });
    m_mounted = false;
}

int Soak::run(const QList<Step> &steps, QString *why)
{
    start();
    int failed = -1;
    for (int i = 0; i < steps.size() && failed < 0; ++i) {
        if (!runStep(steps[i], why))
            failed = i;
    }
    finish();
    return failed;
}

bool Soak::runStep(const Step &step, QString *why)
{
    if (qEnvironmentVariableIsSet("SOAK_VERBOSE"))
        std::fprintf(stderr, "step: %s\n", kindNames[step.kind]);
    const Tree before = snapshot(m_work, { "a", "b" });
    QRandomGenerator random(step.a ^ step.b);
    const QByteArray top = step.a % 2 ? "b" : "a";
    const QByteArrayList folders = foldersIn(top);
    const QByteArray folder = folders[int(step.b % quint32(folders.size()))];
    const QByteArrayList names = entriesIn(folder);
    QStringList picked;
    for (const QByteArray &name : names) {
        if (random.bounded(3) == 0)
            picked << FileName::fromBytes(name);
    }
    const QString from = FileName::fromBytes(m_work + '/' + folder);
    ScriptedAsker asker;
    asker.choice = OperationPlan::Resolution(step.c % 4);
    for (int i = 0; i < 8; ++i)
        asker.decisions << random.bounded(2);
    asker.takeBack = step.d % 2;
    ShellRunner runner;
    // A stop now and then, after some commands.
    if (step.d % 5 == 0)
        runner.stopAfter = int(step.d / 5 % 4);
    Journal journal(FileName::fromBytes(m_work + "/state"));
    Operation operation(asker, runner, journal);
    std::map<QByteArray, int> deleted;
    Tree expected = before;
    bool exact = false;
    // Where this step may change anything at all (empty: anywhere).
    QByteArrayList changing;
    const QByteArray otherTop = step.c % 3 ? top : (top == "a" ? "b" : "a");
    const QByteArrayList targets = foldersIn(otherTop);
    const QByteArray target = targets[int(step.d % quint32(targets.size()))];
    const auto plan = [&](OperationPlan::Kind kind) {
        return OperationPlan::multiple(kind, from, picked,
                                       FileName::fromBytes(m_work + '/' + target));
    };
    switch (step.kind) {
    case Step::NewFolder: {
        const QByteArray name = hostileName(random);
        asker.typedNames << FileName::fromBytes(name);
        operation.createFolder(from);
        // A name the folder check refuses makes nothing; either way nothing else changes.
        exact = true;
        struct stat made;
        if (::lstat(m_work + '/' + folder + '/' + name, &made) == 0 && S_ISDIR(made.st_mode))
            expected[folder + '/' + name] = { 'd', {} };
        break;
    }
    case Step::Rename:
        if (names.isEmpty())
            return true;
        asker.typedNames << FileName::fromBytes(hostileName(random));
        operation.rename(FileName::fromBytes(m_work + '/' + folder + '/' + names.first()));
        changing << folder + '/';
        break;
    case Step::Delete:
        operation.run(OperationPlan::multiple(OperationPlan::Delete, from, picked, QString()));
        for (const QString &name : std::as_const(picked)) {
            const QByteArray gone = folder + '/' + FileName::toBytes(name);
            // The entry and all below it, which do not follow it in order: "name (2)" sorts
            // between them, its blank before the "/".
            for (auto at = expected.begin(); at != expected.end();) {
                if (at->first != gone && !at->first.startsWith(gone + '/')) {
                    ++at;
                    continue;
                }
                if (at->second.type == 'f')
                    ++deleted[at->second.data];
                at = expected.erase(at);
            }
        }
        exact = runner.stopAfter < 0;
        break;
    case Step::Copy:
    case Step::Move:
        // Never into what it moves.
        for (const QString &name : std::as_const(picked)) {
            const QByteArray source = folder + '/' + FileName::toBytes(name);
            if (target == source || target.startsWith(source + '/'))
                return true;
        }
        operation.run(plan(step.kind == Step::Copy ? OperationPlan::Copy : OperationPlan::Move));
        // A copy changes nothing but its destination; a move, its sources too.
        changing << target + '/';
        for (const QString &name : std::as_const(picked)) {
            if (step.kind == Step::Move)
                changing << folder + '/' + FileName::toBytes(name);
        }
        break;
    case Step::Undo:
        operation.undo();
        break;
    case Step::Kill: {
        // A move cut short at a random moment; the next start reports it.
        const pid_t child = ::fork();
        if (child == 0) {
            ::setpgid(0, 0);
            Journal own(FileName::fromBytes(m_work + "/state"));
            ShellRunner its;
            Operation(asker, its, own).run(plan(OperationPlan::Move));
            ::_exit(0);
        }
        ::usleep(useconds_t(step.d % 40000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        Journal again(FileName::fromBytes(m_work + "/state"));
        Operation(asker, runner, again).reportInterrupted();
        break;
    }
    case Step::Swapped: {
        // The first entry chosen goes aside under a new name, another takes its place: a delete
        // touches neither, and removes the rest of those chosen.
        const auto other = std::find_if(names.begin(), names.end(), [&](const QByteArray &name) {
            return !picked.contains(FileName::fromBytes(name));
        });
        if (picked.isEmpty() || other == names.end())
            return true;
        const QByteArray victim = folder + '/' + FileName::toBytes(picked.first());
        const QByteArray took = folder + '/' + *other;
        QByteArray aside = folder + "/aside";
        struct stat free;
        while (::lstat(m_work + '/' + aside, &free) == 0)
            aside += '+';
        bool swapped = false;
        asker.whileAsked = [&] {
            swapped = ::rename(m_work + '/' + victim, m_work + '/' + aside) == 0
                      && ::rename(m_work + '/' + took, m_work + '/' + victim) == 0;
        };
        operation.run(OperationPlan::multiple(OperationPlan::Delete, from, picked, QString()));
        // The model: both renames, then the other entries chosen gone.
        if (!swapped) {
            *why = QStringLiteral("the swap could not be made");
            return false;
        }
        Tree moved;
        for (auto &[path, node] : expected) {
            const auto renamed = [&](const QByteArray &from, const QByteArray &to) {
                return path == from || path.startsWith(from + '/') ? to + path.mid(from.size())
                                                                   : QByteArray();
            };
            QByteArray to = renamed(victim, aside);
            if (to.isEmpty())
                to = renamed(took, victim);
            moved[to.isEmpty() ? path : to] = node;
        }
        expected.swap(moved);
        for (const QString &name : std::as_const(picked).mid(1)) {
            const QByteArray gone = folder + '/' + FileName::toBytes(name);
            for (auto at = expected.begin(); at != expected.end();) {
                const bool below = at->first == gone || at->first.startsWith(gone + '/');
                if (below && at->second.type == 'f')
                    ++deleted[at->second.data];
                at = below ? expected.erase(at) : std::next(at);
            }
        }
        exact = runner.stopAfter < 0;
        break;
    }
    case Step::EmptyTrash:
        for (const QByteArray &trash : { m_work + "/data/Trash", m_work + "/b/.Trash-0" })
            runProgram("rm", { "-rf", FileName::fromBytes(trash + "/files"),
                               FileName::fromBytes(trash + "/info") });
        exact = true;
        break;
    case Step::Count:
        break;
    }
    if (qEnvironmentVariableIsSet("SOAK_VERBOSE")) {
        for (const QByteArray &command : std::as_const(runner.commands))
            std::fprintf(stderr, "  ran: %s\n", command.constData());
    }
    if (step.kind == Step::Undo || step.kind == Step::Kill)
        changing.clear();
    else if (changing.isEmpty() && !exact)
        changing << folder + '/';
    return check(before, deleted, exact ? &expected : nullptr, changing, why);
}

bool Soak::check(const Tree &before, const std::map<QByteArray, int> &deleted, const Tree *expected,
                 const QByteArrayList &changing, QString *why)
{
    const Tree after = snapshot(m_work, { "a", "b" });
    const auto fail = [why](const QString &what) {
        *why = what;
        return false;
    };
    if (expected && after != *expected) {
        const auto [one, other]
                = std::mismatch(after.begin(), after.end(), expected->begin(), expected->end());
        const bool extra
                = one != after.end() && (other == expected->end() || one->first < other->first);
        const QByteArray path = extra || other == expected->end() ? one->first : other->first;
        return fail("the tree is not what the model says, at " + FileName::fromBytes(path)
                    + (extra ? " (not in the model)" : " (not there, or otherwise)"));
    }
    const auto mayChange = [&](const QByteArray &path) {
        return std::any_of(changing.begin(), changing.end(), [&](const QByteArray &prefix) {
            return path == prefix || path.startsWith(prefix.endsWith('/') ? prefix : prefix + '/')
                   || (prefix.endsWith('/') && path == prefix.chopped(1));
        });
    };
    if (!expected && !changing.isEmpty()) {
        for (const Tree *one : { &before, &after }) {
            for (const auto &[path, node] : *one) {
                const Tree &other = one == &before ? after : before;
                const auto there = other.find(path);
                if (!mayChange(path) && (there == other.end() || !(there->second == node)))
                    return fail("changed outside what the step works on: "
                                + FileName::fromBytes(path));
            }
        }
    }
    if (snapshot(m_work, { "sentinel" }) != m_sentinel)
        return fail(QStringLiteral("the sentinel tree changed"));
    // Every trashed entry with its info; their files count as kept.
    for (const QByteArray &trash : { m_work + "/data/Trash", m_work + "/b/.Trash-0" }) {
        for (const QByteArray &name : entriesOf(trash + "/files")) {
            struct stat info;
            if (::lstat(trash + "/info/" + name + ".trashinfo", &info) != 0)
                return fail("no info for " + FileName::fromBytes(trash + "/files/" + name));
        }
    }
    Tree kept = snapshot(m_work, { "data/Trash/files", "b/.Trash-0/files" });
    kept.insert(after.begin(), after.end());
    const std::map<QByteArray, int> now = contents(kept);
    for (const auto &[bytes, count] : contents(before)) {
        const auto there = now.find(bytes);
        // Taking back removes the copies that an operation made: one of each must stay.
        int left = count - (deleted.count(bytes) ? deleted.at(bytes) : 0);
        if (changing.isEmpty())
            left = std::min(left, 1);
        if (left > 0 && (there == now.end() || there->second < left)) {
            QByteArray where;
            for (const auto &[path, node] : before) {
                if (node.type == 'f' && node.data == bytes)
                    where += ' ' + path;
            }
            return fail("lost a file holding \"" + QString::fromLatin1(bytes.left(40))
                        + "\", which stood at" + FileName::fromBytes(where));
        }
    }
    // The history files (a "N.new" that a kill left is the next operation's, made anew then).
    for (const QByteArray &name : entriesOf(m_work + "/state")) {
        if (!name.contains('.') && !JournalRecord::read(bytesOf(m_work + "/state/" + name)))
            return fail("history file " + FileName::fromBytes(name) + " does not read back");
    }
    // No command of ours outlives its step: none names the work folder.
    for (const QString &pid : QDir("/proc").entryList(QDir::Dirs)) {
        if (pid.toInt() > 0 && pid.toInt() != ::getpid()
            && bytesOf(QFile::encodeName("/proc/" + pid + "/cmdline")).contains(m_work))
            return fail("a command is still running: " + pid);
    }
    return true;
}

} // namespace

class tst_Soak : public QObject
{
    Q_OBJECT

private slots:
    void nothingIsLost();
};

void tst_Soak::nothingIsLost()
{
    const quint64 seed = qEnvironmentVariableIsSet("SOAK_SEED")
                                 ? qgetenv("SOAK_SEED").toULongLong()
                                 : QRandomGenerator::system()->generate64();
    const int seconds = qEnvironmentVariableIsSet("SOAK_SECONDS")
                                ? qEnvironmentVariableIntValue("SOAK_SECONDS")
                                : 10;
    std::printf("soak seed %llu, %d s\n", static_cast<unsigned long long>(seed), seconds);
    TestFolder folder;
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder / "work/data"));
    Soak soak(seed, folder / "work");
    QRandomGenerator random(seed);
    QList<Step> steps;
    QString why;
    QElapsedTimer clock;
    clock.start();
    int failed = -1;
    // Steps are drawn in turn; the whole run is replayed only on a failure, to shorten it.
    soak.start();
    while (clock.elapsed() < seconds * 1000 && failed < 0) {
        steps << Step{ Step::Kind(random.bounded(int(Step::Count))), random.generate(),
                       random.generate(), random.generate(), random.generate() };
        if (!soak.runStep(steps.last(), &why))
            failed = int(steps.size() - 1);
    }
    soak.finish();
    std::printf("soak: %lld steps in %lld s\n", static_cast<long long>(steps.size()),
                static_cast<long long>(clock.elapsed() / 1000));
    if (failed < 0)
        return;
    // Shortened while it still fails, within two minutes: first what came after the failing
    // step, then runs of steps ever shorter.
    steps = steps.mid(0, failed + 1);
    clock.restart();
    for (qsizetype run = steps.size() / 2; run >= 1 && clock.elapsed() < 120000; run /= 2) {
        for (qsizetype i = 0; i < steps.size() && clock.elapsed() < 120000;) {
            QList<Step> shorter = steps;
            shorter.remove(i, std::min(run, steps.size() - i));
            QString shorterWhy;
            const int at = soak.run(shorter, &shorterWhy);
            if (at >= 0) {
                steps = shorter.mid(0, at + 1);
                why = shorterWhy;
            } else {
                i += run;
            }
        }
    }
    QString list;
    for (const Step &step : std::as_const(steps))
        list += QStringLiteral("\n  %1 (%2 %3 %4 %5)")
                        .arg(kindNames[step.kind])
                        .arg(step.a)
                        .arg(step.b)
                        .arg(step.c)
                        .arg(step.d);
    QFAIL(qPrintable(QStringLiteral("seed %1: %2; the shortest list of steps that fails:%3")
                             .arg(seed)
                             .arg(why, list)));
}

QTEST_GUILESS_MAIN(tst_Soak)
#include "tst_soak.moc"
