// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

class TrashContents;

// The freedesktop.org trash of the file system that holds an entry: where a replace puts what it
// would otherwise remove, and where the user moves entries, so that the desktop's trash lists it
// and can restore it, and undo can put it back. An entry reaches it by a rename within its own
// file system, never a copy.
class Trash
{
public:
    // An entry in a trash, as the trash view lists it.
    struct Item
    {
        QString trashed; // files/NAME
        QString info; // info/NAME.trashinfo
        QString original; // where it stood; empty where that is not known
        QByteArray top; // what the trash serves (TrashPlaces::Place::top)
        int origin = 0; // a TrashInfo::Origin
        QString shown; // the name the view shows it by
        qint64 bytes = 0;
    };
    // The entries of the trash that serves the file system of folder, where one is there now;
    // none is made.
    static QVector<Item> itemsFor(const QString &folder);
    static Item itemOf(const TrashContents &contents, int row);
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
    // infos flushed together: those of the first names that can go under their own names, in
    // order, as many as the command (`cd "%s" && mv -t "%s" -- "%s"...`, within the runner's
    // limit) holds. taken says how many names were gone through: those of them not in the
    // batch cannot go so (no trash, or their name is taken there). Empty when none can.
    struct Batch
    {
        QList<Put> puts;
        QByteArray command;
    };
    // Where flush is false, the infos are left for one flushInfos() of many batches.
    static Batch prepare(const QString &folder, const QStringList &names, int *taken = nullptr,
                         bool flush = true);
    // What was written in the info folder of a trash is on the disk.
    static bool flushInfos(const QString &infoFolder);

    // The trashinfo of an entry whose move did not happen goes, or that of one taken back.
    static void forget(const QString &info);
    // The info of the entry at files/NAME: info/NAME.trashinfo.
    static QString infoOf(const QString &trashed);
    // An entry back from the trash to where it stood, by a rename that never replaces anything,
    // and its info gone: false, and all as it was, where that place is taken.
    static bool putBack(const Put &put);

private:
    static std::optional<Put> prepare(const QString &path, bool flush, bool ownName,
                                      QByteArray *why);
};
