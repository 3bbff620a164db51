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
    // The face puts the text below the frame and the text margin.
    edit->setFixedSize(36, std::max(16, 2 + edit->TextMargin() + edit->fontMetrics().height()));
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
