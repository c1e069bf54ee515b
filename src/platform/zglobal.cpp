// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zglobal.h"

#include <QGuiApplication>
#include <QScreen>

QRect ZGlobal::getContentR(bool)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 240, 320);
}

int ZGlobal::scaleFactor()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 1;
    const QSize room = screen->availableSize();
    return qMax(1, qMin(room.width() / 240, (room.height() * 2 / 3) / 320));
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
