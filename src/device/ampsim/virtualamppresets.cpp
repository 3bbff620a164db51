// SPDX-License-Identifier: GPL-3.0-or-later
#include "ampsim/virtualamppresets.h"

#include "model/bitfield.h"
#include "model/presetparams.h"

namespace virtualamppresets {

namespace {

struct Recipe {
    const char *name;
    int model, cabinet, gain, low, mid, high, post, reverb, modType, modRate, modDepth, delayLevel, feedback, delayTime;
};

// Gains and tone 1..33 (17 is noon), reverb 0..33, depth and delay level
// 0..25, delay time in 4 ms units.
constexpr Recipe Recipes[preset::SlotCount] = {
    {"Glass Clean", 0, 0, 8, 17, 15, 20, 20, 10, 0, 4, 6, 0, 5, 95},
    {"Bright Crunch", 1, 1, 18, 16, 19, 21, 18, 6, 0, 3, 0, 0, 5, 95},
    {"Classic Lead", 2, 3, 26, 18, 22, 19, 17, 8, 0, 3, 0, 8, 8, 110},
    {"Heavy Lead", 3, 2, 30, 21, 14, 20, 16, 6, 1, 5, 4, 9, 10, 120},
    {"Warm Jazz", 4, 4, 6, 20, 16, 12, 21, 12, 0, 2, 4, 0, 5, 95},
    {"Vintage Drive", 5, 5, 21, 17, 20, 18, 18, 7, 3, 8, 10, 0, 5, 95},
    {"Chime Rhythm", 6, 6, 14, 15, 17, 23, 19, 9, 0, 4, 8, 4, 4, 85},
    {"Modern Metal", 7, 7, 32, 22, 10, 22, 15, 4, 0, 3, 0, 0, 5, 95},
    {"Smooth Solo", 8, 8, 24, 17, 21, 16, 18, 11, 0, 3, 5, 10, 9, 105},
    {"Ambient Swell", 9, 9, 9, 15, 15, 22, 19, 28, 0, 2, 14, 18, 16, 150},
    {"Fuzz Wall", 10, 10, 31, 20, 18, 17, 16, 5, 2, 6, 12, 0, 5, 95},
    {"Blues Crunch", 11, 11, 19, 18, 20, 17, 18, 9, 3, 10, 8, 0, 5, 95},
    {"Studio Clean", 12, 12, 10, 17, 17, 19, 20, 12, 4, 6, 10, 5, 5, 90},
    {"Hot Rhythm", 13, 13, 25, 19, 19, 19, 17, 6, 0, 3, 0, 0, 5, 95},
    {"Extreme", 14, 14, 33, 23, 12, 21, 14, 4, 5, 3, 8, 0, 5, 95},
    {"Acoustic Strum", 15, 15, 5, 16, 18, 21, 20, 14, 0, 3, 3, 0, 5, 95},
};

preset::Record make(const Recipe &r)
{
    preset::Record rec = preset::DefaultRecord;
    auto set = [&](const Field &f, int value) {
        rec[std::size_t(f.index)] = bitfield::write(rec[std::size_t(f.index)], f.shift, f.width, value);
    };
    set(preset::AmpModel, r.model);
    set(preset::Cabinet, r.cabinet);
    set(preset::ModelCode, preset::modelCodeFor(r.model));
    set(preset::ModType, r.modType);
    for (const auto &[byte, value] : {std::pair{preset::PreGain, r.gain},
                                      {preset::PreGainAlt, std::min(r.gain + 6, 33)},
                                      {preset::Low, r.low},
                                      {preset::LowAlt, r.low},
                                      {preset::Mid, r.mid},
                                      {preset::MidAlt, r.mid},
                                      {preset::High, r.high},
                                      {preset::HighAlt, r.high},
                                      {preset::PostGain, r.post},
                                      {preset::PostGainAlt, std::min(r.post + 3, 33)},
                                      {preset::ReverbLevel, r.reverb},
                                      {preset::ReverbLevelAlt, std::min(r.reverb + 8, 33)},
                                      {preset::ModRate, r.modRate},
                                      {preset::ModRateAlt, r.modRate},
                                      {preset::ModDepth, r.modDepth},
                                      {preset::ModDepthAlt, std::min(r.modDepth + 6, 25)},
                                      {preset::DLLevel, r.delayLevel},
                                      {preset::DLLevelAlt, std::min(r.delayLevel + 6, 25)},
                                      {preset::DLFeedback, r.feedback},
                                      {preset::DLFeedbackAlt, r.feedback},
                                      {preset::DLTime, r.delayTime}})
        rec[std::size_t(byte)] = std::uint8_t(value);
    presetparams::makeValid(rec);
    return rec;
}

} // namespace

const std::array<Named, preset::SlotCount> &all()
{
    static const std::array<Named, preset::SlotCount> presets = [] {
        std::array<Named, preset::SlotCount> out;
        for (int s = 0; s < preset::SlotCount; ++s)
            out[std::size_t(s)] = {QString::fromLatin1(Recipes[s].name), make(Recipes[s])};
        return out;
    }();
    return presets;
}

} // namespace virtualamppresets
