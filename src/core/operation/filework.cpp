// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/filework.h"

#include "core/folder/targetfilesystem.h"
#include "core/folder/treewalk.h"
#include "core/names/filename.h"
#include "core/names/namecheck.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool sameEntry(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool sameType(mode_t a, mode_t b)
{
    return (a & S_IFMT) == (b & S_IFMT);
}

// Whether the folder at path holds, at any depth and without following links, the entry with
// the identity of target. This finds a destination that is a bind mount of a folder inside the
// source, which no path comparison can. Beyond TreeWalk::limit entries it gives up.
bool treeHolds(const QByteArray &path, const struct stat &target)
{
    bool found = false;
    int entries = 0;
    TreeWalk::walk(path, [&](QByteArrayView, const struct stat &info) {
        found = S_ISDIR(info.st_mode) && sameEntry(info, target);
        return found || ++entries > TreeWalk::limit ? TreeWalk::Stop : TreeWalk::Continue;
    });
    return found;
}

bool removeEntry(const QByteArray &path, QByteArray *why)
{
    if (::unlink(path.constData()) == 0 || errno == ENOENT)
        return true;
    if (why)
        *why = path + " could not be removed before it was replaced: " + std::strerror(errno);
    return false;
}

// A tree removed from the bottom up, links removed and never followed, and never one of its
// mounts entered.
bool removeTree(const QByteArray &path, QByteArray *why)
{
    bool removed = true;
    TreeWalk::walk(path,
                   [&](QByteArrayView entry, const struct stat &) {
                       if (::remove(entry.toByteArray().constData()) == 0)
                           return TreeWalk::Continue;
                       if (why)
                           *why = entry.toByteArray()
                                  + " could not be removed before it was replaced: "
                                  + std::strerror(errno);
                       removed = false;
                       return TreeWalk::Stop;
                   },
                   { nullptr, true, true });
    return removed;
}

// Whether every entry of the tree at `tree` stands in `within` too, of its type, a file there
// at least as large: so a piece that a copy left is all the source's, and what a move already
// took from its source is not.
bool holdsAll(const QByteArray &within, const QByteArray &tree)
{
    bool all = true;
    TreeWalk::walk(tree, [&](QByteArrayView path, const struct stat &info) {
        struct stat there;
        all = ::lstat((within + path.sliced(tree.size()).toByteArray()).constData(), &there) == 0
              && sameType(info.st_mode, there.st_mode)
              && (!S_ISREG(info.st_mode) || there.st_size >= info.st_size);
        return all ? TreeWalk::Continue : TreeWalk::Stop;
    });
    return all;
}

// Whether a copy's time is its source's, to what the file system there keeps: a card two
// seconds, others to the nanosecond where they keep those.
bool sameTime(const struct timespec &source, const struct timespec &copy, bool card)
{
    const qint64 apart = (qint64(source.tv_sec) - qint64(copy.tv_sec)) * 1000000000
                         + (source.tv_nsec - copy.tv_nsec);
    if (card)
        return apart <= 2000000000 && apart >= -2000000000;
    return source.tv_sec == copy.tv_sec && (source.tv_nsec == copy.tv_nsec || copy.tv_nsec == 0);
}

} // namespace

bool FileWork::entryAt(const QString &path, struct stat *info)
{
    return ::lstat(FileName::toBytes(path).constData(), info) == 0;
}

bool FileWork::sameEntry(const QString &a, const QString &b)
{
    struct stat first, second;
    return entryAt(a, &first) && entryAt(b, &second) && ::sameEntry(first, second);
}

bool FileWork::listsExactly(const QString &path)
{
    const QByteArray bytes = FileName::toBytes(path);
    const QByteArrayView name = FileName::lastPart(bytes);
    bool listed = false;
    if (DIR *folder = ::opendir(FileName::parentOf(bytes).constData())) {
        while (const dirent *entry = ::readdir(folder))
            listed = listed || name == entry->d_name;
        ::closedir(folder);
    }
    return listed;
}

QStringList FileWork::namesIn(const QString &folder)
{
    QStringList names;
    if (DIR *open = ::opendir(FileName::toBytes(folder).constData())) {
        while (const dirent *entry = ::readdir(open)) {
            const QByteArrayView name(entry->d_name);
            if (name != "." && name != "..")
                names << FileName::fromBytes(name);
        }
        ::closedir(open);
    }
    names.sort();
    return names;
}

QString FileWork::freeName(const QString &folder, const QString &name, bool isFolder)
{
    const TargetFileSystem target = TargetFileSystem::of(FileName::toBytes(folder));
    const qsizetype split = NameCheck::baseLength(name, isFolder);
    // An extension too long to leave room for a number is no extension.
    const bool keepsExtension = target.fits(QStringLiteral(" (99999)") + name.mid(split));
    const QString base = keepsExtension ? name.left(split) : name;
    const QString extension = keepsExtension ? name.mid(split) : QString();
    struct stat info;
    for (int n = 2;; ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n) + extension;
        QString shortened = base;
        while (!shortened.isEmpty() && !target.fits(shortened + suffix))
            NameCheck::chopCharacter(&shortened);
        const QString candidate = shortened + suffix;
        if (!entryAt(FileName::join(folder, candidate), &info))
            return candidate;
    }
}

bool FileWork::liesWithin(const QByteArray &path, const struct stat &entry)
{
    char *real = ::realpath(path.constData(), nullptr);
    if (!real)
        return false;
    QByteArray at(real);
    std::free(real);
    for (;;) {
        struct stat info;
        if (::stat(at.constData(), &info) == 0 && ::sameEntry(info, entry))
            return true;
        if (at == "/")
            return false;
        at = FileName::parentOf(at);
    }
}

bool FileWork::isWithin(const QString &folder, const QString &entryPath, const struct stat &entry)
{
    const QByteArray path = FileName::toBytes(folder);
    struct stat destination;
    if (::stat(path.constData(), &destination) != 0)
        return false;
    return liesWithin(path, entry) || treeHolds(FileName::toBytes(entryPath), destination);
}

bool FileWork::clearWay(const QString &source, const QString &destination, QByteArray *why)
{
    const QByteArray from = FileName::toBytes(source), to = FileName::toBytes(destination);
    struct stat entry, there;
    if (::lstat(from.constData(), &entry) != 0 || ::lstat(to.constData(), &there) != 0)
        return true;
    // Never the source itself, a folder that holds it, or a real folder for a link.
    if (::sameEntry(entry, there)
        || (S_ISDIR(there.st_mode)
            && (S_ISLNK(entry.st_mode) || liesWithin(FileName::parentOf(from), there)))) {
        if (why)
            *why = to
                   + " is not removed: it is or holds the source, or a link would take"
                     " the place of a folder";
        return false;
    }
    return S_ISDIR(there.st_mode) ? removeTree(to, why) : removeEntry(to, why);
}

bool FileWork::makeFolder(const QString &destination)
{
    const QByteArray to = FileName::toBytes(destination);
    struct stat there;
    return ::mkdir(to.constData(), 0700) == 0
           || (errno == EEXIST && ::lstat(to.constData(), &there) == 0 && S_ISDIR(there.st_mode));
}

bool FileWork::makeFoldersTo(const QString &path, const QByteArray &top, QByteArray *why)
{
    const QByteArray folder = FileName::parentOf(FileName::toBytes(path));
    const QByteArray below = top.isEmpty() || top == "/" ? QByteArray() : top;
    QByteArray at;
    for (const QByteArray &part : folder.split('/')) {
        if (part.isEmpty())
            continue;
        at += '/' + part;
        struct stat info;
        if (::lstat(at.constData(), &info) == 0) {
            const bool inTop = !top.isEmpty() && (below.isEmpty() || at.size() > below.size());
            if (S_ISDIR(info.st_mode)
                || (S_ISLNK(info.st_mode) && !inTop && ::stat(at.constData(), &info) == 0
                    && S_ISDIR(info.st_mode)))
                continue;
            *why = at + (S_ISLNK(info.st_mode) ? ": a link stands there" : ": not a folder");
            return false;
        }
        if (::mkdir(at.constData(), 0777) != 0 && errno != EEXIST) {
            *why = at + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

void FileWork::finishFolder(const QString &source, const QString &destination)
{
    const QByteArray to = FileName::toBytes(destination);
    struct stat from;
    if (::lstat(FileName::toBytes(source).constData(), &from) != 0)
        return;
    // As cp -a would leave it, where the file system keeps these at all.
    ::chmod(to.constData(), from.st_mode & 07777);
    const struct timespec times[2] = { from.st_atim, from.st_mtim };
    ::utimensat(AT_FDCWD, to.constData(), times, AT_SYMLINK_NOFOLLOW);
}

bool FileWork::removeIfEmpty(const QString &folder)
{
    return ::rmdir(FileName::toBytes(folder).constData()) == 0;
}

bool FileWork::removePiece(const QString &source, const QString &destination,
                           const EntryIdentity &before)
{
    const EntryIdentity there = EntryIdentity::of(destination);
    if (!there.exists || there == before || there == EntryIdentity::of(source)
        || !holdsAll(FileName::toBytes(source), FileName::toBytes(destination)))
        return false;
    return removeTree(FileName::toBytes(destination), nullptr);
}

bool FileWork::copyIsWhole(const QString &source, const QString &destination)
{
    const QByteArray from = FileName::toBytes(source), to = FileName::toBytes(destination);
    const EntryIdentity copy = EntryIdentity::of(to);
    if (!copy.exists || copy == EntryIdentity::of(from))
        return false;
    const bool card = TargetFileSystem::of(FileName::parentOf(to)).card;
    bool whole = true;
    const TreeWalk::Walked walked = TreeWalk::walk(from, [&](QByteArrayView path,
                                                             const struct stat &info) {
        const bool top = path.size() == from.size();
        struct stat there;
        whole = ::lstat((to + path.sliced(from.size()).toByteArray()).constData(), &there) == 0
                && sameType(info.st_mode, there.st_mode)
                && (!S_ISREG(info.st_mode)
                    || (there.st_size == info.st_size
                        && sameTime(info.st_mtim, there.st_mtim, card)))
                && (!top || !S_ISDIR(info.st_mode) || sameTime(info.st_mtim, there.st_mtim, card));
        return whole ? TreeWalk::Continue : TreeWalk::Stop;
    });
    return whole && walked.whole;
}
