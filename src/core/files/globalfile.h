// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/safefile.h"
#include "model/presetrecord.h"

#include <QString>

#include <array>
#include <cstdint>
#include <span>

// The global settings file: the Amp's 36-byte Globals message (header,
// command 13, 14 nibble pairs, F7).
namespace files {

using GlobalRecord = std::array<std::uint8_t, preset::GlobalSize>;

inline constexpr int GlobalFileSize = 36;

// Throws QuorvexError, each message naming path at its end when given:
//   "Not a Quorvatron Global File:\n<path>"  bytes 0..6 are not F0 00 20 4F
//                 10 00 13 (a file shorter than seven bytes included)
//   "Incorrect File Format:\n<path>"         fewer than 36 bytes
// The F7 is not checked; nibble bytes are masked to their low four bits.
GlobalRecord decodeGlobalFile(std::span<const std::uint8_t> bytes, const QString &path = QString());

// Reads the file at path (quotes removed) and decodes it; throws what
// readWholeFile() and decodeGlobalFile() throw.
GlobalRecord readGlobalFile(const QString &path);

// Writes exactly the 36 bytes of the Globals message through writeWholeFile().
void writeGlobalFile(const QString &path, std::span<const std::uint8_t, preset::GlobalSize> record);

} // namespace files
