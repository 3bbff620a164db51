// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/listknob.h"

// A list knob whose entries are numbers with optional units ("0.25s",
// "2.5k"); values select the nearest entry.
class NumberListKnob : public ListKnob {
    Q_OBJECT
public:
    explicit NumberListKnob(QWidget *parent = nullptr);

    // Selects the entry nearest to x; on a tie the earlier entry wins.
    void SetValue(float x) override;
    // Reads the edit, selects the nearest entry and shows that entry. Text
    // that is not a number is refused as by NumberKnob.
    void EdithasChanged() override;

    // Appends start + k * step for k = 0 .. round((end - start) / step),
    // fixed-point with `places` decimals followed by units. Adds nothing when
    // that count is negative or the step is 0.
    void AddRange(float start, float end, float step, int places, const QString &units);
};
