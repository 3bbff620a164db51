// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/knob.h"

// A knob whose ticks map linearly to a 32-bit float:
// value(t) = t * Increment + MinValue. The range setters keep
// NumTicks = round((MaxValue - MinValue) / Increment) + 1 (ties to even)
// whenever Increment is not 0; a new knob keeps NumTicks 100 until one of
// them runs.
class NumberKnob : public Knob {
    Q_OBJECT
public:
    explicit NumberKnob(QWidget *parent = nullptr);

    QString GetTickString(int index) const override;
    void UpdateEdit() override;
    // Reads the attached edit: ParseUnitValue, then SetValue. Throws
    // ConvertError when the text is not a number (has no digit, or does not
    // read as one); the knob keeps its value. A blank edit just gets the
    // value back.
    void EdithasChanged() override;

    float MinValue() const { return minValue_; }
    float MaxValue() const { return maxValue_; }
    float Increment() const { return increment_; }
    int DecimalPlaces() const { return decimalPlaces_; }

    // Before the first paint every value is taken; afterwards a minimum must
    // stay below the maximum (and the other way round) and an increment must
    // not be 0. A refused value is dropped silently. None of them moves Tick.
    void SetMin(float x);
    void SetMax(float x);
    void SetInc(float x);
    void SetPlaces(int n);

    // Clamps x to the range and selects the nearest tick (32-bit float,
    // ties to even). With MaxValue == MinValue the tick is 0.
    void SetValue(float x);
    float GetValue() const;

private:
    QString Format(float value) const;
    void RangeChanged();

    float minValue_ = 0.0f;
    float maxValue_ = 0.0f;
    float increment_ = 1.0f;
    int decimalPlaces_ = 0;
};
