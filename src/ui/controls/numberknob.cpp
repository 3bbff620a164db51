// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/numberknob.h"

#include "controls/knobedit.h"
#include "controls/knobmath.h"
#include "controls/parseunitvalue.h"

#include <QLocale>

NumberKnob::NumberKnob(QWidget *parent) : Knob(parent) {}

QString NumberKnob::Format(float value) const
{
    return knobmath::formatFixed(value, decimalPlaces_, QLocale());
}

QString NumberKnob::GetTickString(int index) const
{
    return knobmath::cutText(Format(knobmath::valueOfTick(index, increment_, minValue_)) + units_);
}

void NumberKnob::UpdateEdit()
{
    if (!targetEdit_)
        return;
    const QString text = knobmath::cutText(Format(GetValue()) + units_);
    if (knobmath::cutText(targetEdit_->text()) != text)
        targetEdit_->setText(text);
}

void NumberKnob::EdithasChanged()
{
    if (!targetEdit_)
        return;
    const QString typed = knobmath::cutReadText(targetEdit_->text());
    // Without digits ParseUnitValue gives -32000, which would clamp to the
    // minimum and report that as a change.
    if (!HasUnitDigits(typed)) {
        RefuseTypedText(typed);
        return;
    }
    SetValue(ParseUnitValue(typed));
    const QString shown = knobmath::formatGeneral(GetValue(), QLocale());
    if (targetEdit_ && typed != shown)
        targetEdit_->setText(knobmath::cutText(shown));
}

void NumberKnob::RangeChanged()
{
    if (increment_ != 0.0f)
        SetNumTicks(knobmath::numTicksFor(minValue_, maxValue_, increment_));
    update();
}

void NumberKnob::SetMin(float x)
{
    DiscardTickMenu();
    if (PaintedOnce() && !(x != minValue_ && x < maxValue_))
        return;
    minValue_ = x;
    RangeChanged();
}

void NumberKnob::SetMax(float x)
{
    DiscardTickMenu();
    if (PaintedOnce() && !(x != maxValue_ && x > minValue_))
        return;
    maxValue_ = x;
    RangeChanged();
}

void NumberKnob::SetInc(float x)
{
    DiscardTickMenu();
    if (PaintedOnce() && !(x != increment_ && x != 0.0f))
        return;
    increment_ = x;
    RangeChanged();
}

void NumberKnob::SetPlaces(int n)
{
    DiscardTickMenu();
    if (n == decimalPlaces_)
        return;
    decimalPlaces_ = n;
    update();
}

void NumberKnob::SetValue(float x)
{
    const std::optional<int> t = knobmath::tickForValue(x, minValue_, maxValue_, NumTicks());
    if (!t || *t == Tick())
        return;
    // SetTick's quick paint shows the new tick; a full repaint on top would
    // redraw the whole knob, and what lies behind it, for nothing.
    SetTick(*t);
}

float NumberKnob::GetValue() const
{
    return knobmath::valueOfTick(Tick(), increment_, minValue_);
}
