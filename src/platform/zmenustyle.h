// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

class QStyleOptionMenuItem;

// How an options menu's entries are sized and drawn, the one and the other from the same font and
// margins: an entry is as wide as its text in the font it is drawn in, up to the screen's width;
// past that its text wraps, and it is never cut. An entry is at least a finger's row high where
// the screen says how large a millimetre is. Everything else is the application's style.
class ZMenuStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // The one instance that every options menu shares.
    static ZMenuStyle *instance();

    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override;

    // Where an entry's text is drawn, within the entry's own rectangle.
    static QRect textRect(const QStyleOptionMenuItem &item, const QRect &entry);
    // How the text is placed there (ZWrappedText).
    static constexpr Qt::Alignment textAlignment = Qt::AlignLeft | Qt::AlignVCenter;

private:
    ZMenuStyle();
    static bool isEntry(const QStyleOption *option);
};
