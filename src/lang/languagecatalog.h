// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>

// UTF-8 bytes to text; a null pointer gives a null string.
QString decodeUtf8(const char *bytes);

// Key-to-text lookup in the catalogue file "<baseName>_<language>.lng", where the language comes
// from the platform's configuration file. The file is read on the first lookup and kept until the
// catalogue is destroyed. A missing key comes back as the key itself.
class LanguageCatalog
{
public:
    static const char *const defaultConfigPath;

    // baseName is borrowed, not copied: it must outlive the catalogue. It may be null.
    explicit LanguageCatalog(const char *baseName);
    // For tests: the same, reading another configuration file.
    LanguageCatalog(const char *baseName, const char *configPath);
    ~LanguageCatalog();

    LanguageCatalog(const LanguageCatalog &) = delete;
    LanguageCatalog &operator=(const LanguageCatalog &) = delete;

    QString lookup(const char *key);
    // The language of the catalogue file read by the first lookup: the configuration's code, or
    // "en-us" when it names none.
    const std::string &languageCode() const { return m_language; }

private:
    void load();

    char *catalogText = nullptr;
    const char *baseName;
    const char *configPath;
    std::string m_language = "en-us";
};
