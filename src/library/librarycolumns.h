// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/libraryentry.h"

#include <QString>

#include <vector>

// The columns the library shows its rows in, their texts and their order
// when sorted by one of them. Knob values are those of the active set.
class LibraryColumns {
public:
    enum Column { Name, Folder, Model, Cabinet, Gain, Modulation, Delay, Reverb, Date, Favourite, Tags, Note, Count };

    static QString header(Column c);
    // What a cell shows; a file that could not be read shows its name,
    // folder and date, and the reason in the note.
    static QString text(const LibraryEntry &e, Column c);
    // A numeric column's value (Gain, Delay, Reverb: -1 for a file that
    // cannot be read; Date, Favourite), 0 for the others.
    static qint64 numberKey(const LibraryEntry &e, Column c);
    // Sorts by the column, then by path and slot; names and texts as a
    // person reads them (case ignored, numbers by value).
    static void sort(std::vector<LibraryEntry> &rows, Column c, bool descending);
};
