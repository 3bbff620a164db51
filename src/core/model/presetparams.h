// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/bitfield.h"
#include "model/presetrecord.h"

#include <QString>
#include <QStringList>

#include <span>
#include <vector>

// Every parameter of a preset under the name the editor panel gives it, and
// its value as the panel shows it. The panel builds its captions from this
// table; the library, the compare window and quorvex-syx name and show
// values through it, so all of them say the same thing without widgets.
namespace presetparams {

// The panel's group boxes, in the order they stand on it; Other holds what
// the record carries without a control.
enum class Section { Model, Preamp, Reverb, ModType, Modulation, Delay, DelayTime, TapFunction, Other };
QString sectionCaption(Section s);
// The box of a dual section.
Section sectionOf(preset::Dual d);

enum class Kind {
    Knob,   // a number, shown clamped to its knob's range
    List,   // an entry of one of the Amp's lists
    Check,  // "On" or "Off"
    Radio,  // an item of a radio group, or "None"
    Number, // a raw number without a control
    Time,   // the delay time the Amp plays, from base and scale; no byte of its own
};
enum class List { AmpModel, Cabinet, Modulation, TapFunction };

struct Parameter {
    const char *key; // the record field's name, for scripts: "PreGain", "PreGainAlt"
    Section section;
    const char *caption; // what the panel calls it; the Alt value adds " (Alt)"
    Kind kind;
    Field field;           // a whole byte is {index, 0, 8}
    bool alt = false;      // the second value of a dual pair
    bool inverted = false; // a check box that is checked while its bit is 0
    List list = List::AmpModel;
    preset::Radio radio = preset::Radio::PreampLows;

    bool wholeByte() const { return field.width == 8; }
};

// In the panel's order, box by box; the Alt value follows its normal one.
const std::vector<Parameter> &all();
// The parameter with this key; nullptr when there is none.
const Parameter *find(const QString &key);

// "PreGain", "PreGain (Alt)".
QString name(const Parameter &p);
// "Preamp (dual): PreGain (Alt)".
QString fullName(const Parameter &p);
// The name, with the section's first word where two sections share the
// caption: "PreGain", "Delay Level/Off", "Reverb Alt. (Active)".
QString distinctName(const Parameter &p);

// The number the record holds for it (for Time: milliseconds).
int value(const Parameter &p, std::span<const std::uint8_t, preset::RecordSize> record);
// As the panel shows it: "17", "Glass Clean", "On", "Medium", "380 ms". A
// knob byte outside its range shows clamped, with what is stored beside it:
// "1 (stored 0)". A list value without an entry: "Unknown (16)".
QString valueText(const Parameter &p, std::span<const std::uint8_t, preset::RecordSize> record);
// Whether two records differ in it (Time follows from base and scale and
// never counts as a difference of its own).
bool differs(const Parameter &p, std::span<const std::uint8_t, preset::RecordSize> a,
             std::span<const std::uint8_t, preset::RecordSize> b);

// A value of the record outside what the Amp takes, and the nearest value
// it takes, which replaced it.
struct Correction {
    const Parameter *param;
    int before;
    int after;
};
// Makes every value of the record one the Amp takes: knob bytes into their
// range, list values onto the list's last entry; other bits of a shared byte
// stay. The one place records from files, the library and the Amp are made
// valid; returns what it changed, in the table's order.
std::vector<Correction> makeValid(std::span<std::uint8_t, preset::RecordSize> record);
// "PreGain 250 → 33", "Type Unknown (15) → Octaver (2.0)".
QString describe(const Correction &c);

// What the panel shows on its controls.
QString knobCaption(int byte); // the normal byte of a knob
QString checkCaption(Field f); // Pad, Bright, Dark and the Alt boxes
QStringList radioItems(preset::Radio r);
QString radioCaption(preset::Radio r);
QString listCaption(List l);
QStringList listEntries(List l);

} // namespace presetparams
