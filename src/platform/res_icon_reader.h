// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QString>

// The platform's icon set, found by the platform's bitmap file names ("fm_folder_small.bmp").
// An unknown name gives a null pixmap.
class RES_ICON_Reader
{
public:
    QPixmap getIcon(const QString &fileName, bool cached = true) const;
};
