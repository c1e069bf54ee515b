// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QVector>

// Where the user's trashes are, by the trash of freedesktop.org: the home trash
// ($XDG_DATA_HOME/Trash, else ~/.local/share/Trash), and at the top of a mount either
// $topdir/.Trash/$uid, where $topdir/.Trash is a real folder with the sticky bit, or
// $topdir/.Trash-$uid. It finds them; it makes none.
class TrashPlaces
{
public:
    struct Place
    {
        QByteArray trash; // the folder with files/ and info/ in it
        // What its infos' paths are relative to: the mount's top, or empty for the home trash.
        QByteArray top;
    };
    static QByteArray home();
    // The trashes that may serve the mount at top, in the order they are to be tried.
    static QVector<Place> at(const QByteArray &top);
    // Whether $top/.Trash is shared as the trash asks: a real folder (no link), sticky.
    static bool sharedIsSound(const QByteArray &top);
    // Every trash of this user that exists now: the home one, then those of each mount, each
    // once.
    static QVector<Place> all();
};
