// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/folder/trashinfo.h"
#include "core/folder/trashplaces.h"

#include <QByteArray>
#include <QVector>

#include <sys/types.h>

// What the user's trashes hold, as the trash view lists it: one entry for each entry in a
// files/ folder, with where it came from (its info), newest first, then by name. An info
// without its entry is not listed; an entry without an info, or with one that names no origin
// that may be taken, is listed with its origin unknown, and why. An info that is no info (a link,
// a pipe, too large, not "[Trash Info]") counts as none.
class TrashContents
{
public:
    struct Entry
    {
        int place = 0; // in places()
        QByteArray name; // in files/ (and NAME.trashinfo in info/)
        TrashInfo::Origin origin = TrashInfo::NoInfo;
        QByteArray original; // where it stood, when known
        qint64 deleted = 0; // YYYYMMDDhhmmss, local time; 0 unknown
        mode_t mode = 0; // its lstat
        qint64 bytes = 0; // its own, or its tree's regular files'
        // The name it is shown by: the last part of where it stood, else its name in the trash.
        QByteArray shown;
    };

    // Reads them all; the trashes are those of TrashPlaces::all() unless given.
    void read();
    void read(const QVector<TrashPlaces::Place> &places);

    const QVector<TrashPlaces::Place> &places() const { return m_places; }
    int count() const { return int(m_entries.size()); }
    const Entry &entry(int row) const { return m_entries[row]; }
    qint64 bytes() const { return m_bytes; }
    // The entry in its trash, and its info (which may not be there).
    QByteArray trashedPath(int row) const;
    QByteArray infoPath(int row) const;

private:
    void readPlace(int place);

    QVector<TrashPlaces::Place> m_places;
    QVector<Entry> m_entries;
    qint64 m_bytes = 0;
};
