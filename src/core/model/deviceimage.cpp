// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/deviceimage.h"

#include <algorithm>
#include <cassert>

std::span<std::uint8_t, preset::RecordSize> DeviceImage::record(int slot)
{
    assert(slot >= 0 && slot < preset::SlotCount);
    return std::span<std::uint8_t, preset::RecordSize>(group.data() + recordStart(slot), preset::RecordSize);
}

std::span<const std::uint8_t, preset::RecordSize> DeviceImage::record(int slot) const
{
    return preset::groupRecord(group, slot);
}

void DeviceImage::fillDefaults()
{
    for (int s = 0; s < preset::SlotCount; ++s)
        std::copy(preset::DefaultRecord.begin(), preset::DefaultRecord.end(), record(s).begin());
}

void DeviceImage::storeGroup(std::span<const std::uint8_t, preset::GroupSize> bytes)
{
    std::copy(bytes.begin(), bytes.end(), group.begin());
}

void DeviceImage::storeRecord(int slot, std::span<const std::uint8_t, preset::RecordSize> bytes)
{
    std::copy(bytes.begin(), bytes.end(), record(slot).begin());
}

namespace {
bool twoSlots(int a, int b)
{
    return a >= 0 && a < preset::SlotCount && b >= 0 && b < preset::SlotCount && a != b;
}
} // namespace

bool DeviceImage::swapSlots(int a, int b)
{
    if (!twoSlots(a, b))
        return false;
    std::swap_ranges(record(a).begin(), record(a).end(), record(b).begin());
    return true;
}

bool DeviceImage::copySlot(int from, int to)
{
    if (!twoSlots(from, to))
        return false;
    std::copy(record(from).begin(), record(from).end(), record(to).begin());
    return true;
}

std::uint8_t DeviceImage::readField(int slot, Field f) const
{
    return bitfield::read(record(slot)[f.index], f.shift, f.width);
}

void DeviceImage::writeField(int slot, Field f, int value)
{
    auto &byte = record(slot)[f.index];
    byte = bitfield::write(byte, f.shift, f.width, value & bitfield::mask(f.width));
}

void DeviceImage::setAmpModel(int slot, int model)
{
    writeField(slot, preset::AmpModel, model);
    writeField(slot, preset::ModelCode, preset::modelCodeFor(model));
}
