// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

// Screen and platform facts the toolkit offers to applications.
class ZGlobal
{
public:
    // The area that application content may use: the primary screen's available area. The
    // argument (with or without the title bar) is accepted and ignored.
    static QRect getContentR(bool withTitle = false);
    // The phone's screen is 240x320; on a larger screen everything (the main window, fonts and
    // icons) grows by this whole factor, so that the window takes at most 2/3 of the height.
    static int scaleFactor();
    // Where the main window opens unless -geometry says otherwise: the whole available area of a
    // phone-sized screen (up to 1080 pixels wide); on a larger screen, a phone-sized window
    // (480x800, or the screen's height if smaller) in its middle.
    static QRect mainWindowGeometry();
};
