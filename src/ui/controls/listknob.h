// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/knob.h"

#include <QStringList>

// A knob whose ticks index a string list it owns. NumTicks follows the
// list's count. A tick beyond the list (after Clear, say) reads as an empty
// entry: nothing is written to the edit and GetValue gives -32000.
class ListKnob : public Knob {
    Q_OBJECT
public:
    explicit ListKnob(QWidget *parent = nullptr);

    QString GetTickString(int index) const override;
    void UpdateEdit() override;
    // Selects the first entry the edit's text is a prefix of (any case).
    void EdithasChanged() override;
    // Selects the first entry whose ParseUnitValue equals x.
    virtual void SetValue(float x);

    const QStringList &KnobStrings() const { return strings_; }
    void SetKnobStrings(const QStringList &list);
    void AddString(const QString &s);
    // x in the shortest general number format.
    void AddValue(float x);
    // NumTicks follows at the next UpdateEdit or addition.
    void Clear();

    // First entry whose first length-of-s characters equal s, ignoring case;
    // an empty s selects entry 0.
    void SetStr(const QString &s);
    // First entry equal to s, case counting.
    void SetExactStr(const QString &s);

    float GetValue() const;
    QString GetString() const;

protected:
    // Entry i, or an empty text when i is outside the list.
    QString Entry(int i) const;
    // index < 0: no match, the knob only repaints.
    void SelectEntry(int index);
    void ListChanged();

    QStringList strings_;
};
