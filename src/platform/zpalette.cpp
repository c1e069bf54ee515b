// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/zpalette.h"

#include <algorithm>
#include <cmath>

namespace {

double luminance(QRgb colour)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(colour)) + 0.7152 * channel(qGreen(colour))
           + 0.0722 * channel(qBlue(colour));
}

} // namespace

double ZPalette::contrast(QRgb a, QRgb b)
{
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}
