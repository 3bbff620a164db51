// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/valueedit.h"

#include "controls/knob.h"

ValueEdit::ValueEdit(QWidget *parent) : KnobEdit(parent) {}

ValueEdit *ValueEdit::under(Knob *knob, QWidget *parent)
{
    auto *edit = new ValueEdit(parent);
    edit->setObjectName(knob->objectName() + QLatin1String("Edit"));
    edit->setFixedSize(36, 16);
    edit->SetAlignment(TextAlign::Center);
    edit->SetTarget(knob);
    knob->SetTarget(edit);
    knob->UpdateEdit();
    return edit;
}

QObject *ValueEdit::TargetKnobObject() const
{
    return TargetKnob();
}

void ValueEdit::SetTargetKnobObject(QObject *knob)
{
    // Anything that is not a knob clears the link.
    SetTarget(qobject_cast<Knob *>(knob));
}
