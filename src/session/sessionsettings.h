// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

struct FormSettings;
class Session;

// The stored settings the session's objects take, and what they give back
// for the next start. The window's own (size, split, views) stay with it.
namespace sessionsettings {

// The ports by stored name or number, the output rate, the working folder
// (startFolder when none is stored; the caller finds it only then, since
// finding it may create it), the dialogs' folders, backing up
// before writes, and the backups beside the settings file.
void apply(Session &session, const FormSettings &settings, const QString &settingsPath, const QString &startFolder);

// The ports, the output rate, the working folder and backing up before writes.
void store(Session &session, FormSettings &settings);

} // namespace sessionsettings
