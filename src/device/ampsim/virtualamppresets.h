// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"

#include <QString>

#include <array>

// The built-in Amp's sixteen user presets: our own, one of each kind a
// player reaches for (cleans, crunches, leads, ambient ones), so that
// stepping through them visibly changes the editor. The same at every start.
namespace virtualamppresets {

struct Named {
    QString name;
    preset::Record record;
};

const std::array<Named, preset::SlotCount> &all();

} // namespace virtualamppresets
