// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "protocol/ampmessages.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

// A stand-in for the Amp, written from what the editor expects of it: it
// keeps sixteen user presets, a current (playing) preset and the global
// settings, answers requests and applies what it is sent.
class VirtualAmp {
public:
    using Bytes = amp::Bytes;

    VirtualAmp();

    std::array<std::uint8_t, preset::GroupSize> presets{};
    preset::Record current{};
    std::array<std::uint8_t, preset::GlobalSize> globals{};
    // The version byte of the identify reply: (v & 3F) + 16 is the firmware
    // version, bit 40 the G variant. 04h reports version 1.4.
    std::uint8_t versionByte = 0x04;
    // Slot whose preset is playing; a preset store without a slot stores here.
    int currentSlot = 0;
    // The bank the next Program Change selects (CC 32: 0 factory, else user).
    bool userBankSelected = true;

    // What the Amp has been told, for tests.
    bool tunerOn = false;
    std::vector<std::uint8_t> footswitchPresses;
    int syncCompletes = 0;
    int ignored = 0;

    // Takes one message from the editor (SysEx or short) and returns the
    // Amp's replies, in order.
    std::vector<Bytes> receive(const std::uint8_t *data, std::size_t size);
    std::vector<Bytes> receive(const Bytes &message) { return receive(message.data(), message.size()); }

    // As if a knob on the Amp turned: the Amp reports the new byte.
    Bytes turnKnob(int index, std::uint8_t value);
    // As if the player chose a preset on the Amp: bank select (controller 32:
    // 1 user, 0 factory) and Program Change on the Amp's channel (global
    // byte 3). A user preset becomes the current one.
    static constexpr int MidiChannelByte = 3;
    std::vector<Bytes> switchTo(int program, bool userBank);
    Bytes tunerReading(std::uint8_t first, std::uint8_t second) { return amp::tunerData(first, second); }

    // ---- Tuner mode. The Amp reports about twenty readings a second.
    static constexpr int TunerIntervalMs = 50;
    // One note lasts this long: a sweep from below the display to above it,
    // a moment in tune near the centre, then silence.
    static constexpr int TunerNoteMs = 4000;
    // The reading (note byte, position byte) at ms milliseconds: the notes
    // step through all twelve classes, one per TunerNoteMs.
    static std::pair<std::uint8_t, std::uint8_t> tunerReadingAt(std::int64_t ms);
    // For a caller's timer: the tuner data message due at nowMs, if one is.
    // None outside tuner mode, with firmware 1.4 or earlier (which sends no
    // tuner data), or sooner than TunerIntervalMs after the last one; a
    // caller that falls behind gets one message, not a backlog.
    std::optional<Bytes> tunerMessageDue(std::int64_t nowMs);

private:
    std::span<std::uint8_t, preset::RecordSize> slot(int s);

    std::optional<std::int64_t> lastTunerMs_; // none since tuner mode was entered
};
