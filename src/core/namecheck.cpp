#include "core/namecheck.h"

#include "core/filename.h"

QString NameCheck::trimmed(const QString &typed)
{
    return typed.trimmed();
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
