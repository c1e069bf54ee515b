// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/marks.h"

#include "core/folder/entryidentity.h"
#include "core/names/filename.h"

#include <algorithm>
#include <sys/stat.h>

QVector<Journal::Mark> Marks::of(const QString &path, bool wholeTree, int limit)
{
    QVector<Journal::Mark> marks;
    const QByteArray root = FileName::toBytes(path);
    bool tooMany = false;
    TreeWalk::walk(root, [&](QByteArrayView at, const struct stat &info) {
        if (marks.size() >= limit) {
            tooMany = true;
            return TreeWalk::Stop;
        }
        marks.append({ '.' + at.sliced(root.size()).toByteArray(), quint64(info.st_dev),
                       quint64(info.st_ino), qint64(info.st_size),
                       qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec });
        return wholeTree ? TreeWalk::Continue : TreeWalk::Stop;
    });
    if (tooMany)
        marks.clear();
    std::sort(marks.begin(), marks.end(),
              [](const Journal::Mark &a, const Journal::Mark &b) { return a.path < b.path; });
    if (!marks.isEmpty())
        marks.first().born = EntryIdentity::of(root).born;
    return marks;
}
