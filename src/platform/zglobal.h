#pragma once

#include <QRect>

// Screen facts the toolkit offers to applications.
class ZGlobal
{
public:
    // The area that application content may use: the primary screen's available area.
    static QRect getContentR(bool withTitle = false);
};
