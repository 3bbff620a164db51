// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"

#include <QString>

#include <utility>

class Session;

// What the library's windows ask of the editor, as the editor's own
// commands do it. Rows into tabs and tabs onto tabs are PresetEditor's
// importRecord, copySlot and swapSlots.
namespace libraryrequests {

// As a file handed over: asks to save, opens the file wherever it lies (the
// file list stays) and shows `slot` (-1: the first) when it holds a group.
void open(Session &session, const QString &path, int slot);
// Plays a record on the Amp without taking it into the editor; only values
// the Amp takes reach it, whatever an old index holds.
void hear(Session &session, const preset::Record &record);
// Moves the Amp from one record to the next with the messages of what
// differs (a morph's step), without taking either into the editor.
void hearChange(Session &session, const preset::Record &from, const preset::Record &to);
// The shown preset, and its name as the library's compare window titles it
// ("Amp Presets B2" in group view).
preset::Record currentRecord(Session &session);
QString currentName(Session &session);
// The shown preset's file and slot (-1 in single view).
std::pair<QString, int> currentFile(Session &session);

} // namespace libraryrequests
