// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

// A message as the Amp's header followed by the given bytes, written out by
// hand so tests compare against literal bytes rather than the builders.
inline std::vector<std::uint8_t> ampMessage(std::initializer_list<std::uint8_t> body)
{
    std::vector<std::uint8_t> m{0xF0, 0x00, 0x20, 0x4F, 0x10, 0x00};
    for (std::uint8_t b : body) // (insert() trips a false GCC 12 bounds warning)
        m.push_back(b);
    return m;
}
