// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/tjustedit.h"

// TJustEdit as placed on windows: its knob link and alignment are
// properties, next to the line edit's own (font, colours, frame, read-only).
class TNxEdit : public TJustEdit {
    Q_OBJECT
    Q_PROPERTY(TJustEdit::TextAlign Alignment READ Alignment WRITE SetAlignment)
    Q_PROPERTY(QObject *TargetKnob READ TargetKnobObject WRITE SetTargetKnobObject)
public:
    explicit TNxEdit(QWidget *parent = nullptr);

private:
    QObject *TargetKnobObject() const;
    void SetTargetKnobObject(QObject *knob);
};
