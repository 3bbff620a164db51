// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where an installed program keeps the user's files. An installed program's
// own folder is not the user's (and root could even write to it), so nothing
// of the user's goes there.
namespace AppPaths {

// The desktop entry's name and the AppStream id.
inline constexpr char DesktopId[] = "org.quorvex.Quorvex";

// True when programFile lies in <prefix>/bin with the desktop entry installed
// in <prefix>/share/applications: a copy put there by `cmake --install` or
// the package, not one run from its build folder.
bool isInstalled(const QString &programFile);

// The user's library of Amp files: "Quorvex" in the documents folder,
// created; the home folder when it cannot be created.
QString dataFolder();

// The folder the file list shows when none is stored: the working folder, as
// in a development tree, unless it is "/", not writable, or an installed
// program's own folder (started from a menu or a file manager), then
// dataFolder().
QString startFolder(const QString &workingDir, const QString &programFile);

} // namespace AppPaths
