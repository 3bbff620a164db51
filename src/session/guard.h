// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class Prompter;

// Runs the body of a command, timer or MIDI handler. A QuorvexError is shown
// in the error box; an Abort (a cancelled question) unwinds silently. Nothing
// escapes, so no exception ever crosses Qt's event machinery.
// Returns true when the body ran to its end.
bool guarded(Prompter &prompter, const QString &applicationTitle, const std::function<void()> &body);
// The same, with the error's text handed to report instead of a box.
bool guarded(const std::function<void(const QString &)> &report, const std::function<void()> &body);
