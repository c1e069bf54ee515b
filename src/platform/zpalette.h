// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRgb>

// The toolkit's colours, each part at least 3:1 against what it stands on (WCAG 2.1, 1.4.11), so
// that a small screen in daylight still shows it: the list, its highlight, a check box's border,
// the parent row's arrow (drawn in its icon), and the bars. A check mark, as small as text, is held
// to text's 4.5:1: white in a checked box, the highlight's blue in the white box of the
// highlighted row.
struct ZPalette
{
    static constexpr QRgb listBackground = 0xffffff;
    static constexpr QRgb highlight = 0x2f6fd0;
    static constexpr QRgb highlightedText = 0xffffff;
    static constexpr QRgb checkBoxBorder = 0x5a6270;
    static constexpr QRgb checkMark = 0xffffff;
    static constexpr QRgb checkMarkOnList = highlight;
    static constexpr QRgb parentArrow = 0x102040;
    static constexpr QRgb titleBarBottom = 0x24508f;
    static constexpr QRgb titleBarTop = 0x3a6fc4;
    static constexpr QRgb pathText = 0x30405a;
    static constexpr QRgb pathBackground = 0xdde5f0;
    static constexpr QRgb softKeyBar = 0x1f2226;

    // The contrast ratio of two colours, from 1 to 21.
    static double contrast(QRgb a, QRgb b);
};
