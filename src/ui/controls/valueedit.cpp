// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/valueedit.h"

#include "controls/knob.h"

#include <algorithm>

ValueEdit::ValueEdit(QWidget *parent) : KnobEdit(parent) {}

ValueEdit *ValueEdit::under(Knob *knob, QWidget *parent)
{
    auto *edit = new ValueEdit(parent);
    edit->setObjectName(knob->objectName() + QLatin1String("Edit"));
    // As tall as the window's font needs: not every window uses the
    // editor panel's compact one.
    edit->setFixedSize(36, std::max(16, edit->fontMetrics().height() + 2));
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
