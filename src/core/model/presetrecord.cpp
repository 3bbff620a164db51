// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/presetrecord.h"

namespace preset {

Range knobRange(int index)
{
    switch (index) {
    case PreGain:
    case PreGainAlt:
    case Low:
    case LowAlt:
    case Mid:
    case MidAlt:
    case High:
    case HighAlt:
    case PostGain:
    case PostGainAlt:
    case MidFreq: return {1, 33};
    case ReverbLevel:
    case ReverbLevelAlt: return {0, 33};
    case ModRate:
    case ModRateAlt:
    case FlangerFB:
    case FlangerDT:
    case DLFeedback:
    case DLFeedbackAlt:
    case DLScale: return {1, 25};
    case ModDepth:
    case ModDepthAlt:
    case DLLevel:
    case DLLevelAlt: return {0, 25};
    case DLTime: return {1, 255};
    default: return {-1, -1};
    }
}

Range fieldRange(Field f)
{
    if (f.index == DLSeparation.index && f.shift == DLSeparation.shift)
        return {0, 25};
    return {-1, -1};
}

QString slotName(int slot)
{
    if (slot < 0 || slot >= SlotCount)
        return {};
    return QString(QChar(u'A' + slot / 4)) + QString::number(slot % 4 + 1);
}

int modelCodeFor(int ampModel)
{
    // The newer models 12..15 have no code of their own; they take the
    // default record's 14 so the nibble only ever holds a code the Amp knows.
    static constexpr int codes[16] = {14, 13, 11, 11, 14, 11, 13, 11, 11, 13, 11, 13, 14, 14, 14, 14};
    return ampModel >= 0 && ampModel < 16 ? codes[ampModel] : 14;
}

namespace {
// Code of each item, in the order the items stand on the form.
constexpr int lowsCodes[] = {0, 2, 1, 3};
constexpr int presenceCodes[] = {1, 2, 3};
constexpr int resonanceCodes[] = {3, 2, 1};

template <std::size_t N>
int codeOf(const int (&codes)[N], int item)
{
    return item >= 0 && item < int(N) ? codes[item] : 0;
}

template <std::size_t N>
int itemOf(const int (&codes)[N], int code)
{
    for (std::size_t i = 0; i < N; ++i)
        if (codes[i] == code)
            return int(i);
    return -1;
}
} // namespace

int radioCode(Radio group, int item)
{
    switch (group) {
    case Radio::PreampLows: return item >= 0 && item < int(std::size(lowsCodes)) ? lowsCodes[item] : 2;
    case Radio::Presence: return codeOf(presenceCodes, item);
    case Radio::Resonance: return codeOf(resonanceCodes, item);
    }
    return 0;
}

int radioItem(Radio group, int code)
{
    switch (group) {
    case Radio::PreampLows: return itemOf(lowsCodes, code);
    case Radio::Presence: return itemOf(presenceCodes, code);
    case Radio::Resonance: return itemOf(resonanceCodes, code);
    }
    return -1;
}

} // namespace preset
