// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// One readable line for a message between the editor and the Amp: the
// command's name and what it carries (slot, byte, value, version...).
// Anything without the Amp's header is shown as raw bytes.
QString describeMessage(const std::uint8_t *data, std::size_t size);
