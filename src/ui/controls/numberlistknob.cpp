// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/numberlistknob.h"

#include "controls/knobedit.h"
#include "controls/knobmath.h"
#include "controls/parseunitvalue.h"

#include <QLocale>

#include <cmath>
#include <cstdint>

NumberListKnob::NumberListKnob(QWidget *parent) : ListKnob(parent) {}

void NumberListKnob::SetValue(float x)
{
    if (strings_.isEmpty()) {
        SelectEntry(-1);
        return;
    }
    int best = 0;
    float bestDistance = std::fabs(x - ParseUnitValue(strings_.at(0)));
    for (int i = 1; i < strings_.size(); ++i) {
        const float distance = std::fabs(x - ParseUnitValue(strings_.at(i)));
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    SelectEntry(best);
}

void NumberListKnob::EdithasChanged()
{
    if (!targetEdit_)
        return;
    const QString typed = knobmath::cutReadText(targetEdit_->text());
    // Without digits ParseUnitValue gives -32000, whose nearest entry is
    // the first.
    if (!HasUnitDigits(typed)) {
        RefuseTypedText(typed);
        return;
    }
    SetValue(ParseUnitValue(typed));
    const QString entry = knobmath::cutText(GetString());
    if (targetEdit_ && typed != entry)
        targetEdit_->setText(entry);
}

void NumberListKnob::AddRange(float start, float end, float step, int places, const QString &units)
{
    if (step == 0.0f)
        return;
    const float span = end - start;
    const float steps = span / step;
    if (!std::isfinite(steps))
        return;
    const int n = knobmath::roundTiesToEven(steps);
    if (n < 0)
        return;
    const QLocale locale;
    for (std::int64_t k = 0; k <= n; ++k) {
        const float offset = float(k) * step;
        const float value = start + offset;
        strings_.append(knobmath::formatFixed(value, places, locale) + units);
    }
    ListChanged();
}
