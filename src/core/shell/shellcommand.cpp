// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/shell/shellcommand.h"

#include "core/names/filename.h"

#include <cstring>

QByteArray ShellCommand::escapeForDoubleQuotes(const QString &argument)
{
    const QByteArray bytes = FileName::toBytes(argument);
    QByteArray escaped;
    escaped.reserve(bytes.size() + 8);
    for (const char c : bytes) {
        if (c == '"' || c == '$' || c == '`' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::optional<QByteArray> ShellCommand::form(const char *form, const QStringList &arguments)
{
    QByteArray command;
    qsizetype next = 0;
    for (const char *p = form; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            if (next < arguments.size())
                command += escapeForDoubleQuotes(arguments.at(next));
            ++next;
            ++p;
        } else {
            command += *p;
        }
    }
    if (command.size() > maxLength)
        return std::nullopt;
    return command;
}

std::optional<QByteArray> ShellCommand::join(const QByteArray &first, const QByteArray &second)
{
    const QByteArray both = first + " && " + second;
    if (both.size() > maxLength)
        return std::nullopt;
    return both;
}
