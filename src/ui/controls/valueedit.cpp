// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/valueedit.h"

#include "controls/knob.h"

ValueEdit::ValueEdit(QWidget *parent) : KnobEdit(parent) {}

QObject *ValueEdit::TargetKnobObject() const
{
    return TargetKnob();
}

void ValueEdit::SetTargetKnobObject(QObject *knob)
{
    // Anything that is not a knob clears the link.
    SetTarget(qobject_cast<Knob *>(knob));
}
