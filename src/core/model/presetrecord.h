// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/bitfield.h"

#include <QString>

#include <array>
#include <cassert>
#include <cstdint>
#include <span>

// The 31 bytes of one preset, every byte stored as the number its control
// shows (no offset, no scaling).
namespace preset {

inline constexpr int RecordSize = 31;
inline constexpr int SlotCount = 16;
inline constexpr int GroupSize = RecordSize * SlotCount; // 496
inline constexpr int GlobalSize = 14;

using Record = std::array<std::uint8_t, RecordSize>;

// The record of a slot in a group's bytes.
inline std::span<const std::uint8_t, RecordSize> groupRecord(std::span<const std::uint8_t> group, int slot)
{
    assert(slot >= 0 && std::size_t(slot + 1) * RecordSize <= group.size());
    return group.subspan(std::size_t(slot) * RecordSize).first<RecordSize>();
}

// Byte indices. Each Alt byte is the second value of a dual pair and follows
// its normal byte.
enum Byte : int {
    AmpCab = 0,
    PreampFlags = 1,
    ModTone = 2,
    PreGain = 3,
    PreGainAlt = 4,
    Low = 5,
    LowAlt = 6,
    Mid = 7,
    MidAlt = 8,
    High = 9,
    HighAlt = 10,
    PostGain = 11,
    PostGainAlt = 12,
    ReverbLevel = 13,
    ReverbLevelAlt = 14,
    MidFreq = 15,
    Reserved16 = 16, // meaning unknown; carried unchanged
    ModRate = 17,
    ModRateAlt = 18,
    ModDepth = 19,
    ModDepthAlt = 20,
    FlangerFB = 21,
    FlangerDT = 22,
    DLTime = 23, // base delay time in 4 ms units
    DLFeedback = 24,
    DLFeedbackAlt = 25,
    DLLevel = 26,
    DLLevelAlt = 27,
    DLScale = 28, // factor 1 + (value - 13) / 24 on the base time
    DLSepDark = 29,
    AltTap = 30,
};

// Fields inside the packed bytes.
inline constexpr Field AmpModel{AmpCab, 0, 4};
inline constexpr Field Cabinet{AmpCab, 4, 4};
inline constexpr Field ModelCode{PreampFlags, 0, 4};
inline constexpr Field PadOff{PreampFlags, 4, 1}; // 1 = pad off
inline constexpr Field Bright{PreampFlags, 5, 1};
inline constexpr Field PreampLows{PreampFlags, 6, 2};
inline constexpr Field ModType{ModTone, 0, 4};
inline constexpr Field Presence{ModTone, 4, 2};
inline constexpr Field Resonance{ModTone, 6, 2};
// Separation occupies bits 0-6 of its byte but travels to the Amp as a
// six-bit field; its range 0..25 fits both.
inline constexpr Field DLSeparationBits{DLSepDark, 0, 7};
inline constexpr Field DLSeparation{DLSepDark, 0, 6};
inline constexpr Field Dark{DLSepDark, 7, 1};
inline constexpr Field BoostAlt{AltTap, 0, 1};
inline constexpr Field ModAlt{AltTap, 1, 1};
inline constexpr Field DelayAlt{AltTap, 2, 1};
inline constexpr Field ReverbAlt{AltTap, 3, 1};
inline constexpr Field TapFunction{AltTap, 4, 4};
// Sent only to old firmware (1.4 and earlier): the four Alt flags at once,
// and bit 5 of the separation byte.
inline constexpr Field AltFlags{AltTap, 0, 4};
inline constexpr Field DLSepBit5{DLSepDark, 5, 1};

// The values a byte or field may take: the one place the ranges are
// written down; the editor panel builds its knobs from them.
struct Range {
    int min;
    int max;
};
// Whole-byte knob values; {-1, -1} for bytes that are not one.
Range knobRange(int index);
// Fields with a knob (DLSeparation); {-1, -1} for the rest.
Range fieldRange(Field f);

inline constexpr Record DefaultRecord{0, 30, 224, 17, 20, 17, 17, 17, 17, 17, 17, 17, 20, 0, 8, 17,
                                      0, 3,  3,   0,  13, 19, 10, 95, 5,  5,  0,  10, 13, 5, 0};

// Slot names "A1".."D4": bank letter A + slot / 4, number slot % 4 + 1.
QString slotName(int slot);

// The code written into ModelCode when the amp model changes.
int modelCodeFor(int ampModel);

// Radio groups store codes, not item indices.
enum class Radio { PreampLows, Presence, Resonance };
// An item outside the group (-1: none checked) gives 2 for the preamp lows
// and 0, "no item", for the other two.
int radioCode(Radio group, int item);
int radioItem(Radio group, int code); // -1 = no item selected

// The four sections with two sets of values: each normal byte is followed by
// its Alt byte, and a flag of AltTap says which set is active.
enum class Dual { Preamp, Modulation, Delay, Reverb }; // the order the panel loads them
inline constexpr int DualCount = 4;
struct DualSection {
    std::span<const int> normalBytes;
    Field flag;
};
inline constexpr int PreampBytes[] = {PreGain, Low, Mid, High, PostGain};
inline constexpr int ModulationBytes[] = {ModRate, ModDepth};
inline constexpr int DelayBytes[] = {DLFeedback, DLLevel};
inline constexpr int ReverbBytes[] = {ReverbLevel};
constexpr DualSection dualSection(Dual d)
{
    switch (d) {
    case Dual::Preamp: return {PreampBytes, BoostAlt};
    case Dual::Modulation: return {ModulationBytes, ModAlt};
    case Dual::Delay: return {DelayBytes, DelayAlt};
    case Dual::Reverb: return {ReverbBytes, ReverbAlt};
    }
    return {PreampBytes, BoostAlt};
}

} // namespace preset
