// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zsoftkeybutton.h"

#include "platform/zglobal.h"
#include "platform/zwrappedtext.h"

#include <QPainter>
#include <QScreen>
#include <QStyleOptionToolButton>

#include <algorithm>

ZSoftKeyButton::ZSoftKeyButton(QWidget *parent)
    : QToolButton(parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QSize ZSoftKeyButton::padding() const
{
    const ZSizes sizes = ZGlobal::sizes();
    return QSize(sizes.scaled(6), sizes.scaled(3));
}

QSize ZSoftKeyButton::atLeast(QSize size) const
{
    const ZSizes sizes = ZGlobal::sizes();
    return QSize(sizes.atLeastMm(size.width(), ZSizes::softKeyMm),
                 sizes.atLeastMm(size.height(), ZSizes::softKeyMm));
}

QSize ZSoftKeyButton::sizeHint() const
{
    return atLeast(ZWrappedText::size(font(), text()) + 2 * padding());
}

QSize ZSoftKeyButton::minimumSizeHint() const
{
    // Its longest word on a line, and no wider than the screen: a word wider still is broken.
    int widest = 0;
    for (const QString &word : text().split(u' ', Qt::SkipEmptyParts))
        widest = std::max(widest, ZWrappedText::size(font(), word).width());
    if (const QScreen *shown = screen())
        widest = std::min(widest, shown->availableGeometry().width() / 2 - 2 * padding().width());
    const int width = widest + 2 * padding().width();
    return atLeast(QSize(width, heightForWidth(width)));
}

int ZSoftKeyButton::heightForWidth(int width) const
{
    const QSize pad = padding();
    const QSize text = ZWrappedText::size(font(), this->text(), width - 2 * pad.width());
    return atLeast(QSize(width, text.height() + 2 * pad.height())).height();
}

QRect ZSoftKeyButton::captionRect() const
{
    const QSize pad = padding();
    return rect().adjusted(pad.width(), pad.height(), -pad.width(), -pad.height());
}

void ZSoftKeyButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // The style draws the key (pressed or not), the caption is drawn here: wrapped, never cut.
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, this);
    painter.setPen(option.palette.color(QPalette::ButtonText));
    ZWrappedText::draw(painter, captionRect(), captionAlignment, text());
}
