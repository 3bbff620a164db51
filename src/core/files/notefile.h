// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/safefile.h"

#include <QString>

#include <cstdint>
#include <span>

// A preset's note: a plain text file beside it. Old notes are Windows-1252
// with CR LF line breaks; those read and write back byte for byte.
namespace files {

// The note beside a preset file: the file name's last extension replaced by
// ".txt" (appended when there is none; a leading dot starts no extension).
// A file that is itself a ".txt" gets ".txt" appended, so its note is never
// the file itself.
QString noteFileName(const QString &presetPath);

// Bytes that are valid UTF-8 decode as UTF-8 (a byte order mark is kept as
// U+FEFF, so the file writes back unchanged); anything else as
// Windows-1252, its five unassigned bytes as the C1 controls of the same
// number. CR LF and bare CR line breaks become '\n'.
QString decodeNote(std::span<const std::uint8_t> bytes);

// The text with every line break ('\n', '\r' or CR LF) written as CR LF, in
// Windows-1252 when every character has a byte there, else in UTF-8. Also in
// UTF-8 when the Windows-1252 bytes would happen to be valid UTF-8 with a
// non-ASCII byte (they would read back as other characters). So
// decodeNote(encodeNote(t)) gives t back, line breaks as '\n'.
Bytes encodeNote(const QString &text);

// The note at path; empty when there is no such file. Throws QuorvexError
// "Can't read file:\n<path>\n<reason>" when it exists but cannot be read,
// and readOpenFile()'s message for a file over MaxReadSize.
QString readNote(const QString &path);

// Writes encodeNote(text) through writeWholeFile().
void writeNote(const QString &path, const QString &text);

} // namespace files
