// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QRegularExpression>
#include <QString>

// What a search looks for in a name: the text anywhere in it, in any case (Unicode case
// folding; a name that is not UTF-8 is matched by its bytes, ASCII letters in any case); or, with
// * or ? in the text, a wildcard pattern over the whole name, in any case.
class NameMatch
{
public:
    explicit NameMatch(const QString &text);
    bool isEmpty() const { return m_folded.isEmpty() && !m_wildcard; }
    bool matches(QByteArrayView name) const;

private:
    QString m_folded;
    QByteArray m_bytes; // the folded text, UTF-8: what a name's bytes are held against
    bool m_ascii = true;
    bool m_wildcard = false;
    QRegularExpression m_pattern;
};
