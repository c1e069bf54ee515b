// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

// Forms the shell commands of the file operations. Each "%s" of a form stands between double
// quotes and takes the next argument's bytes (FileName::toBytes); the four characters that keep a
// meaning there (" $ ` \) get a backslash, so every argument reaches the utility as one literal
// word.
class ShellCommand
{
public:
    // The runner's limit: the command and its log redirection must fit its buffer.
    static constexpr int maxLength = 998;

    // The command, or nothing when it would be longer than maxLength: a command is never cut.
    static std::optional<QByteArray> form(const char *form, const QStringList &arguments);
    // One command that runs the second only when the first succeeded: nothing when it would be
    // longer than maxLength.
    static std::optional<QByteArray> join(const QByteArray &first, const QByteArray &second);
    // An argument's bytes as they go between double quotes.
    static QByteArray escapeForDoubleQuotes(const QString &argument);
};
