// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// What the Amp can tell the editor, one call per kind of message. Pointers
// address the message's nibble pairs (two bytes per record byte) and are
// valid only during the call.
class AmpReceiver {
public:
    virtual ~AmpReceiver() = default;

    virtual void identifyReply(std::uint8_t versionByte) = 0;
    virtual void groupDump(const std::uint8_t *pairs) = 0;    // 496 pairs
    virtual void singlePreset(const std::uint8_t *pairs) = 0; // 31 pairs
    virtual void globals(const std::uint8_t *pairs) = 0;      // 14 pairs
    // A knob or switch changed on the Amp. Any index the message carries,
    // unchecked: the receiver decides what it accepts.
    virtual void parameterChange(int index, std::uint8_t value) = 0;
    virtual void bitFieldChange(int index, int shift, int width, int value) = 0;
    virtual void globalBitFieldChange(int index, int shift, int width, int value) = 0;
    virtual void tunerData(std::uint8_t first, std::uint8_t second) = 0;
};

// Checks one received SysEx buffer and hands an Amp message to the
// receiver. Anything without the Amp header, with a command the editor does
// not handle, or shorter than its command's layout is ignored.
void dispatchSysEx(const std::uint8_t *data, int size, AmpReceiver &receiver);
