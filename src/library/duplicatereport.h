// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/libraryentry.h"

#include <QString>

#include <atomic>
#include <vector>

// "Find Duplicates": the library's presets grouped by DuplicateFinder, each
// group with the presets that hold its records.
class DuplicateReport {
public:
    struct Group {
        bool identical;                    // one record, held by several presets
        std::vector<LibraryEntry> presets; // the most common record's first
        // For each preset, the parameters in which it differs from the
        // first ("" for the same record).
        std::vector<QString> differences;
    };

    struct Found {
        std::vector<Group> groups;
        QString error; // why the index could not be searched; empty when it was
    };

    // From the library's rows (those that cannot be read are left out).
    static std::vector<Group> build(const std::vector<LibraryEntry> &rows, int maxDifferences,
                                    const std::atomic_bool *cancel = nullptr);
    // The same over the index at indexPath (empty: not open yet), through a
    // connection of the calling thread's own: for a worker thread.
    static Found fromIndex(const QString &indexPath, int maxDifferences, const std::atomic_bool *cancel = nullptr);
};
