// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/safefile.h"
#include "model/presetrecord.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <span>

// Preset and group files: the Amp's own dump message as it travels, header
// F0 00 20 4F 10 00, command, nibble pairs (high nibble first), F7.
//
// Reading comes in two steps because the caller acts in between: it shows
// the group or single view as soon as the kind is known, even when the file
// then turns out too short.
//
//   const QString path = files::unquotedPath(name);
//   const files::Bytes bytes = files::readWholeFile(path);
//   const files::Kind kind = files::classify(bytes, path, importing);
//   ... switch the view by kind ...
//   const files::Bytes data = files::decode(kind, bytes);
//
// readPresetFile() does the same in one call with a hook for that step.
namespace files {

enum class Kind {
    Group,  // command 05: 16 presets, 496 bytes, file at least 1000 bytes
    Single, // command 09: one preset, 31 bytes, file at least 70 bytes
    Global, // command 13: the global settings, 14 bytes, file at least 36 bytes
};

// Smallest file of each kind: header, command, the nibble pairs and one
// closing byte, whose value is not checked (it should be F7). Bytes after
// it are ignored.
int minimumFileSize(Kind kind);
// Bytes decode() returns for each kind.
int recordBytes(Kind kind);

// Checks the header and tells the kind from byte 6. path is used only in
// messages, each of which names it at its end (no path: the words alone).
// Throws QuorvexError:
//   "Incorrect Header:\nF0 00 20 4F 10 01 09\n<path>"
//        a byte of 0..5 differs from the header; the first seven bytes as
//        two-digit hex, or only those there are in a shorter file
//   "Incorrect File Format:\n<path>"  the bytes present match the header
//                                     but the file ends before byte 6
//   "Incorrect File Header:\n<path>"  byte 6 names no file kind
//   "Not a single preset file:\n<path>"  importing a group file (a global
//                                 file is not refused: the caller asks)
Kind classify(std::span<const std::uint8_t> bytes, const QString &path, bool importing);

// The record a file of a known kind holds: 496, 31 or 14 bytes, each from a
// nibble pair with every nibble byte masked to its low four bits. Throws
// "Incorrect File Format:\n<path>" when the file is too short for its kind.
Bytes decode(Kind kind, std::span<const std::uint8_t> bytes, const QString &path = QString());

struct PresetFile {
    QString path; // the path with quotes removed
    Kind kind;
    Bytes data; // recordBytes(kind) bytes
};

// Reads, classifies and decodes the file at path (quotes removed first);
// onKind runs after classify() and before the length check. Throws what
// readWholeFile(), classify() and decode() throw.
PresetFile readPresetFile(const QString &path, bool importing, const std::function<void(Kind)> &onKind = {});

// Write the 70-byte single preset or the 1000-byte group file, the same
// bytes as the Amp's SinglePreset and GroupDump messages, through
// writeWholeFile() (same failure message).
void writeSingleFile(const QString &path, std::span<const std::uint8_t, preset::RecordSize> record);
void writeGroupFile(const QString &path, std::span<const std::uint8_t, preset::GroupSize> group);

} // namespace files
