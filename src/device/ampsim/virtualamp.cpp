// SPDX-License-Identifier: GPL-3.0-or-later
#include "ampsim/virtualamp.h"

#include "ampsim/virtualamppresets.h"
#include "model/firmware.h"

#include <algorithm>

VirtualAmp::VirtualAmp()
{
    for (int s = 0; s < preset::SlotCount; ++s)
        std::ranges::copy(virtualamppresets::all()[std::size_t(s)].record, slot(s).begin());
    // It plays A1, as after being switched on.
    std::ranges::copy(slot(0), current.begin());
    globals.fill(0);
}

std::span<std::uint8_t, preset::RecordSize> VirtualAmp::slot(int s)
{
    return std::span<std::uint8_t, preset::RecordSize>(presets.data() + s * preset::RecordSize, preset::RecordSize);
}

std::vector<VirtualAmp::Bytes> VirtualAmp::switchTo(int program, bool userBank)
{
    const std::uint8_t channel = globals[MidiChannelByte] & 0x0F;
    if (userBank && program >= 0 && program < preset::SlotCount) {
        currentSlot = program;
        std::copy(slot(program).begin(), slot(program).end(), current.begin());
    }
    return {Bytes{std::uint8_t(0xB0 | channel), 32, std::uint8_t(userBank ? 1 : 0)},
            Bytes{std::uint8_t(0xC0 | channel), std::uint8_t(program & 0x7F)}};
}

VirtualAmp::Bytes VirtualAmp::turnKnob(int index, std::uint8_t value)
{
    if (index >= 0 && index < preset::RecordSize)
        current[index] = value;
    return amp::parameterSet(index, value);
}

std::vector<VirtualAmp::Bytes> VirtualAmp::receive(const std::uint8_t *m, std::size_t size)
{
    std::vector<Bytes> replies;
    // A bank select and a Program Change on the Amp's channel switch its
    // preset, as its own buttons do; it says nothing back.
    const std::uint8_t channel = globals[MidiChannelByte] & 0x0F;
    if (size == 3 && m[0] == (0xB0 | channel) && m[1] == 32) {
        userBankSelected = m[2] != 0;
        return replies;
    }
    if (size == 2 && m[0] == (0xC0 | channel)) {
        switchTo(m[1], userBankSelected);
        return replies;
    }
    // Only whole messages with the Amp's header and closing F7 mean anything.
    if (!amp::hasAmpHeader(m, size) || size < 8 || m[size - 1] != 0xF7) {
        ++ignored;
        return replies;
    }
    const auto command = amp::Command(m[amp::CommandPos]);
    const int expected = amp::messageLength(command);
    if (expected == 0 || int(size) != expected) {
        ++ignored;
        return replies;
    }
    const auto validSlot = [](int s) { return s >= 0 && s < preset::SlotCount; };

    switch (command) {
    case amp::Footswitch:
        footswitchPresses.push_back(m[7]);
        // The first step of the old firmware's sync: the Amp reports its
        // Alt flags.
        if (m[7] == 2)
            replies.push_back(amp::bitField(preset::AltTap, 0, 4, bitfield::read(current[preset::AltTap], 0, 4)));
        break;
    case amp::IdentifyRequest: replies.push_back(amp::identifyReply(versionByte)); break;
    case amp::GroupRequest: replies.push_back(amp::groupDump(presets)); break;
    case amp::GroupDump: amp::decodeNibbles(m + 7, preset::GroupSize, presets.data()); break;
    case amp::PresetRequest:
        if (validSlot(m[7]))
            replies.push_back(amp::singlePreset(slot(m[7])));
        break;
    case amp::PresetWrite:
        if (validSlot(m[7]))
            amp::decodeNibbles(m + 8, preset::RecordSize, slot(m[7]).data());
        break;
    case amp::CurrentPresetRequest: replies.push_back(amp::singlePreset(current)); break;
    case amp::SinglePreset: amp::decodeNibbles(m + 7, preset::RecordSize, current.data()); break;
    case amp::PresetStore:
        if (validSlot(m[7])) {
            std::copy(current.begin(), current.end(), slot(m[7]).begin());
            currentSlot = m[7];
        }
        break;
    case amp::ParameterSet:
        if (m[7] < preset::RecordSize)
            current[m[7]] = amp::fromNibbles(m[8], m[9]);
        break;
    case amp::BitField:
        if (m[7] < preset::RecordSize && bitfield::valid(m[8], m[9]))
            current[m[7]] = bitfield::write(current[m[7]], m[8], m[9], m[10]);
        break;
    case amp::GlobalsRequest: replies.push_back(amp::globals(globals)); break;
    case amp::Globals: amp::decodeNibbles(m + 7, preset::GlobalSize, globals.data()); break;
    case amp::GlobalBitFieldRequest:
        if (m[7] < preset::GlobalSize && bitfield::valid(m[8], m[9]))
            replies.push_back(amp::globalBitField(m[7], m[8], m[9], bitfield::read(globals[m[7]], m[8], m[9])));
        break;
    case amp::GlobalBitField:
        if (m[7] < preset::GlobalSize && bitfield::valid(m[8], m[9]))
            globals[m[7]] = bitfield::write(globals[m[7]], m[8], m[9], m[10]);
        break;
    case amp::TunerMode:
        tunerOn = m[7] != 0;
        lastTunerMs_.reset();
        break;
    case amp::SyncComplete: ++syncCompletes; break;
    default: ++ignored; break;
    }
    return replies;
}

std::pair<std::uint8_t, std::uint8_t> VirtualAmp::tunerReadingAt(std::int64_t ms)
{
    constexpr int SweepMs = 2000;
    constexpr int SettleMs = 1000;
    constexpr int Low = -10, High = 110; // beyond both ends of the 21 LEDs
    ms = std::max<std::int64_t>(ms, 0);
    const auto note = std::uint8_t(36 + (ms / TunerNoteMs) % 12); // 36 is an A
    const auto t = int(ms % TunerNoteMs);
    if (t >= SweepMs + SettleMs)
        return {0xFF, 0x00}; // the string has died away
    int position;
    if (t < SweepMs)
        position = Low + (High - Low) * t / SweepMs;
    else
        position = 50 + int((t / TunerIntervalMs) % 5) - 2; // a small wobble around the centre
    // Bit 7 marks a note out of tune.
    const bool outOfTune = position < 48 || position > 52;
    return {std::uint8_t(note | (outOfTune ? 0x80 : 0)), std::uint8_t(std::int8_t(position))};
}

std::optional<VirtualAmp::Bytes> VirtualAmp::tunerMessageDue(std::int64_t nowMs)
{
    if (!tunerOn || firmware::isOld(firmware::fromIdentifyByte(versionByte)))
        return std::nullopt;
    if (lastTunerMs_ && nowMs - *lastTunerMs_ < TunerIntervalMs)
        return std::nullopt;
    lastTunerMs_ = nowMs;
    const auto [n, p] = tunerReadingAt(nowMs);
    return amp::tunerData(n, p);
}
