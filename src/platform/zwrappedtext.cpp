// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zwrappedtext.h"

#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

// Lays the text out in lines of this width; the height it takes, and its widest line.
QSizeF layOut(QTextLayout &layout, const QString &text, int width, Qt::Alignment alignment)
{
    QString lines = text;
    lines.replace(u'\n', QChar::LineSeparator);
    layout.setText(lines);
    QTextOption option(alignment & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    qreal height = 0, widest = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(1, width));
        line.setPosition(QPointF(0, height));
        height += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return QSizeF(widest, height);
}

} // namespace

QSize ZWrappedText::size(const QFont &font, const QString &text, int width)
{
    QTextLayout layout(QString(), font);
    const QSizeF room = layOut(layout, text, width, Qt::AlignLeft);
    return QSize(int(std::ceil(room.width())), int(std::ceil(room.height())));
}

void ZWrappedText::draw(QPainter &painter, const QRect &rect, Qt::Alignment alignment,
                        const QString &text)
{
    QTextLayout layout(QString(), painter.font());
    const QSizeF room = layOut(layout, text, rect.width(), alignment);
    qreal top = rect.top();
    if (alignment & Qt::AlignVCenter)
        top += (rect.height() - room.height()) / 2;
    else if (alignment & Qt::AlignBottom)
        top += rect.height() - room.height();
    layout.draw(&painter, QPointF(rect.left(), top));
}
