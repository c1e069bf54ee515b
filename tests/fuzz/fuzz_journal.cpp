// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes read back as a journal. Whatever is read is what its records
// say: written again in their own order, the lines read back as the same operation.
// Build with: cmake --preset fuzz && cmake --build build-fuzz --target fuzz_journal
// Run with:   build-fuzz/tests/fuzz_journal -max_total_time=60 tests/fuzz/corpus/journal
#include "core/operation/journalrecord.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool same(const Journal::Operation &a, const Journal::Operation &b)
{
    if (a.kind != b.kind || a.folder != b.folder || a.planned != b.planned || a.owner != b.owner
        || a.finished != b.finished || a.replaced != b.replaced
        || a.entries.size() != b.entries.size() || a.trashed.size() != b.trashed.size())
        return false;
    for (qsizetype i = 0; i < a.entries.size(); ++i) {
        const Journal::Entry &x = a.entries[i], &y = b.entries[i];
        if (x.source != y.source || x.destination != y.destination || x.state != y.state
            || x.marks != y.marks || x.inside != y.inside || x.copied != y.copied
            || x.beforeKnown != y.beforeKnown || (x.beforeKnown && x.before != y.before))
            return false;
    }
    for (qsizetype i = 0; i < a.trashed.size(); ++i) {
        const Journal::Trashed &x = a.trashed[i], &y = b.trashed[i];
        if (x.place != y.place || x.trashed != y.trashed || x.info != y.info || x.marks != y.marks)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<Journal::Operation> read = JournalRecord::read(bytes);
    if (!read)
        return 0;
    if (read->records > bytes.count('\n'))
        std::abort();
    QByteArray again = JournalRecord::begin(read->kind, read->folder, read->planned, read->owner);
    for (qsizetype i = 0; i < read->entries.size(); ++i) {
        const Journal::Entry &entry = read->entries[i];
        again += JournalRecord::intent(int(i), entry.source, entry.destination, entry.inside,
                                       entry.beforeKnown ? std::optional(entry.before)
                                                         : std::nullopt);
        if (entry.copied)
            again += JournalRecord::copied(int(i));
        if (entry.state != Journal::Intended) {
            // Done is never without what it made.
            if ((entry.state == Journal::Done) == entry.marks.isEmpty())
                std::abort();
            again += JournalRecord::outcome(int(i), entry.marks);
        }
    }
    for (qsizetype i = 0; i < read->trashed.size(); ++i) {
        const Journal::Trashed &item = read->trashed[i];
        again += JournalRecord::trash(int(i), item.place, item.trashed, item.info);
        if (!item.marks.isEmpty())
            again += JournalRecord::trashed(int(i), item.marks);
    }
    for (int i = 0; i < read->replaced; ++i)
        again += JournalRecord::replaced();
    if (read->finished)
        again += JournalRecord::end();
    const std::optional<Journal::Operation> back = JournalRecord::read(again);
    if (!back || !same(*read, *back) || back->records != again.count('\n'))
        std::abort();
    return 0;
}
