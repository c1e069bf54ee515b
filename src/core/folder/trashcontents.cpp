// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/trashcontents.h"

#include "core/folder/treewalk.h"
#include "core/names/filename.h"

#include <QHash>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The names in a folder, without "." and "..".
QByteArrayList namesIn(int folderFd)
{
    QByteArrayList names;
    const int own = ::dup(folderFd);
    DIR *folder = own >= 0 ? ::fdopendir(own) : nullptr;
    if (!folder) {
        if (own >= 0)
            ::close(own);
        return names;
    }
    while (const dirent *entry = ::readdir(folder)) {
        const QByteArrayView name(entry->d_name);
        if (name != "." && name != "..")
            names.append(name.toByteArray());
    }
    ::closedir(folder);
    return names;
}

} // namespace

void TrashContents::read()
{
    read(TrashPlaces::all());
}

void TrashContents::read(const QVector<TrashPlaces::Place> &places)
{
    m_places = places;
    m_entries.clear();
    m_bytes = 0;
    for (int place = 0; place < m_places.size(); ++place)
        readPlace(place);
    // Newest first; an unknown date last; then by the name it is shown by.
    std::sort(m_entries.begin(), m_entries.end(), [this](const Entry &a, const Entry &b) {
        if (a.deleted != b.deleted)
            return a.deleted > b.deleted;
        return a.shown != b.shown ? a.shown < b.shown : a.name < b.name;
    });
    for (const Entry &entry : std::as_const(m_entries))
        m_bytes += entry.bytes;
}

void TrashContents::readPlace(int place)
{
    const TrashPlaces::Place &trash = m_places[place];
    const int files = ::open((trash.trash + "/files").constData(),
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (files < 0)
        return;
    const int infos = ::open((trash.trash + "/info").constData(),
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    for (const QByteArray &name : namesIn(files)) {
        Entry entry;
        entry.place = place;
        entry.name = name;
        struct stat info;
        if (::fstatat(files, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        entry.mode = info.st_mode;
        entry.bytes = S_ISREG(info.st_mode) ? info.st_size : 0;
        if (S_ISDIR(info.st_mode))
            entry.bytes = std::max<qint64>(0, TreeWalk::bytesUnder(trash.trash + "/files/" + name));
        const std::optional<TrashInfo::Read> read
                = infos >= 0 ? TrashInfo::read(infos, name + ".trashinfo", trash.top)
                             : std::nullopt;
        if (read) {
            entry.origin = read->origin;
            entry.original = read->path;
            entry.deleted = read->deleted;
        }
        entry.shown = entry.original.isEmpty() ? entry.name
                                               : FileName::lastPart(entry.original).toByteArray();
        m_entries.append(entry);
    }
    if (infos >= 0)
        ::close(infos);
    ::close(files);
}

QByteArray TrashContents::trashedPath(int row) const
{
    const Entry &entry = m_entries[row];
    return m_places[entry.place].trash + "/files/" + entry.name;
}

QByteArray TrashContents::infoPath(int row) const
{
    const Entry &entry = m_entries[row];
    return m_places[entry.place].trash + "/info/" + entry.name + ".trashinfo";
}
