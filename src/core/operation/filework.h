// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/folder/entryidentity.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

struct stat;

// What an operation does on the file system itself, without a command, and what it looks up
// there: the plan only plans, and the operation drives this. Everything is by path; nothing is
// ever done through a symbolic link or into a file system mounted below.
class FileWork
{
public:
    // Whether an entry stands at path, dangling symbolic links included (lstat), and which.
    static bool entryAt(const QString &path, struct stat *info);
    // Whether two paths name one entry (device and inode).
    static bool sameEntry(const QString &a, const QString &b);
    // Whether its folder lists the entry under exactly this name (where case is ignored, a path
    // finds an entry by any case of its name).
    static bool listsExactly(const QString &path);
    // The names in a folder, sorted, "." and ".." left out.
    static QStringList namesIn(const QString &folder);
    // The first name of the form "name (2).ext", "name (3).ext"... (for a folder "name (2)")
    // that nothing in folder has; the extension is what follows the last dot that does not begin
    // the name, or a known double one (".tar.gz"). The base is shortened, by whole characters,
    // until the name fits the folder's file system.
    static QString freeName(const QString &folder, const QString &name, bool isFolder);
    // Whether the folder at path is the entry itself or lies anywhere below it: walked up from
    // its real path, so that a way in through a symbolic link or a bind mount counts.
    static bool liesWithin(const QByteArray &path, const struct stat &entry);
    // Whether folder is the entry at entryPath itself or lies anywhere inside it, also where the
    // entry's own tree holds a way to it (a bind mount of a folder inside it).
    static bool isWithin(const QString &folder, const QString &entryPath, const struct stat &entry);

    // Where a replace may not keep what it replaces (there is no trash there, and the user
    // agreed): removes what stands at destination, whatever it is, so that the command that
    // follows writes into nothing (never through a link, into a pipe or a second name). Never the
    // source itself, a folder that holds it, or a real folder for a link: false then, with the
    // reason in *why, as when something could not be removed; the replace must not run.
    static bool clearWay(const QString &source, const QString &destination,
                         QByteArray *why = nullptr);
    // The folder of an entry that goes across entry by entry, made at its destination; and once
    // what it holds is across, given its source's permissions and times as cp -a would.
    static bool makeFolder(const QString &destination);
    // The folders that path lies in, made where they are missing. Below top (a trash's own file
    // system, where someone else may have put a link to lead a restore elsewhere) none of them
    // may be a link; above it, the user's own folders are as they are. False, with why, where a
    // link stands in the way or a folder cannot be made.
    static bool makeFoldersTo(const QString &path, const QByteArray &top, QByteArray *why);
    static void finishFolder(const QString &source, const QString &destination);
    // A move's source folder, emptied, goes.
    static bool removeIfEmpty(const QString &folder);
    // What a copy that failed, was stopped or was cut short by a kill left at its destination
    // goes (bottom up, never through a link or into a mount), where all of it is the source's:
    // never the source itself, never what stood there before the command (`before`), and never
    // a tree that holds anything the source does not (what a move already took from it).
    // Whether it went.
    static bool removePiece(const QString &source, const QString &destination,
                            const EntryIdentity &before);
    // Whether a copy at destination is whole: every entry of the source there, of its type, each
    // file of its size and time, the top folder of its time (cp sets a folder's times once all
    // it holds is there), and never the source itself.
    static bool copyIsWhole(const QString &source, const QString &destination);
};
