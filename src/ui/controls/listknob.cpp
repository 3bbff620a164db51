// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/listknob.h"

#include "controls/knobedit.h"
#include "controls/knobmath.h"
#include "controls/parseunitvalue.h"

#include <QLocale>

ListKnob::ListKnob(QWidget *parent) : Knob(parent)
{
    SetNumTicks(0);
}

QString ListKnob::Entry(int i) const
{
    return i >= 0 && i < strings_.size() ? strings_.at(i) : QString();
}

QString ListKnob::GetTickString(int index) const
{
    return knobmath::cutText(Entry(index));
}

void ListKnob::UpdateEdit()
{
    SetNumTicks(int(strings_.size()));
    if (!targetEdit_ || strings_.isEmpty() || Tick() < 0 || Tick() >= strings_.size())
        return;
    const QString text = knobmath::cutText(strings_.at(Tick()) + units_);
    if (knobmath::cutText(targetEdit_->text()) != text)
        targetEdit_->setText(text);
}

void ListKnob::EdithasChanged()
{
    if (targetEdit_)
        SetStr(knobmath::cutReadText(targetEdit_->text()));
}

void ListKnob::ListChanged()
{
    SetNumTicks(int(strings_.size()));
    DiscardTickMenu();
}

void ListKnob::SetKnobStrings(const QStringList &list)
{
    strings_ = list;
    ListChanged();
}

void ListKnob::AddString(const QString &s)
{
    strings_.append(s);
    ListChanged();
}

void ListKnob::AddValue(float x)
{
    AddString(knobmath::formatGeneral(x, QLocale()));
}

void ListKnob::Clear()
{
    strings_.clear();
    DiscardTickMenu();
}

void ListKnob::SelectEntry(int index)
{
    if (index < 0) {
        update();
        return;
    }
    if (index == Tick())
        return;
    QPointer<ListKnob> alive(this);
    SetTick(index);
    if (alive)
        update();
}

void ListKnob::SetStr(const QString &s)
{
    const QString wanted = knobmath::cutText(s);
    if (wanted.isEmpty()) {
        SelectEntry(strings_.isEmpty() ? -1 : 0);
        return;
    }
    for (int i = 0; i < strings_.size(); ++i) {
        const QString entry = knobmath::cutText(strings_.at(i));
        if (entry.left(wanted.size()).compare(wanted, Qt::CaseInsensitive) == 0) {
            SelectEntry(i);
            return;
        }
    }
    SelectEntry(-1);
}

void ListKnob::SetExactStr(const QString &s)
{
    const QString wanted = knobmath::cutText(s);
    for (int i = 0; i < strings_.size(); ++i) {
        if (knobmath::cutText(strings_.at(i)) == wanted) {
            SelectEntry(i);
            return;
        }
    }
    SelectEntry(-1);
}

void ListKnob::SetValue(float x)
{
    for (int i = 0; i < strings_.size(); ++i) {
        if (ParseUnitValue(strings_.at(i)) == x) {
            SelectEntry(i);
            return;
        }
    }
    SelectEntry(-1);
}

float ListKnob::GetValue() const
{
    return ParseUnitValue(Entry(Tick()));
}

QString ListKnob::GetString() const
{
    return Entry(Tick());
}
