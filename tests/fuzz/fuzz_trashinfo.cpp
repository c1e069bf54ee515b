// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: any bytes as a .trashinfo of the home trash and of a card's trash. An origin
// that is taken is an absolute path of parts, none of them "..", inside what the trash serves,
// with no byte 0; and what this program writes for it reads back the same.
// Build with: cmake --preset fuzz && cmake --build build-fuzz --target fuzz_trashinfo
// Run with:   build-fuzz/tests/fuzz_trashinfo -max_total_time=60 tests/fuzz/corpus/trashinfo
#include "core/folder/trashinfo.h"

#include <QList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView text(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const QByteArray &top : { QByteArray(), QByteArray("/"), QByteArray("/media/card") }) {
        const std::optional<TrashInfo::Read> read = TrashInfo::parse(text, top);
        if (!read || read->origin != TrashInfo::Known) {
            if (read && !read->path.isEmpty())
                std::abort(); // a path is given only where it is to be taken
            continue;
        }
        const QByteArray &path = read->path;
        if (!path.startsWith('/') || path.endsWith('/') || path.contains('\0')
            || path.contains("//"))
            std::abort();
        for (const QByteArray &part : path.mid(1).split('/')) {
            if (part.isEmpty() || part == "." || part == "..")
                std::abort();
        }
        if (top.size() > 1 && !path.startsWith(top + '/'))
            std::abort();
        const std::optional<TrashInfo::Read> again
                = TrashInfo::parse(TrashInfo::text(path, top, read->deleted), top);
        if (!again || again->path != path)
            std::abort();
    }
    return 0;
}
