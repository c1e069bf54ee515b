// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>

class QFont;
class QPainter;

// Text as the toolkit shows it in a menu entry, a soft key or a choice: wrapped at word
// boundaries, and inside a word only where that word alone is wider than the line; never cut.
class ZWrappedText
{
public:
    // The room it takes when its lines may be this wide; on one line, unless it has line breaks.
    static QSize size(const QFont &font, const QString &text, int width);
    static QSize size(const QFont &font, const QString &text) { return size(font, text, 1 << 20); }
    // Drawn in the painter's font and pen, aligned within the rectangle.
    static void draw(QPainter &painter, const QRect &rect, Qt::Alignment alignment,
                     const QString &text);
};
