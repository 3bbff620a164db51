// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/tnxedit.h"

#include "controls/tnxknob.h"

TNxEdit::TNxEdit(QWidget *parent)
    : TJustEdit(parent)
{
}

QObject *TNxEdit::TargetKnobObject() const
{
    return TargetKnob();
}

void TNxEdit::SetTargetKnobObject(QObject *knob)
{
    // Anything that is not a knob clears the link.
    SetTarget(qobject_cast<TNxKnob *>(knob));
}
