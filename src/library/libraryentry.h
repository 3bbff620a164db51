// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"

#include <QString>
#include <QStringList>

// One row of the library: a preset file, one slot of a group file, or a
// file that could not be read (with the reason).
struct LibraryEntry {
    enum Kind { Unreadable = 0, Single = 1, Group = 2, Global = 3 };

    qint64 file = 0; // the file's row in the index; 0: not there (any more)
    QString path;
    int slot = -1; // 0..15 in a group file, -1 otherwise
    QString folder;
    QString fileName;
    Kind kind = Unreadable;
    QString error; // why the file could not be read
    preset::Record record{};
    qint64 hash = 0;     // presetcolumns::hashOf(record)
    qint64 modified = 0; // ms since the epoch
    QString note;        // the first line of the note beside the file
    bool favourite = false;
    QStringList tags;

    bool readable() const { return kind == Single || kind == Group; }
    // The file's name, and the slot's for a group: "Live Set.syx C2".
    QString name() const { return slot < 0 ? fileName : fileName + QLatin1Char(' ') + preset::slotName(slot); }
};
