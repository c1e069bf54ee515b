// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// File names and paths are bytes; most are UTF-8, but a card or a disk written elsewhere holds
// Latin-1, CP437 or Shift-JIS names too. Every name or path that meets the file system passes
// through this pair, which keeps each such name exactly:
// - fromBytes() decodes valid UTF-8 and turns each byte that is not part of it into the lone
//   surrogate U+DC00 + byte (U+DC80..U+DCFF), which no valid UTF-8 can produce;
// - toBytes() turns those code points back into their byte and encodes the rest as UTF-8.
// toBytes(fromBytes(b)) == b for every b. QFile::encodeName() and QString::toUtf8() would turn
// such a surrogate into "?", so they are never used for a name on its way to the file system.
class FileName
{
public:
    static QString fromBytes(QByteArrayView bytes);
    static QByteArray toBytes(QStringView name);
    // The text to show for a name: each byte that is not UTF-8 becomes U+FFFD.
    static QString forDisplay(const QString &name);
    // The path of name in folder, with no doubled "/" at the root. (Entering an entry and the
    // commands for several entries put their own "/" after the folder, "//name" at the root, as
    // the design has it; that is not a join but the form of those paths.)
    static QString join(const QString &folder, const QString &name);
    // The folder that holds the entry at path ("/" for one at the root, or for a path without
    // a "/"), and the entry's own name: the path's last part.
    static QString parentOf(const QString &path);
    static QByteArray parentOf(const QByteArray &path);
    static QString lastPart(const QString &path);
    static QByteArrayView lastPart(QByteArrayView path);
    static QByteArrayView lastPart(const QByteArray &path)
    {
        return lastPart(QByteArrayView(path));
    }
    // Whether a decoded name holds bytes that are not UTF-8, and whether a code unit is one.
    static bool hasRawBytes(QStringView name);
    static bool isRawByte(char16_t unit);
};
