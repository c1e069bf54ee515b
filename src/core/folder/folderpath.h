// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// What the window needs to know of a path before it lists or opens it, asked of the file system
// here so that the window never asks it itself.
class FolderPath
{
public:
    // The absolute, clean form of a path (from the working folder when relative): no ".", "..",
    // doubled or trailing "/". Symbolic links are kept. ".." above the root stays at the root.
    static QString cleaned(const QString &path);
    // Whether a folder can be listed: read and search permission on a folder.
    static bool isListable(const QString &folder);
    // The nearest folder above that can be listed, "/" at worst: a folder removed from outside,
    // or one below a folder that cannot be read, must not leave Back and ".." stuck.
    static QString nearestListableAbove(const QString &folder);
    // A folder, or a link to one.
    static bool isFolder(const QString &path);
    // A regular file, or a link to one: what opening opens rather than lists.
    static bool isFile(const QString &path);
};
