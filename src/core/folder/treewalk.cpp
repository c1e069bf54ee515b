// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/folder/treewalk.h"

#include <cerrno>
#include <fts.h>
#include <sys/stat.h>

namespace {

// How often a long walk asks whether to go on.
constexpr int askEvery = 512;

} // namespace

TreeWalk::Walked TreeWalk::walk(const QByteArray &root, const Visitor &visit,
                                const Options &options)
{
    Walked walked;
    QByteArray copy = root;
    char *paths[] = { copy.data(), nullptr };
    FTS *tree = ::fts_open(
            paths, FTS_PHYSICAL | FTS_NOCHDIR | (options.oneFileSystem ? FTS_XDEV : 0), nullptr);
    if (!tree)
        return walked;
    walked.opened = walked.whole = true;
    int entries = 0;
    while (FTSENT *entry = ::fts_read(tree)) {
        const bool unread = entry->fts_info == FTS_DNR || entry->fts_info == FTS_NS
                            || entry->fts_info == FTS_ERR;
        if (unread && !(entry->fts_level == 0 && entry->fts_errno == ENOENT))
            walked.whole = false;
        // Each folder once, on the way in or out; what cannot be looked at is not there.
        const bool skipped = entry->fts_info == (options.foldersLast ? FTS_D : FTS_DP);
        if (skipped || entry->fts_info == FTS_NS || !entry->fts_statp)
            continue;
        if (options.keepGoing && ++entries % askEvery == 0 && !options.keepGoing()) {
            walked.stopped = true;
            break;
        }
        const Next next = visit(QByteArrayView(entry->fts_path, qsizetype(entry->fts_pathlen)),
                                *entry->fts_statp);
        if (next == Stop) {
            walked.stopped = true;
            break;
        }
        if (next == SkipInside)
            ::fts_set(tree, entry, FTS_SKIP);
    }
    ::fts_close(tree);
    walked.whole = walked.whole && !walked.stopped;
    return walked;
}

TreeWalk::Walked TreeWalk::walk(const QByteArray &root, const Visitor &visit)
{
    return walk(root, visit, Options());
}

qint64 TreeWalk::bytesUnder(const QByteArray &root, int most)
{
    qint64 total = 0;
    int entries = 0;
    walk(root, [&](QByteArrayView, const struct stat &info) {
        if (++entries > most) {
            total = -1;
            return Stop;
        }
        if (S_ISREG(info.st_mode))
            total += info.st_size;
        return Continue;
    });
    return total;
}
