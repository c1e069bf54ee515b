// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QtMath>
#include <QSize>

// The sizes the toolkit draws with on a screen. Where the screen reports its physical size, they
// are what a finger and an eye need there: a row at least 7 mm high, a soft key at least 9 mm
// each way, text at least 2.5 mm, icons in proportion to the text. Where it does not, the phone's
// own 240x320 sizes, grown by the whole factor that the screen's pixel size allows. A phone-sized
// screen without a scale factor thus gets what its density asks, and one that Phosh scales by 2
// gets what it has always had.
struct ZSizes
{
    static constexpr qreal rowMm = 7, softKeyMm = 9, textMm = 2.5;

    qreal scale = 1; // of the phone's own sizes: text, icons, paddings
    qreal pixelsPerMm = 0; // 0: the screen does not say

    int scaled(qreal pixels) const { return qRound(pixels * scale); }
    // At least so many millimetres where the density is known; pixels otherwise.
    int atLeastMm(int pixels, qreal millimetres) const
    {
        return qMax(pixels, qCeil(millimetres * pixelsPerMm));
    }
    int iconSize() const { return scaled(32); }
};

// Screen and platform facts the toolkit offers to applications.
class ZGlobal
{
public:
    // The area that application content may use: the primary screen's available area. The
    // argument (with or without the title bar) is accepted and ignored.
    static QRect getContentR(bool withTitle = false);
    // The sizes on the primary screen, for text whose pixel size was basePixels before it grew
    // (the font the application started with; ZApplication notes it).
    static ZSizes sizes();
    static void setBaseTextPixels(qreal pixels);
    // The same for a screen of this available size and physical density (logical pixels an
    // inch; 0 where it reports none).
    static ZSizes sizesFor(const QSize &available, qreal dotsPerInch, qreal basePixels);
    // Where the main window opens unless -geometry says otherwise: the whole available area of a
    // phone-sized screen (up to 1080 pixels wide); on a larger screen, a phone-sized window
    // (480x800, or the screen's height if smaller) in its middle.
    static QRect mainWindowGeometry();
};
