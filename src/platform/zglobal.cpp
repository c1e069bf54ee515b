// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zglobal.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {

qreal baseTextPixels = 0;

} // namespace

QRect ZGlobal::getContentR(bool)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 240, 320);
}

void ZGlobal::setBaseTextPixels(qreal pixels)
{
    baseTextPixels = pixels;
}

ZSizes ZGlobal::sizes()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return ZSizes();
    const qreal text
            = baseTextPixels > 0 ? baseTextPixels : QFontInfo(QGuiApplication::font()).pixelSize();
    return sizesFor(screen->availableSize(),
                    screen->physicalSize().isEmpty() ? 0 : screen->physicalDotsPerInch(), text);
}

ZSizes ZGlobal::sizesFor(const QSize &available, qreal dotsPerInch, qreal basePixels)
{
    ZSizes sizes;
    if (dotsPerInch > 0) {
        sizes.pixelsPerMm = dotsPerInch / 25.4;
        // Up to whole pixels: a font rounded down would be a little short of the millimetres.
        sizes.scale = std::max<qreal>(1, std::ceil(ZSizes::textMm * sizes.pixelsPerMm)
                                                 / std::max<qreal>(1, basePixels));
        return sizes;
    }
    // The phone's 240x320, grown by a whole factor, so that the window takes at most 2/3 of the
    // height.
    sizes.scale
            = std::max(1, std::min(available.width() / 240, (available.height() * 2 / 3) / 320));
    return sizes;
}

QRect ZGlobal::mainWindowGeometry()
{
    const QRect room = getContentR(false);
    if (room.width() <= 1080)
        return room;
    QRect window(QPoint(), QSize(480, 800).boundedTo(room.size()));
    window.moveCenter(room.center());
    return window;
}
