// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as the configuration and the catalogue, then lookups.
// Build with: cmake --preset fuzz && cmake --build build-fuzz --target fuzz_catalog
// Run with:   build-fuzz/tests/fuzz_catalog -max_total_time=60 tests/fuzz/corpus/catalog
#include "lang/languagecatalog.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {
const std::string folder = [] {
    char pattern[] = "/tmp/fuzz_catalog_XXXXXX";
    return std::string(mkdtemp(pattern));
}();
const std::string base = folder + "/fm";
const std::string config = folder + "/ezx_system.cfg";
// Nothing left in /tmp once the run ends.
const int cleanup = std::atexit([] {
    std::remove(config.c_str());
    std::remove((base + "_en-us.lng").c_str());
    ::rmdir(folder.c_str());
});

void write(const std::string &path, const uint8_t *data, size_t size)
{
    if (FILE *file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The first byte splits the input between the configuration and the catalogue.
    const size_t split = size ? std::min<size_t>(data[0], size - 1) : 0;
    write(config, data + 1, split);
    write(base + "_en-us.lng", data + 1 + split, size > split + 1 ? size - split - 1 : 0);
    LanguageCatalog catalog(base.c_str(), config.c_str());
    for (const char *key : { "BR_FILEMANAGER", "BR_COPY", "BR_COPY_HERE", "", "X" })
        catalog.lookup(key);
    const std::string longKey(80, 'K');
    catalog.lookup(longKey.c_str());
    return 0;
}
