// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zmenustyle.h"

#include "platform/zglobal.h"
#include "platform/zpalette.h"
#include "platform/zwrappedtext.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QStyleOptionMenuItem>
#include <QWidget>

#include <algorithm>

namespace {

// What an entry keeps around its text, in the phone's own pixels (grown with the text).
struct Margins
{
    int side, between, icon, arrow;

    int aroundText() const
    {
        return 2 * side + (icon > 0 ? icon + between : 0) + (arrow > 0 ? arrow + between : 0);
    }
};

Margins marginsOf(const QStyleOptionMenuItem &item)
{
    const ZSizes sizes = ZGlobal::sizes();
    const int height = item.fontMetrics.height();
    return { sizes.scaled(8), sizes.scaled(6), item.maxIconWidth > 0 ? height : 0,
             item.menuItemType == QStyleOptionMenuItem::SubMenu ? height / 2 : 0 };
}

int widestFor(const QWidget *menu, const QStyle *style)
{
    const QScreen *screen = menu ? menu->screen() : QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() : 240;
    // The menu's own frame and margins, on both sides.
    const int frame = 2
                      * (style->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, menu)
                         + style->pixelMetric(QStyle::PM_MenuHMargin, nullptr, menu));
    return std::max(1, room - frame);
}

} // namespace

ZMenuStyle::ZMenuStyle()
{
    setParent(qApp);
}

ZMenuStyle *ZMenuStyle::instance()
{
    static ZMenuStyle *style = new ZMenuStyle;
    return style;
}

bool ZMenuStyle::isEntry(const QStyleOption *option)
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    return item
           && (item->menuItemType == QStyleOptionMenuItem::Normal
               || item->menuItemType == QStyleOptionMenuItem::DefaultItem
               || item->menuItemType == QStyleOptionMenuItem::SubMenu);
}

QRect ZMenuStyle::textRect(const QStyleOptionMenuItem &item, const QRect &entry)
{
    const Margins margins = marginsOf(item);
    int left = entry.left() + margins.side;
    if (margins.icon > 0)
        left += margins.icon + margins.between;
    int right = entry.right() - margins.side;
    if (margins.arrow > 0)
        right -= margins.arrow + margins.between;
    return QRect(QPoint(left, entry.top()), QPoint(std::max(left, right), entry.bottom()));
}

QSize ZMenuStyle::sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                                   const QWidget *widget) const
{
    if (type != CT_MenuItem || !isEntry(option))
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    const auto &item = *qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    // The menu measures with its own font; the entry is drawn in the item's, which may differ.
    const int around = marginsOf(item).aroundText();
    const int textWidth = std::min(ZWrappedText::size(item.font, item.text).width(),
                                   widestFor(widget, this) - around);
    const QSize text = ZWrappedText::size(item.font, item.text, textWidth);
    const int vertical = 2 * ZGlobal::sizes().scaled(4);
    const int height = ZGlobal::sizes().atLeastMm(text.height() + vertical, ZSizes::rowMm);
    return QSize(std::max(textWidth, text.width()) + around, height);
}

void ZMenuStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                             const QWidget *widget) const
{
    if (element != CE_MenuItem || !isEntry(option))
        return QProxyStyle::drawControl(element, option, painter, widget);
    const auto &item = *qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    const bool enabled = item.state & State_Enabled;
    const bool selected = enabled && (item.state & State_Selected);
    painter->save();
    if (selected)
        painter->fillRect(item.rect, QColor(ZPalette::highlight));
    const Margins margins = marginsOf(item);
    if (margins.icon > 0 && !item.icon.isNull()) {
        const QRect place(item.rect.left() + margins.side,
                          item.rect.top() + (item.rect.height() - margins.icon) / 2, margins.icon,
                          margins.icon);
        item.icon.paint(painter, place, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
    }
    const QColor text
            = selected ? QColor(ZPalette::highlightedText)
                       : item.palette.color(enabled ? QPalette::Active : QPalette::Disabled,
                                            QPalette::Text);
    painter->setPen(text);
    painter->setFont(item.font);
    ZWrappedText::draw(*painter, textRect(item, item.rect), textAlignment, item.text);
    if (margins.arrow > 0) {
        // A chevron as large as the text, in its colour: the style's own is a few pixels.
        const qreal side = margins.arrow;
        const QPointF tip(item.rect.right() - margins.side, item.rect.center().y() + 0.5);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(text, std::max<qreal>(1.5, side / 6), Qt::SolidLine, Qt::RoundCap,
                             Qt::RoundJoin));
        painter->drawPolyline(QVector<QPointF>{ tip + QPointF(-side / 2, -side / 2), tip,
                                                tip + QPointF(-side / 2, side / 2) });
    }
    painter->restore();
}
