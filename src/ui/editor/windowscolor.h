// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

#include <cstdint>

// Colours are written down as Windows colour values, 0x00BBGGRR; this is the
// one place they turn into QColor.
constexpr QRgb rgbFromWindowsColor(std::uint32_t bbggrr)
{
    return qRgb(int(bbggrr & 0xFF), int((bbggrr >> 8) & 0xFF), int((bbggrr >> 16) & 0xFF));
}

inline QColor fromWindowsColor(std::uint32_t bbggrr)
{
    return QColor(rgbFromWindowsColor(bbggrr));
}
