// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/ampmessages.h"

#include <algorithm>

namespace amp {

namespace {

Bytes start(Command command, std::size_t reserve)
{
    Bytes m(std::begin(Header), std::end(Header));
    m.reserve(reserve);
    m.push_back(command);
    return m;
}

Bytes finish(Bytes m)
{
    m.push_back(0xF7);
    return m;
}

Bytes simple(Command command, std::initializer_list<int> body)
{
    Bytes m = start(command, 16);
    for (int b : body)
        m.push_back(std::uint8_t(b & 0x7F));
    return finish(std::move(m));
}

} // namespace

int messageLength(Command command)
{
    switch (command) {
    case Footswitch: return 9;
    case IdentifyRequest: return 8;
    case GroupRequest: return 8;
    case GroupDump: return 8 + 2 * preset::GroupSize; // 1000
    case PresetRequest: return 9;
    case PresetWrite: return 9 + 2 * preset::RecordSize; // 71
    case CurrentPresetRequest: return 8;
    case SinglePreset: return 8 + 2 * preset::RecordSize; // 70
    case PresetStore: return 9;
    case ParameterSet: return 11;
    case BitField: return 12;
    case GlobalsRequest: return 8;
    case Globals: return 8 + 2 * preset::GlobalSize; // 36
    case GlobalBitFieldRequest: return 11;
    case GlobalBitField: return 12;
    case TunerMode: return 9;
    case SyncComplete: return 9;
    case IdentifyReply:
    case TunerData: return 0;
    }
    return 0;
}

int receivedLayoutLength(std::uint8_t command)
{
    switch (command) {
    case IdentifyReply: return 8;                         // version byte at 7
    case GroupDump: return 7 + 2 * preset::GroupSize;     // pairs at 7..998
    case SinglePreset: return 7 + 2 * preset::RecordSize; // pairs at 7..68
    case ParameterSet: return 10;                         // index, high, low
    case BitField: return 11;                             // index, shift, width, value
    case Globals: return 7 + 2 * preset::GlobalSize;      // pairs at 7..34
    case GlobalBitField: return 11;
    case TunerData: return 11; // two pairs at 7..10
    default: return 0;
    }
}

bool hasAmpHeader(const std::uint8_t *data, std::size_t size)
{
    return data && size >= HeaderSize && std::equal(std::begin(Header), std::end(Header), data);
}

void appendNibbles(Bytes &out, std::span<const std::uint8_t> record)
{
    for (std::uint8_t b : record) {
        out.push_back(highNibble(b));
        out.push_back(lowNibble(b));
    }
}

void decodeNibbles(const std::uint8_t *src, std::size_t count, std::uint8_t *dst)
{
    for (std::size_t i = 0; i < count; ++i)
        dst[i] = fromNibbles(src[2 * i], src[2 * i + 1]);
}

namespace {

// Fields that change how the Amp takes later values: the Alt flags choose the
// set that later values go to (older firmware takes values for the active
// set only), and a new amp model or modulation type resets what depends on
// it. Nothing may move across a message that writes one of them.
bool switchesMode(std::uint8_t index, int shift, int width)
{
    const auto overlaps = [&](const Field &f) {
        return index == f.index && shift < f.shift + f.width && f.shift < shift + width;
    };
    return overlaps(preset::AltFlags) || overlaps(preset::ModType) || overlaps(preset::AmpModel);
}

// What a parameter-set, bit-field or global bit-field message with these
// body bytes writes. A field's part is 1 + its shift and width; 0 is the
// whole byte.
SendTarget parameterTarget(std::uint8_t index)
{
    if (switchesMode(index, 0, 8))
        return {};
    return {SendTarget::Kind::Place, index, 0};
}

SendTarget fieldTarget(std::uint8_t index, std::uint8_t shift, std::uint8_t width)
{
    if (switchesMode(index, shift, width))
        return {};
    return {SendTarget::Kind::Place, index, 1 + shift * 128u + width};
}

SendTarget globalFieldTarget(std::uint8_t index, std::uint8_t shift, std::uint8_t width)
{
    return {SendTarget::Kind::Place, GlobalPlaces + index, 1 + shift * 128u + width};
}

// A byte of a message's body, as simple() puts it there.
std::uint8_t wire(int b)
{
    return std::uint8_t(b & 0x7F);
}

} // namespace

SendTarget parameterSetTarget(int index)
{
    return parameterTarget(wire(index));
}

SendTarget bitFieldTarget(int index, int shift, int width)
{
    return fieldTarget(wire(index), wire(shift), wire(width));
}

SendTarget globalBitFieldTarget(int index, int shift, int width)
{
    return globalFieldTarget(wire(index), wire(shift), wire(width));
}

SendTarget sendTarget(const std::uint8_t *data, std::size_t size)
{
    const SendTarget everything;
    if (!hasAmpHeader(data, size) || size <= std::size_t(CommandPos) || data[size - 1] != 0xF7)
        return everything;
    const auto command = Command(data[CommandPos]);
    if (int(size) != messageLength(command))
        return everything;
    switch (command) {
    case ParameterSet: return parameterTarget(data[7]);
    case BitField: return fieldTarget(data[7], data[8], data[9]);
    case GlobalBitField: return globalFieldTarget(data[7], data[8], data[9]);
    case IdentifyRequest:
    case TunerMode: return {SendTarget::Kind::Nothing, 0, 0};
    default: return everything;
    }
}

Bytes footswitch(std::uint8_t sw)
{
    return simple(Footswitch, {sw});
}
Bytes identifyRequest()
{
    return simple(IdentifyRequest, {});
}
Bytes groupRequest()
{
    return simple(GroupRequest, {});
}
Bytes presetRequest(int slot)
{
    return simple(PresetRequest, {slot});
}
Bytes currentPresetRequest()
{
    return simple(CurrentPresetRequest, {});
}
Bytes presetStore(int slot)
{
    return simple(PresetStore, {slot});
}
Bytes globalsRequest()
{
    return simple(GlobalsRequest, {});
}
Bytes tunerMode(std::uint8_t mode)
{
    return simple(TunerMode, {mode});
}
Bytes syncComplete()
{
    return simple(SyncComplete, {1});
}
Bytes identifyReply(std::uint8_t versionByte)
{
    return simple(IdentifyReply, {versionByte});
}

Bytes groupDump(std::span<const std::uint8_t, preset::GroupSize> group)
{
    Bytes m = start(GroupDump, 1000);
    appendNibbles(m, group);
    return finish(std::move(m));
}

Bytes presetWrite(int slot, std::span<const std::uint8_t, preset::RecordSize> record)
{
    Bytes m = start(PresetWrite, 71);
    m.push_back(std::uint8_t(slot & 0x7F));
    appendNibbles(m, record);
    return finish(std::move(m));
}

Bytes singlePreset(std::span<const std::uint8_t, preset::RecordSize> record)
{
    Bytes m = start(SinglePreset, 70);
    appendNibbles(m, record);
    return finish(std::move(m));
}

Bytes parameterSet(int index, std::uint8_t value)
{
    return simple(ParameterSet, {index, highNibble(value), lowNibble(value)});
}

Bytes bitField(int index, int shift, int width, std::uint8_t value)
{
    return simple(BitField, {index, shift, width, value});
}

Bytes globals(std::span<const std::uint8_t, preset::GlobalSize> record)
{
    Bytes m = start(Globals, 36);
    appendNibbles(m, record);
    return finish(std::move(m));
}

Bytes globalBitFieldRequest(int index, int shift, int width)
{
    return simple(GlobalBitFieldRequest, {index, shift, width});
}

Bytes globalBitField(int index, int shift, int width, std::uint8_t value)
{
    return simple(GlobalBitField, {index, shift, width, value});
}

Bytes tunerData(std::uint8_t first, std::uint8_t second)
{
    return simple(TunerData, {highNibble(first), lowNibble(first), highNibble(second), lowNibble(second)});
}

} // namespace amp
