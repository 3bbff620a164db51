// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The Amp's firmware version as one byte, major * 16 + minor (14h is 1.4).
// What each version can do is decided here and nowhere else.
namespace firmware {

// Until an Amp answers, the editor behaves as for version 2.0.
inline constexpr std::uint8_t Initial = 0x20;

// 1.4 and earlier: no preset write message, extra messages for some edits,
// the footswitch sequence instead of the sync-complete message.
constexpr bool isOld(std::uint8_t v)
{
    return v <= 0x14;
}
// 1.8 and later: the "(2.0)" amp models, cabinets and octaver, the global
// cabinet override and the version 2.0 globals.
constexpr bool hasVersion2(std::uint8_t v)
{
    return v >= 0x18;
}

// The version an identify reply reports: (v & 3F) + 16; bit 6 is the G variant.
constexpr std::uint8_t fromIdentifyByte(std::uint8_t b)
{
    return std::uint8_t((b & 0x3F) + 16);
}
constexpr bool isGVariant(std::uint8_t b)
{
    return (b & 0x40) != 0;
}

} // namespace firmware
