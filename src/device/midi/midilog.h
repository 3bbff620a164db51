// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLoggingCategory>

// The MIDI layer's messages. Debug output is off unless asked for with
// QT_LOGGING_RULES="quorvex.midi.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcMidi)
