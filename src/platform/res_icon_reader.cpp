// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/res_icon_reader.h"

#include <QHash>

QPixmap RES_ICON_Reader::getIcon(const QString &fileName, bool) const
{
    static const QStringList known = {
        QStringLiteral("fm_folder_small.bmp"),
        QStringLiteral("gen_back_to_arrw_small.bmp"),
        QStringLiteral("fm_insert_file_small.bmp"),
        QStringLiteral("info_pop.bmp"),
        QStringLiteral("error_pop.bmp"),
        QStringLiteral("recur_enable_pop.bmp"),
    };
    // A listing asks once per row: decode each icon once and hand out shared copies.
    static QHash<QString, QPixmap> cache;
    const auto hit = cache.constFind(fileName);
    if (hit != cache.constEnd())
        return *hit;
    QPixmap pixmap;
    if (known.contains(fileName)) {
        QString resource = fileName;
        resource.chop(4);
        pixmap.load(QStringLiteral(":/platform/icons/") + resource + QStringLiteral(".png"));
    }
    cache.insert(fileName, pixmap);
    return pixmap;
}
