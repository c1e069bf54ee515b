// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/names/filename.h"

namespace {

constexpr char16_t rawByteBase = 0xDC00;

// The length of the valid UTF-8 sequence at bytes[i] and its code point, or 0 when the byte
// there starts none (RFC 3629: no overlong forms, no surrogates, nothing above U+10FFFF).
int validSequence(const unsigned char *bytes, qsizetype size, qsizetype i, char32_t *point)
{
    const unsigned char lead = bytes[i];
    int length;
    char32_t value, minimum;
    if (lead < 0x80) {
        *point = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > size)
        return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char next = bytes[i + k];
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *point = value;
    return length;
}

void appendUtf8(QByteArray &out, char32_t point)
{
    if (point < 0x80) {
        out += char(point);
    } else if (point < 0x800) {
        out += char(0xC0 | (point >> 6));
        out += char(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += char(0xE0 | (point >> 12));
        out += char(0x80 | ((point >> 6) & 0x3F));
        out += char(0x80 | (point & 0x3F));
    } else {
        out += char(0xF0 | (point >> 18));
        out += char(0x80 | ((point >> 12) & 0x3F));
        out += char(0x80 | ((point >> 6) & 0x3F));
        out += char(0x80 | (point & 0x3F));
    }
}

} // namespace

bool FileName::isRawByte(char16_t unit)
{
    return unit >= rawByteBase + 0x80 && unit <= rawByteBase + 0xFF;
}

QString FileName::fromBytes(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    // The common case, plain ASCII, needs no decoding.
    qsizetype ascii = 0;
    while (ascii < size && data[ascii] < 0x80)
        ++ascii;
    if (ascii == size)
        return QString::fromLatin1(bytes.data(), size);

    QString name;
    name.reserve(size);
    name += QLatin1String(bytes.data(), ascii);
    for (qsizetype i = ascii; i < size;) {
        char32_t point;
        const int length = validSequence(data, size, i, &point);
        if (length == 0) {
            name += QChar(char16_t(rawByteBase + data[i]));
            ++i;
            continue;
        }
        if (point >= 0x10000) {
            name += QChar(QChar::highSurrogate(point));
            name += QChar(QChar::lowSurrogate(point));
        } else {
            name += QChar(char16_t(point));
        }
        i += length;
    }
    return name;
}

QByteArray FileName::toBytes(QStringView name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    const qsizetype size = name.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = name[i].unicode();
        if (unit < 0x80) {
            bytes += char(unit);
        } else if (isRawByte(unit)) {
            bytes += char(unit - rawByteBase);
        } else if (QChar::isHighSurrogate(unit) && i + 1 < size
                   && QChar::isLowSurrogate(name[i + 1].unicode())) {
            appendUtf8(bytes, QChar::surrogateToUcs4(unit, name[i + 1].unicode()));
            ++i;
        } else if (QChar::isSurrogate(unit)) {
            appendUtf8(bytes, 0xFFFD); // a lone surrogate that no name can hold
        } else {
            appendUtf8(bytes, unit);
        }
    }
    return bytes;
}

// The position of the first byte that is not UTF-8 at or after from, or -1. The second half of a
// character beyond U+FFFF may look like one, and is skipped with its first half.
static qsizetype nextRawByte(QStringView name, qsizetype from)
{
    for (qsizetype i = from; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < name.size()
            && QChar::isLowSurrogate(name[i + 1].unicode()))
            ++i;
        else if (FileName::isRawByte(unit))
            return i;
    }
    return -1;
}

QString FileName::forDisplay(const QString &name)
{
    QString shown = name;
    for (qsizetype i = nextRawByte(name, 0); i >= 0; i = nextRawByte(name, i + 1))
        shown[i] = QChar(QChar::ReplacementCharacter);
    return shown;
}

QString FileName::join(const QString &folder, const QString &name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QString FileName::parentOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash > 0 ? path.left(slash) : QStringLiteral("/");
}

QByteArray FileName::parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash > 0 ? path.left(slash) : QByteArray("/");
}

QString FileName::lastPart(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

QByteArrayView FileName::lastPart(QByteArrayView path)
{
    return path.sliced(path.lastIndexOf('/') + 1);
}

bool FileName::hasRawBytes(QStringView name)
{
    return nextRawByte(name, 0) >= 0;
}
