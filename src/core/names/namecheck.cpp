// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/names/namecheck.h"

#include "core/names/filename.h"

QString NameCheck::trimmed(const QString &typed)
{
    return typed.trimmed();
}

int NameCheck::baseLength(const QString &name, bool isFolder)
{
    if (isFolder)
        return int(name.size());
    for (const char *known : { ".tar.gz", ".tar.bz2", ".tar.xz", ".tar.zst" }) {
        const QLatin1String extension(known);
        if (name.size() > extension.size() && name.endsWith(extension, Qt::CaseInsensitive))
            return int(name.size() - extension.size());
    }
    const qsizetype dot = name.lastIndexOf(u'.');
    return int(dot <= 0 ? name.size() : dot);
}

bool NameCheck::isValid(const QString &name)
{
    if (name.isEmpty())
        return false;
    const QByteArray bytes = FileName::toBytes(name);
    for (const char c : bytes) {
        switch (c) {
        case '"':
        case '*':
        case '/':
        case ':':
        case '<':
        case '>':
        case '?':
        case '\\':
        case '|':
            return false;
        default:
            break;
        }
    }
    return true;
}

void NameCheck::chopCharacter(QString *text)
{
    const qsizetype size = text->size();
    text->chop(size >= 2 && text->at(size - 1).isLowSurrogate()
                               && text->at(size - 2).isHighSurrogate()
                       ? 2
                       : 1);
}
