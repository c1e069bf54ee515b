// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/names/namematch.h"

#include "core/names/filename.h"

#include <algorithm>

namespace {

char lowered(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// needle is lowered already.
bool containsAscii(QByteArrayView haystack, QByteArrayView needle)
{
    const auto same = [](char a, char b) { return lowered(a) == b; };
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(), same)
           != haystack.end();
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

NameMatch::NameMatch(const QString &text)
{
    m_wildcard = text.contains(u'*') || text.contains(u'?');
    if (m_wildcard) {
        m_pattern = QRegularExpression(QRegularExpression::wildcardToRegularExpression(text),
                                       QRegularExpression::CaseInsensitiveOption);
        return;
    }
    m_folded = text.toCaseFolded();
    m_bytes = m_folded.toUtf8();
    m_ascii = isAscii(m_bytes);
}

bool NameMatch::matches(QByteArrayView name) const
{
    if (m_wildcard) {
        // A byte that is not UTF-8 is one character that no letter matches.
        QString decoded = FileName::fromBytes(name);
        for (QChar &c : decoded) {
            if (FileName::isRawByte(c.unicode()))
                c = QChar::ReplacementCharacter;
        }
        return m_pattern.match(decoded).hasMatch();
    }
    if (m_folded.isEmpty())
        return false;
    // Most names and most searches are ASCII: no decoding for them. A non-ASCII name may still
    // fold to an ASCII text (the Kelvin sign to k).
    if (m_ascii && isAscii(name))
        return containsAscii(name, m_bytes);
    const QString decoded = FileName::fromBytes(name);
    if (FileName::hasRawBytes(decoded))
        return containsAscii(name, m_bytes);
    return decoded.toCaseFolded().contains(m_folded);
}
