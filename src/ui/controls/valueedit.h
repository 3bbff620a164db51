// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/knobedit.h"

// KnobEdit as placed on windows: its knob link and alignment are
// properties, next to the line edit's own (font, colours, frame, read-only).
class ValueEdit : public KnobEdit {
    Q_OBJECT
    Q_PROPERTY(KnobEdit::TextAlign Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(QObject *TargetKnob READ TargetKnobObject WRITE SetTargetKnobObject)
public:
    explicit ValueEdit(QWidget *parent = nullptr);

    // The value box under a knob, as the editor panel has them: linked both
    // ways, centred, showing the knob's value now.
    static ValueEdit *under(Knob *knob, QWidget *parent);

private:
    QObject *TargetKnobObject() const;
    void SetTargetKnobObject(QObject *knob);
};
