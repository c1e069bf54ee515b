#include "zglobal.h"

#include <QGuiApplication>
#include <QScreen>

QRect ZGlobal::getContentR(bool)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 240, 320);
}
