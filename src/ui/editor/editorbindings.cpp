// SPDX-License-Identifier: GPL-3.0-or-later
// The editor panel's binding tables: which control edits which byte or
// field of the record, in which box, with which colours.
#include "editor/editorparts.h"

const std::vector<EditorPanel::KnobRow> &EditorPanel::knobRows()
{
    using P = EditorPanel;
    using namespace preset;
    static const std::vector<KnobRow> rows{
        {&P::NxNumberKnobShift, "NxNumberKnobShift", nullptr, Box::Model, 0, MidFreq, WholeByte, std::nullopt, Green,
         Green, false, true},
        {&P::NxNumberKnobPre, "NxNumberKnobPre", nullptr, Box::Preamp, 0, PreGain, WholeByte, Dual::Preamp, Maroon, Red,
         false, true},
        {&P::NxNumberKnobLow, "NxNumberKnobLow", nullptr, Box::Preamp, 1, Low, WholeByte, Dual::Preamp, Green, Lime,
         false, true},
        {&P::NxNumberKnobMid, "NxNumberKnobMid", nullptr, Box::Preamp, 2, Mid, WholeByte, Dual::Preamp, Green, Lime,
         false, true},
        {&P::NxNumberKnobHigh, "NxNumberKnobHigh", nullptr, Box::Preamp, 3, High, WholeByte, Dual::Preamp, Green, Lime,
         false, true},
        {&P::NxNumberKnobPost, "NxNumberKnobPost", nullptr, Box::Preamp, 4, PostGain, WholeByte, Dual::Preamp, Maroon,
         Red, false, true},
        {&P::NxNumberKnobReverb, "NxNumberKnobReverb", nullptr, Box::Reverb, 0, ReverbLevel, WholeByte, Dual::Reverb,
         Olive, Yellow, false, true},
        {&P::NxNumberKnobRate, "NxNumberKnobRate", nullptr, Box::Modulation, 0, ModRate, WholeByte, Dual::Modulation,
         Maroon, Red, false, true},
        {&P::NxNumberKnobDepth, "NxNumberKnobDepth", nullptr, Box::Modulation, 1, ModDepth, WholeByte, Dual::Modulation,
         Maroon, Red, false, true},
        {&P::NxNumberKnobDLFeedback, "NxNumberKnobDLFeedback", nullptr, Box::Delay, 0, DLFeedback, WholeByte,
         Dual::Delay, Maroon, Red, false, true},
        {&P::NxNumberKnobDLLevel, "NxNumberKnobDLLevel", nullptr, Box::Delay, 1, DLLevel, WholeByte, Dual::Delay,
         Maroon, Red, false, true},
        {&P::NxNumberKnobFlangerDT, "NxNumberKnobFlangerDT", nullptr, Box::ModType, 0, FlangerDT, WholeByte,
         std::nullopt, Teal, Teal, false, true},
        {&P::NxNumberKnobFlangerFB, "NxNumberKnobFlangerFB", nullptr, Box::ModType, 1, FlangerFB, WholeByte,
         std::nullopt, Teal, Teal, false, true},
        {&P::NxNumberKnobDLTime, "NxNumberKnobDLTime",
         QT_TRANSLATE_NOOP("EditorPanel", "Set base delay time (before Scale)"), Box::DelayTime, 0, DLTime, WholeByte,
         std::nullopt, Navy, Navy, true, false},
        {&P::NxNumberKnobDLScale, "NxNumberKnobDLScale", QT_TRANSLATE_NOOP("EditorPanel", "+/- 50% of Base"),
         Box::DelayTime, 1, DLScale, WholeByte, std::nullopt, Navy, Navy, true, true},
        {&P::NxNumberKnobDLSeparation, "NxNumberKnobDLSeparation",
         QT_TRANSLATE_NOOP("EditorPanel", "Increase for more stereo spread"), Box::DelayTime, 2, DLSepDark,
         DLSeparationBits, std::nullopt, Navy, Navy, false, true},
    };
    return rows;
}

const std::vector<EditorPanel::CheckRow> &EditorPanel::checkRows()
{
    using P = EditorPanel;
    static const std::vector<CheckRow> rows{
        {&P::CheckBoxPad, "CheckBoxPad", QT_TRANSLATE_NOOP("EditorPanel", "6 dB reduction before first stage"),
         preset::PadOff, true},
        {&P::CheckBoxBright, "CheckBoxBright", QT_TRANSLATE_NOOP("EditorPanel", "Adds sparkle"), preset::Bright, false},
        {&P::CheckBoxDark, "CheckBoxDark", QT_TRANSLATE_NOOP("EditorPanel", "More High Cut on the echoes"),
         preset::Dark, false},
    };
    return rows;
}

// The dual sections: the Alt box, and the copy command in the popup menu of

const std::array<EditorPanel::DualRow, preset::DualCount> &EditorPanel::dualRows()
{
    using P = EditorPanel;
    // Indexed by preset::Dual.
    static const std::array<DualRow, preset::DualCount> rows{{
        {&P::GroupBoxPreamp, "GroupBoxPreamp", &P::CheckBoxBoost, "CheckBoxBoost", &P::PopupMenuPreamp,
         "PopupMenuPreamp", &P::SyncBoost, "SyncBoost",
         QT_TRANSLATE_NOOP("EditorPanel", "&Copy these 5 to the other (alt) settings")},
        {&P::GroupBoxMod, "GroupBoxMod", &P::CheckBoxMod, "CheckBoxMod", &P::PopupMenuMod, "PopupMenuMod", &P::SyncMod,
         "SyncMod", QT_TRANSLATE_NOOP("EditorPanel", "&Copy these 2 to the other (alt) settings")},
        {&P::GroupBoxDelay, "GroupBoxDelay", &P::CheckBoxDelay, "CheckBoxDelay", &P::PopupMenuDelay, "PopupMenuDelay",
         &P::SyncDelay, "SyncDelay", QT_TRANSLATE_NOOP("EditorPanel", "&Copy these 2 to the other (alt) settings")},
        {&P::GroupBoxReverb, "GroupBoxReverb", &P::CheckBoxReverb, "CheckBoxReverb", &P::PopupMenuReverb,
         "PopupMenuReverb", &P::SyncReverb, "SyncReverb",
         QT_TRANSLATE_NOOP("EditorPanel", "&Copy this Reverb Level to the other (alt) setting")},
    }};
    return rows;
}
