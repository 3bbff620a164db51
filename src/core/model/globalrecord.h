// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/bitfield.h"
#include "model/presetrecord.h"

// The GlobalRecord: fourteen bytes of the Amp's own settings, none of them
// part of a preset. Bytes 0, 8, 11 and 12 and bits 2, 3 and 7 of byte 4 mean
// nothing known; they are carried as the Amp sent them.
namespace globalrecord {

inline constexpr int MidiChannel = 3;  // the channel of the Amp's own Program Changes
inline constexpr int TunerOptions = 9; // bit 0 E-flat, bit 1 chromatic
inline constexpr int TunerLevel = 10;
// 0: every preset uses its own cabinet; n: cabinet n - 1 overrides them all.
inline constexpr int Cabinet = 13;
inline constexpr int CabinetShift = 0;
inline constexpr int CabinetWidth = 5;

// What each setting addresses when it travels as a global bit-field message.
inline constexpr Field BankStyle{1, 0, 2};         // footswitch controller bank select style, 0..2
inline constexpr Field InactiveLeds{2, 0, 2};      // footswitch controller LEDs of inactive modes, 0..2
inline constexpr Field Channel{MidiChannel, 0, 4}; // 0..15 = channels 1..16
inline constexpr Field UserPresets{4, 0, 1};       // power-up presets: 1 user, 0 factory
inline constexpr Field Stereo{4, 1, 1};            // 1: 2 x 12 stereo cabinet, 0: 1 x 12
inline constexpr Field LedsOff{4, 4, 1};
inline constexpr Field Attenuator{4, 5, 1}; // 18 dB quieter
inline constexpr Field QuickBoost{4, 6, 1};
inline constexpr Field GateThreshold{5, 0, 5};
inline constexpr Field GateSensitivity{6, 0, 5};
inline constexpr Field InputAdjust{7, 0, 6};
inline constexpr Field EFlat{TunerOptions, 0, 1};
inline constexpr Field Chromatic{TunerOptions, 1, 1};
inline constexpr Field BypassVolume{TunerLevel, 0, 5};

// What the tuner asks the Amp for when it opens: the bypass volume and both
// tuner options.
inline constexpr Field TunerLevelRequest{TunerLevel, 0, 7};
inline constexpr Field TunerOptionsRequest{TunerOptions, 0, 2};

// The knobs' ranges.
inline constexpr preset::Range GateRange{0, 25};
inline constexpr preset::Range InputAdjustRange{1, 33};
inline constexpr preset::Range BypassVolumeRange{0, 25};

} // namespace globalrecord
