// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// A field inside one record byte: the byte's index, the position of the
// field's lowest bit (0-7) and its width in bits (1-7).
struct Field {
    int index;
    int shift;
    int width;

    friend constexpr bool operator==(const Field &, const Field &) = default;
};

namespace bitfield {

constexpr bool valid(int shift, int width)
{
    return shift >= 0 && shift <= 7 && width >= 1 && width <= 7;
}

constexpr std::uint8_t mask(int width)
{
    return std::uint8_t(0x7F >> (7 - width));
}

constexpr std::uint8_t read(std::uint8_t byte, int shift, int width)
{
    return (byte >> shift) & mask(width);
}

// The value is not masked: a wider value spills into the neighbouring bits,
// as the Amp's own receiver does. The result is kept to 8 bits.
constexpr std::uint8_t write(std::uint8_t byte, int shift, int width, int value)
{
    return std::uint8_t((byte & ~(mask(width) << shift)) | (unsigned(value) << shift));
}

} // namespace bitfield
