// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"

#include <cstdint>
#include <span>
#include <vector>

// The Amp's SysEx messages: every one opens with the same six-byte header,
// then the AmpCommand, then a body of fixed layout. Record bytes travel as
// nibble pairs (high nibble first).
namespace amp {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t Header[6] = {0xF0, 0x00, 0x20, 0x4F, 0x10, 0x00};
inline constexpr int HeaderSize = 6;
inline constexpr int CommandPos = 6;

enum Command : std::uint8_t {
    Footswitch = 1,
    IdentifyRequest = 2,
    IdentifyReply = 3,
    GroupRequest = 4,
    GroupDump = 5,
    PresetRequest = 6,
    PresetWrite = 7,
    CurrentPresetRequest = 8,
    SinglePreset = 9,
    PresetStore = 10,
    ParameterSet = 12,
    BitField = 14,
    GlobalsRequest = 18,
    Globals = 19,
    GlobalBitFieldRequest = 20,
    GlobalBitField = 21,
    TunerMode = 22,
    TunerData = 23,
    SyncComplete = 24,
};

// Length of each message the editor sends (and of the dumps it receives);
// 0 for commands the editor never sends.
int messageLength(Command command);

// How many bytes a received message must hold for its fields to be read
// (the closing F7 is not required); 0 for commands the editor ignores.
int receivedLayoutLength(std::uint8_t command);

bool hasAmpHeader(const std::uint8_t *data, std::size_t size);

inline constexpr std::uint8_t highNibble(std::uint8_t b)
{
    return (b >> 4) & 0x0F;
}
inline constexpr std::uint8_t lowNibble(std::uint8_t b)
{
    return b & 0x0F;
}
inline constexpr std::uint8_t fromNibbles(std::uint8_t high, std::uint8_t low)
{
    return std::uint8_t(((high << 4) & 0xF0) + (low & 0x0F));
}
void appendNibbles(Bytes &out, std::span<const std::uint8_t> record);
// Decodes count bytes from 2 * count nibble bytes at src.
void decodeNibbles(const std::uint8_t *src, std::size_t count, std::uint8_t *dst);

Bytes footswitch(std::uint8_t sw);
Bytes identifyRequest();
Bytes groupRequest();
Bytes groupDump(std::span<const std::uint8_t, preset::GroupSize> group);
Bytes presetRequest(int slot);
Bytes presetWrite(int slot, std::span<const std::uint8_t, preset::RecordSize> record);
Bytes currentPresetRequest();
Bytes singlePreset(std::span<const std::uint8_t, preset::RecordSize> record);
Bytes presetStore(int slot);
Bytes parameterSet(int index, std::uint8_t value);
Bytes bitField(int index, int shift, int width, std::uint8_t value);
Bytes globalsRequest();
Bytes globals(std::span<const std::uint8_t, preset::GlobalSize> record);
Bytes globalBitFieldRequest(int index, int shift, int width);
Bytes globalBitField(int index, int shift, int width, std::uint8_t value);
Bytes tunerMode(std::uint8_t mode);
Bytes syncComplete();

// What a message the editor sends writes on the Amp, so that a send queue
// can let a newer value take the place of one still waiting: a parameter-set
// or bit-field message writes one place (a byte of the current preset, or of
// the GlobalRecord) and one part of it (the whole byte, or one field); a
// question for the Amp's name or a tuner switch writes nothing; anything
// else (whole records, stores, dumps, the footswitch, messages not the
// Amp's, and fields that switch the Amp's mode: the Alt flags, the amp model
// and the modulation type) may write anything, so it keeps its place and
// nothing moves across it.
struct SendTarget {
    enum class Kind : std::uint8_t { Nothing, Everything, Place };
    Kind kind = Kind::Everything;
    std::uint32_t place = 0;
    std::uint32_t part = 0;
    bool operator==(const SendTarget &) const = default;
};
// Places of the GlobalRecord's bytes start here; the preset's start at 0.
inline constexpr std::uint32_t GlobalPlaces = 128;
SendTarget sendTarget(const std::uint8_t *data, std::size_t size);
// The same for the message parameterSet, bitField or globalBitField builds
// from these arguments, known where it is built and never read back.
SendTarget parameterSetTarget(int index);
SendTarget bitFieldTarget(int index, int shift, int width);
SendTarget globalBitFieldTarget(int index, int shift, int width);

// Replies the Amp sends (used by the virtual Amp and by tests).
Bytes identifyReply(std::uint8_t versionByte);
Bytes tunerData(std::uint8_t first, std::uint8_t second);

} // namespace amp
