// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/presetparams.h"
#include "model/presetrecord.h"

#include <QString>

#include <span>
#include <vector>

// Two records side by side, parameter by parameter, under the panel's
// names and with the values as the panel shows them.
class PresetCompare {
public:
    using RecordView = std::span<const std::uint8_t, preset::RecordSize>;

    struct Line {
        const presetparams::Parameter *parameter;
        QString a, b;
        bool differs;
    };

    // Every parameter, in the panel's order.
    static std::vector<Line> compare(RecordView a, RecordView b);
    // How many parameters differ; counting stops past `limit`.
    static int differences(RecordView a, RecordView b, int limit = 1 << 30);
    // "PreGain, Mid (Alt)": the names of those that differ.
    static QString differenceNames(RecordView a, RecordView b);
};
