// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The name that a user types for a new folder or a rename: white space at both ends is not part
// of it, and it may be neither empty nor hold one of the nine characters " * / : < > ? \ |.
// Every other character is allowed, control characters, "." and ".." included. A name is tested
// whole, however long: the file system says what it cannot take.
class NameCheck
{
public:
    static QString trimmed(const QString &typed);
    static bool isValid(const QString &name);
    // How much of a name is its base, before the extension: up to a known double extension
    // (".tar.gz"), else up to the last "." that does not begin the name; a folder's name whole.
    // A rename offers it selected, so that typing keeps the extension.
    static int baseLength(const QString &name, bool isFolder);
    // Drops the last character: both halves of one beyond U+FFFF, so that no UTF-8 sequence is
    // cut.
    static void chopCharacter(QString *text);
};
