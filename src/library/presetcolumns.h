// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"

#include <QByteArray>
#include <QString>

#include <span>

// What the index keeps of a record besides its bytes: the values a user
// searches and sorts by, each in a column of the same name. Knob values are
// those of the active set (the Alt value while the section's Alt box is
// checked): what the Amp plays when the preset is called up.
namespace presetcolumns {

struct Column {
    const char *name; // the column, and the word the search language uses for it
    int (*value)(std::span<const std::uint8_t, preset::RecordSize> record);
};

// The list indices: model, cabinet, modulation, each 0 to ListValues - 1.
std::span<const Column> lists();
inline constexpr int ListValues = 16;
// The knob values: gain, low, mid, high, post, midfreq, reverb, delay,
// feedback, rate, depth, time (the delay time in milliseconds).
std::span<const Column> numbers();
const Column *number(const QString &name);

// Identifies a record by its bytes alone, whatever its file is called:
// favourites, tags and duplicates go by it. 64-bit FNV-1a.
qint64 hashOf(std::span<const std::uint8_t, preset::RecordSize> record);
// As shown to people and scripts: 16 hex digits.
QString hashText(qint64 hash);

// Text as it is compared without regard to case, by the index's folded
// columns and the search's terms alike: Qt's case folding, for every
// script (SQLite's own folds ASCII letters only).
QString folded(const QString &text);

// Bytes whose order (as memcmp compares them) is the order a person reads
// texts in, whatever the language: letters first without their accents and
// case, then with accents, numbers by their value ("Take 9" before "Take
// 10"). Kept in the index, so the rows can come sorted from it.
QByteArray sortKey(const QString &text);

// A file's text that plain words are looked for in: its name, its note
// and why it could not be read, folded. (Model, cabinet, modulation and
// slot names are matched by their numbers.)
QString words(const QString &name, const QString &note, const QString &error);

} // namespace presetcolumns
