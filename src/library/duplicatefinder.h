// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetrecord.h"

#include <QtGlobal>

#include <atomic>
#include <vector>

// Groups of records that are the same or nearly so. Identical records
// share one hash (their files may have any names); near-duplicates differ
// in at most maxDifferences parameters (PresetCompare's count). Every
// member of a group is that near every other: alike-ness is not taken
// along a chain, so two far-apart presets never share a group.
class DuplicateFinder {
public:
    static constexpr int DefaultMaxDifferences = 2;
    static constexpr int MostDifferences = 10;

    struct Record {
        qint64 hash;
        preset::Record bytes;
        int presets = 1; // how many presets of the library hold it
    };
    struct Group {
        std::vector<int> members; // indices into the records given, the one with most presets first
    };

    // Groups of two or more records, and records held by two or more
    // presets on their own; the largest groups first. `cancel` may stop it
    // from another thread (the result is then empty).
    static std::vector<Group> find(const std::vector<Record> &records, int maxDifferences,
                                   const std::atomic_bool *cancel = nullptr);
};
