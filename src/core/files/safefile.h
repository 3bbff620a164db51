// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QFile;

#include <cstdint>
#include <span>
#include <vector>

// Whole-file reads with a size cap, and writes that never leave a file half
// written. Every failure throws QuorvexError with a message for the error box.
namespace files {

using Bytes = std::vector<std::uint8_t>;

// Files the program reads are a few hundred bytes; anything above this is a
// wrong pick and is refused before it is read.
inline constexpr qint64 MaxReadSize = 1024 * 1024;

// A reader's message: its words first, as users know them, then the file
// they concern (the words alone without a path).
QString aboutFile(const QString &words, const QString &path);

// File names pasted from elsewhere often arrive quoted: quotes around the
// whole name go; a '"' inside a name is part of it.
QString unquotedPath(const QString &path);

// text cut to at most max characters by an ellipsis in its middle, so that
// a path shows its start and its file name.
QString elidedMiddle(const QString &text, qsizetype max = 160);

// Opens the file at path for reading when it is a regular file. The check is
// made on the opened file, and opening does not wait: a FIFO or device put
// in the file's place, even between a look and the open, is refused at once
// instead of holding the program. False with the reason when not opened
// ("Not a regular file", or the system's).
bool openRegularFile(QFile &file, const QString &path, QString *reason = nullptr);

// Reads the whole file at path (taken as is: quote removal is the caller's
// business, see unquotedPath), opened by openRegularFile(). Throws
//   "Can't open file:\n<path>"              missing, not a regular file, unreadable
//   "File too large (over 1 MiB):\n<path>"  more than MaxReadSize bytes
//   "Can't read file:\n<path>\n<reason>"    an error while reading
Bytes readWholeFile(const QString &path);

// The rest of an open file, refused past MaxReadSize. Throws the last two
// messages of readWholeFile().
Bytes readOpenFile(QFile &file, const QString &path);

// Whether a file in a folder the user may not write to, but which is itself
// writable, is rewritten in place (without the safety of a temporary file).
enum class InPlace { Never, WhenFolderIsReadOnly };

// Replaces (or creates) the file at path with bytes through QSaveFile: until
// the new content is complete on disk the old file stays as it was, and a
// failed write leaves no temporary file behind. Throws
//   "Can't save file:\n<path>\n<reason>"
// with the system's reason (missing or read-only folder, disk full, file
// size limit, ...). Once saved, temporary files that earlier saves of the
// same file left behind (the program killed half way) go to the trash.
void writeWholeFile(const QString &path, std::span<const std::uint8_t> bytes, InPlace inPlace = InPlace::Never);

// Moves the file at path to the user's trash; false when it could not, with
// the system's reason in *reason when there is one. Unlike the others, does
// not throw.
bool moveToTrash(const QString &path, QString *reason = nullptr);

// A write past the file-size limit (ulimit -f) then fails like any other,
// with its reason, instead of the system ending the program (SIGXFSZ) and
// the edits with it. For the program's start.
void ignoreFileSizeLimitSignal();

} // namespace files
