// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"

#include <array>
#include <cstdint>
#include <span>

// The editor's copy of the Amp's data: the sixteen user presets and the
// global settings, two separate arrays and nothing else.
class DeviceImage {
public:
    std::array<std::uint8_t, preset::GroupSize> group{};
    std::array<std::uint8_t, preset::GlobalSize> globals{};

    static int recordStart(int slot) { return slot * preset::RecordSize; }
    std::span<std::uint8_t, preset::RecordSize> record(int slot);
    std::span<const std::uint8_t, preset::RecordSize> record(int slot) const;

    void fillDefaults();
    void storeGroup(std::span<const std::uint8_t, preset::GroupSize> bytes);
    void storeRecord(int slot, std::span<const std::uint8_t, preset::RecordSize> bytes);
    // Rearranging a group: two slots trade records, or one's record is
    // copied over another's. False (and nothing changes) for a slot outside
    // the group or the same slot twice.
    bool swapSlots(int a, int b);
    bool copySlot(int from, int to);

    std::uint8_t readField(int slot, Field f) const;
    void writeField(int slot, Field f, int value);
    // Writes the amp model and the ModelCode that goes with it, keeping the
    // other bits of both bytes.
    void setAmpModel(int slot, int model);
};
