#include "core/namecheck.h"

#include "core/filename.h"

QString NameCheck::trimmed(const QString &typed)
{
    return typed.trimmed();
}

int NameCheck::baseLength(const QString &name, bool isFolder)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return int(isFolder || dot <= 0 ? name.size() : dot);
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
