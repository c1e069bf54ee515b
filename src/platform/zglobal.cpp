#include "zglobal.h"

#include <QGuiApplication>
#include <QScreen>

#include <cstdio>
#include <cstring>

const char *const ZGlobal::defaultConfigPath = "/ezxlocal/download/appwrite/setup/ezx_system.cfg";

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

QByteArray ZGlobal::languageCode(const char *configPath)
{
    QByteArray code("en-us");
    FILE *config = configPath ? std::fopen(configPath, "rb") : nullptr;
    if (!config)
        return code;
    const char prefix[] = "LanguageType = ";
    char line[512];
    while (std::fgets(line, sizeof line, config)) {
        if (std::strncmp(line, prefix, sizeof prefix - 1) != 0)
            continue;
        QByteArray found(line + sizeof prefix - 1);
        while (found.endsWith('\n') || found.endsWith('\r'))
            found.chop(1);
        if (!found.isEmpty())
            code = found;
        break;
    }
    std::fclose(config);
    return code;
}
