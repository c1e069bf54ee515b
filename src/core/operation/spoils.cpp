// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/operation/spoils.h"

#include "core/folder/targetfilesystem.h"
#include "core/names/filename.h"

#include <sys/stat.h>

namespace {

// Whether a real folder stands at root + relative, through real folders only: a merge meets
// what a link at the destination points to only after it removed the link.
bool realFolderAt(const QByteArray &root, QByteArrayView relative)
{
    struct stat info;
    for (qsizetype at = 0;;) {
        const qsizetype slash = relative.indexOf('/', at + 1);
        const QByteArray path
                = root + relative.first(slash < 0 ? relative.size() : slash).toByteArray();
        if (::lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
            return false;
        if (slash < 0)
            return true;
        at = slash;
    }
}

} // namespace

Spoils::Spoils(const QByteArray &destination, bool foldsCase, bool merging)
    : m_destination(destination)
    , m_foldsCase(foldsCase)
    , m_merging(merging)
{
}

void Spoils::visit(QByteArrayView relative, const struct stat &info)
{
    if (relative.isEmpty())
        return;
    if (m_merging && S_ISLNK(info.st_mode) && realFolderAt(m_destination, relative))
        ++links;
    if (!m_foldsCase)
        return;
    const qsizetype slash = relative.lastIndexOf('/');
    const QString key = FileName::fromBytes(relative.first(slash)) + u'/'
                        + TargetFileSystem::folded(FileName::fromBytes(relative.sliced(slash + 1)));
    if (m_names.contains(key))
        ++clashes;
    else
        m_names.insert(key);
}
