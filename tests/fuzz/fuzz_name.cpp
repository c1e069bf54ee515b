// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary typed text through the trimming and the name check.
// Build with: cmake --preset fuzz && cmake --build build-fuzz --target fuzz_name
// Run with:   build-fuzz/tests/fuzz_name -max_total_time=60 tests/fuzz/corpus/name
#include "core/names/filename.h"
#include "core/names/namecheck.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // As typed (valid text), and as a name read from the disk (any bytes).
    for (const QString &typed : { QString::fromUtf8(bytes), FileName::fromBytes(bytes) }) {
        const QString name = NameCheck::trimmed(typed);
        if (!typed.contains(name) || NameCheck::trimmed(name) != name)
            std::abort();
        if (!name.isEmpty() && (name.front().isSpace() || name.back().isSpace()))
            std::abort();
        const QByteArray nameBytes = FileName::toBytes(name);
        bool anyForbidden = false;
        for (const char c : nameBytes)
            anyForbidden = anyForbidden || (c != '\0' && std::strchr("\"*/:<>?\\|", c));
        if (NameCheck::isValid(name) != (!name.isEmpty() && !anyForbidden))
            std::abort();
        // A valid name is one entry: never a path, never a way out of the folder but "..".
        if (NameCheck::isValid(name) && nameBytes.contains('/'))
            std::abort();
    }
    const QString raw = FileName::fromBytes(bytes);
    if (FileName::toBytes(raw) != bytes)
        std::abort();
    return 0;
}
