// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as folder paths and names through every command form. A
// command is refused or at most 998 bytes, and the shell's own reading of each double-quoted
// argument gives back the path or name byte for byte.
// Build with: cmake --preset fuzz && cmake --build build-fuzz --target fuzz_command
// Run with:   build-fuzz/tests/fuzz_command -max_total_time=60 tests/fuzz/corpus/command
#include "core/names/filename.h"
#include "core/shell/shellcommand.h"

#include <QByteArrayList>
#include <QStringList>

#include <cstdint>
#include <cstdlib>

namespace {

struct Form
{
    const char *text;
    int arguments;
    // How the quoted words are made of the arguments: "%s" stands for the next one.
    std::vector<QByteArray> words;
};

const Form forms[] = {
    { R"(rm -rf "%s")", 1, { "%s" } },
    { R"(mv "%s" "%s")", 2, { "%s", "%s" } },
    { R"(cp -a "%s" "%s/")", 2, { "%s", "%s/" } },
    { R"(mv "%s" "%s/")", 2, { "%s", "%s/" } },
    { R"(cp -a "%s/%s" "%s/")", 3, { "%s/%s", "%s/" } },
    { R"(mv "%s/%s" "%s/")", 3, { "%s/%s", "%s/" } },
    { R"(rm -rf "%s/%s")", 2, { "%s/%s" } },
};

// The words between double quotes, read as sh reads them: a backslash quotes $ ` " \ and
// disappears before a newline; before anything else it is itself. A $ or ` that no backslash
// quotes would make the shell expand something, which no path may do.
QByteArrayList quotedWords(const QByteArray &command)
{
    QByteArrayList words;
    for (qsizetype i = 0; i < command.size(); ++i) {
        if (command[i] != '"')
            continue;
        QByteArray word;
        for (++i; i < command.size() && command[i] != '"'; ++i) {
            if (command[i] == '\\' && i + 1 < command.size()) {
                const char next = command[i + 1];
                if (next == '$' || next == '`' || next == '"' || next == '\\') {
                    word += next;
                    ++i;
                    continue;
                }
                if (next == '\n') {
                    ++i;
                    continue;
                }
            }
            if (command[i] == '$' || command[i] == '`')
                std::abort();
            word += command[i];
        }
        if (i >= command.size())
            std::abort(); // an unterminated quote
        words << word;
    }
    return words;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Up to three byte strings, split at NUL (which no path can hold).
    const QByteArrayList parts
            = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    QStringList arguments;
    for (int i = 0; i < 3; ++i)
        arguments << FileName::fromBytes(parts.value(i));
    for (const Form &form : forms) {
        const QStringList used = arguments.mid(0, form.arguments);
        const std::optional<QByteArray> command = ShellCommand::form(form.text, used);
        if (!command)
            continue;
        if (command->size() > ShellCommand::maxLength)
            std::abort();
        // The command's own words outside the quotes are the form's.
        QByteArrayList expected;
        int next = 0;
        for (QByteArray word : form.words) {
            QByteArray filled;
            for (qsizetype k = 0; k < word.size(); ++k) {
                if (word[k] == '%' && k + 1 < word.size() && word[k + 1] == 's') {
                    filled += parts.value(next++);
                    ++k;
                } else {
                    filled += word[k];
                }
            }
            expected << filled;
        }
        if (quotedWords(*command) != expected)
            std::abort();
    }
    return 0;
}
