// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

struct stat;

// What the details of an entry show: its type (a link with where it points), its size (a
// folder's: all it holds, counted without following links), its last change, its permissions as
// `rwxr-xr-x` with owner and group, and the free and total space of its file system.
struct EntryDetails
{
    enum Type { Missing, Folder, File, Link, Other };

    Type type = Missing;
    QString linkTarget; // for a link
    qint64 size = 0;
    // False when the count of a folder missed something: a folder it could not read, or a stop.
    bool sizeComplete = true;
    QDateTime changed;
    QString permissions; // "rwxr-xr-x"
    QString owner, group;
    qint64 freeBytes = -1, totalBytes = -1;

    // What a row of the listing is, at the cost of an lstat (and a readlink): the type, a link's
    // target and a file's size; and, where given, what lstat said.
    static EntryDetails brief(const QString &path, struct stat *info = nullptr);
    // keepGoing, asked every few hundred entries of a folder, may stop its count.
    static EntryDetails of(const QString &path, const std::function<bool()> &keepGoing = nullptr);
    static QString permissionsText(unsigned mode);
};
