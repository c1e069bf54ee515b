// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zchoicedelegate.h"

#include "platform/zglobal.h"
#include "platform/zpalette.h"
#include "platform/zwrappedtext.h"

#include <QListView>
#include <QPainter>

#include <algorithm>

namespace {

constexpr QRgb divider = 0xd3d9e2;

} // namespace

ZChoiceDelegate::ZChoiceDelegate(QListView *view)
    : QStyledItemDelegate(view)
    , m_view(view)
{
}

QRect ZChoiceDelegate::textRect(const QRect &row) const
{
    const ZSizes sizes = ZGlobal::sizes();
    return row.adjusted(sizes.scaled(8), sizes.scaled(4), -sizes.scaled(8), -sizes.scaled(4));
}

QSize ZChoiceDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const ZSizes sizes = ZGlobal::sizes();
    const int width = std::max(1, m_view->viewport()->width());
    const QRect room = textRect(QRect(0, 0, width, 1 << 20));
    const QSize text = ZWrappedText::size(m_view->font(), index.data().toString(), room.width());
    // A row of the list (its icon and a little), and a finger's.
    const int row = sizes.atLeastMm(sizes.scaled(34), ZSizes::rowMm);
    return QSize(width, std::max(row, text.height() + (1 << 20) - room.height()));
}

void ZChoiceDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    painter->save();
    const bool highlighted = index == m_view->currentIndex();
    if (highlighted)
        painter->fillRect(option.rect, QColor(ZPalette::highlight));
    else if (index.row() > 0)
        painter->fillRect(QRect(option.rect.left(), option.rect.top(), option.rect.width(), 1),
                          QColor(divider));
    painter->setPen(highlighted ? QColor(ZPalette::highlightedText)
                                : option.palette.color(QPalette::Text));
    painter->setFont(m_view->font());
    ZWrappedText::draw(*painter, textRect(option.rect), textAlignment, index.data().toString());
    painter->restore();
}
