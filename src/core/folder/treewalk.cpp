#include "core/folder/treewalk.h"

#include <cerrno>
#include <fts.h>
#include <sys/stat.h>

bool TreeWalk::walk(const QByteArray &root, const Visitor &visit, bool *whole)
{
    QByteArray copy = root;
    char *paths[] = { copy.data(), nullptr };
    FTS *tree = ::fts_open(paths, FTS_PHYSICAL | FTS_NOCHDIR, nullptr);
    if (whole)
        *whole = tree != nullptr;
    if (!tree)
        return false;
    while (FTSENT *entry = ::fts_read(tree)) {
        const bool unread = entry->fts_info == FTS_DNR || entry->fts_info == FTS_NS
                            || entry->fts_info == FTS_ERR;
        if (whole && unread && !(entry->fts_level == 0 && entry->fts_errno == ENOENT))
            *whole = false;
        // Each folder once, on the way in; what cannot be read is not there to count.
        if (entry->fts_info == FTS_DP || entry->fts_info == FTS_NS || !entry->fts_statp)
            continue;
        const Next next = visit(QByteArrayView(entry->fts_path, qsizetype(entry->fts_pathlen)),
                                *entry->fts_statp);
        if (next == Stop)
            break;
        if (next == SkipInside)
            ::fts_set(tree, entry, FTS_SKIP);
    }
    ::fts_close(tree);
    return true;
}

qint64 TreeWalk::bytesUnder(const QByteArray &root, int limit)
{
    qint64 total = 0;
    int entries = 0;
    walk(root, [&](QByteArrayView, const struct stat &info) {
        if (++entries > limit) {
            total = -1;
            return Stop;
        }
        if (S_ISREG(info.st_mode))
            total += info.st_size;
        return Continue;
    });
    return total;
}
