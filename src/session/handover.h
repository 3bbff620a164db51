// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The command line a second start hands to the running program, and the
// file the running program takes from it, whatever carries the text
// between them. Both ends bound it: a file name is at most PATH_MAX bytes,
// so a command line far longer is no file name, and no box shows it whole.
namespace handover {

// The longest command line handed over, in UTF-8 bytes; the running
// program refuses a longer one unread.
inline constexpr qsizetype MaxBytes = 8 * 1024;

// The command line as a second start sends it: the arguments joined with
// single spaces, a relative path made absolute against workingDir (the
// running program has a working folder of its own). Empty without
// arguments.
QString commandLine(const QStringList &arguments, const QString &workingDir);

// The file a command line names: quotes around the whole of it, as
// Windows-era launchers put them around a name with spaces, are removed;
// a quote inside a name is part of it.
QString fileName(const QString &commandLine);

// Why the file a command line names cannot be opened, before anything is
// tried: the text is longer than MaxBytes, or the name longer than the
// system takes. Empty when nothing is wrong with its length.
QString refusal(const QString &commandLine);

} // namespace handover
