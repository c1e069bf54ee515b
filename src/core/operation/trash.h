// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The freedesktop.org trash of the file system that holds an entry: where a replace puts what it
// would otherwise remove, so that the desktop's trash lists it and can restore it, and undo can
// put it back. An entry reaches it by a rename within its own file system, never a copy.
class Trash
{
public:
    // The trash for the entries of folder: the home trash ($XDG_DATA_HOME/Trash, else
    // ~/.local/share/Trash) when folder is on its file system; otherwise the one at the top of
    // folder's mount: $topdir/.Trash/$uid where $topdir/.Trash is a real folder with the sticky
    // bit, else $topdir/.Trash-$uid, made with mode 0700 when missing. Empty when no trash can be
    // had there (read-only, no permission, a link or a file where a folder should be).
    static QString forEntriesOf(const QString &folder);
    // Whether what a replace removes in folder can be kept in the trash there: the trash can be
    // had, and an info written and flushed in it (a full file system cannot). Where not, why (the
    // file system's own reason where it gave one), and no trash folder that this made is left.
    static bool canKeep(const QString &folder, QByteArray *why);

    struct Put
    {
        QString original; // where the entry stood
        QString trashed; // files/NAME
        QString info; // info/NAME.trashinfo
        QByteArray command; // `mv -T "%s" "%s"`: original to trashed
    };
    // Writes and flushes info/NAME.trashinfo for the entry at path (NAME unique in that trash),
    // and gives the command that then moves the entry to files/NAME. Nothing when no trash can be
    // had for it, its info cannot be written or the command would not fit: why, then.
    static std::optional<Put> prepare(const QString &path, QByteArray *why = nullptr);
    // The same for several entries of one folder that go to the trash by one command, their
    // infos flushed together: those that can go under their own names, in order, with the
    // command (`cd "%s" && mv -t "%s" -- "%s"...`, within the runner's limit) that moves the
    // first of them, as many as fit. Empty when none can.
    struct Batch
    {
        QList<Put> puts;
        QByteArray command;
    };
    static Batch prepare(const QString &folder, const QStringList &names);

    // The trashinfo of an entry whose move did not happen goes, or that of one taken back.
    static void forget(const QString &info);
    // An entry back from the trash to where it stood, by a rename that never replaces anything,
    // and its info gone: false, and all as it was, where that place is taken.
    static bool putBack(const Put &put);

private:
    static std::optional<Put> prepare(const QString &path, bool flush, bool ownName,
                                      QByteArray *why);
};
