// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"
#include "protocol/ampmessages.h"

#include <vector>

// A preset between two others, for the ear: every knob that differs moves
// from A's value to B's as the slider does; switches and lists, which have
// no in-between, flip at the midpoint.
namespace presetmorph {

inline constexpr int Steps = 100; // the slider's range: 0 is A, Steps is B

preset::Record between(const preset::Record &a, const preset::Record &b, int step);

// What puts the Amp from `from` to `to`: a parameter message for each knob
// that differs (the send queue keeps only the newest of each while they
// wait), or the whole record as editor data when a switch or list differs.
std::vector<amp::Bytes> messages(const preset::Record &from, const preset::Record &to);

} // namespace presetmorph
