// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/languagecatalog.h"

#include <QStringDecoder>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

// The sizes of the platform's fixed buffers, terminating NUL included. They bound what the
// formats may hold; anything longer is handled without ever overrunning or cutting into a
// different meaning (see findValue and load).
constexpr size_t configLineSize = 512;
constexpr size_t fileNameSize = 512;
constexpr size_t keyPrefixSize = 64;
constexpr size_t valueSize = 256;

const char languageLine[] = "LanguageType = ";

// Copies the rest of the first line that starts with prefix into value (at most valueSize - 1
// bytes, cut back to a whole UTF-8 character). Lines end at "\n"; the text ends at its NUL.
// Empty lines can never match, so reading in place finds what splitting into lines would.
void findValue(const char *text, const std::string &prefix, char *value)
{
    for (const char *line = text; *line;) {
        const char *end = std::strchr(line, '\n');
        size_t length = end ? size_t(end - line) : std::strlen(line);
        // A catalogue saved with Windows line ends: the CR belongs to the line end, not the value.
        if (length > 0 && line[length - 1] == '\r')
            --length;
        if (length >= prefix.size() && std::memcmp(line, prefix.data(), prefix.size()) == 0) {
            size_t taken = length - prefix.size();
            if (taken > valueSize - 1) {
                taken = valueSize - 1;
                // Never split a character: drop continuation bytes and the lead byte before them.
                const auto *bytes = reinterpret_cast<const unsigned char *>(line + prefix.size());
                if ((bytes[taken] & 0xC0) == 0x80) {
                    while (taken > 0 && (bytes[taken] & 0xC0) == 0x80)
                        --taken;
                }
            }
            std::memcpy(value, line + prefix.size(), taken);
            value[taken] = '\0';
            return;
        }
        if (!end)
            return;
        line = end + 1;
    }
}

char *emptyText()
{
    auto *text = new char[1];
    text[0] = '\0';
    return text;
}

} // namespace

const char *const LanguageCatalog::defaultConfigPath
        = "/ezxlocal/download/appwrite/setup/ezx_system.cfg";

QString decodeUtf8(const char *bytes)
{
    if (!bytes)
        return QString();
    QStringDecoder decoder("UTF-8");
    return decoder.decode(QByteArrayView(bytes, qsizetype(std::strlen(bytes))));
}

LanguageCatalog::LanguageCatalog(const char *baseName)
    : LanguageCatalog(baseName, defaultConfigPath)
{
}

LanguageCatalog::LanguageCatalog(const char *baseName, const char *configPath)
    : baseName(baseName)
    , configPath(configPath)
{
}

LanguageCatalog::~LanguageCatalog()
{
    baseName = nullptr;
    delete[] catalogText;
    catalogText = nullptr;
}

QString LanguageCatalog::lookup(const char *key)
{
    if (!baseName)
        return QStringLiteral("");
    if (!catalogText)
        load();
    if (!key)
        return QString();
    if (catalogText[0] == '\0')
        return decodeUtf8(key);

    // A key too long for the prefix buffer, or one that spans lines, can match no entry; cutting
    // it short could match another key's line.
    const size_t keyLength = std::strlen(key);
    char value[valueSize] = {};
    if (keyLength + 3 < keyPrefixSize && !std::strchr(key, '\n'))
        findValue(catalogText, std::string(key) + " = ", value);
    if (value[0] != '\0')
        return decodeUtf8(value);
    std::fprintf(stderr, "vandr --debug--: error get key '%s'\n", key);
    return decodeUtf8(key);
}

void LanguageCatalog::load()
{
    std::string fileName;
    bool haveLanguage = false;
    if (FILE *config = configPath ? std::fopen(configPath, "rb") : nullptr) {
        // A line longer than the buffer arrives in pieces, each handled like a line.
        char line[configLineSize];
        while (std::fgets(line, sizeof line, config)) {
            const size_t length = std::strlen(line);
            // The line end, also a Windows one, is not part of the language code.
            size_t end = length;
            if (end > 0 && line[end - 1] == '\n')
                line[--end] = '\0';
            if (end > 0 && line[end - 1] == '\r')
                line[--end] = '\0';
            if (std::strncmp(line, languageLine, sizeof languageLine - 1) == 0) {
                m_language = line + sizeof languageLine - 1;
                fileName = std::string(baseName) + "_" + m_language + ".lng";
                haveLanguage = true;
                break;
            }
        }
        std::fclose(config);
    }
    // No configuration, or one that names no language: the phone's default language.
    if (!haveLanguage)
        fileName = std::string(baseName) + "_en-us.lng";

    // A name that does not fit is never cut short (that could open another file): the catalogue
    // then counts as missing.
    FILE *file = fileName.size() < fileNameSize ? std::fopen(fileName.c_str(), "rb") : nullptr;
    if (!file) {
        std::fprintf(stderr, "vandr --debug--: error get lngfile '%s'\n", fileName.c_str());
        catalogText = emptyText();
        return;
    }
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = std::ftell(file);
    std::rewind(file);
    char *text = size >= 0 ? new (std::nothrow) char[size_t(size) + 1] : nullptr;
    if (text) {
        const size_t got = std::fread(text, 1, size_t(size), file);
        text[got] = '\0';
        catalogText = text;
    } else {
        // Unmeasurable or too large to hold: behave as an empty catalogue.
        catalogText = emptyText();
    }
    std::fprintf(stderr, "vandr --debug--: read lngfile '%s'\n", fileName.c_str());
    std::fclose(file);
}
