// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/mididevicechoice.h"

void MidiDeviceChoice::setNames(const QStringList &names)
{
    names_ = names.mid(0, MaxDevices);
    if (port_ >= 0 && !chosenName_.isEmpty()) {
        const int at = int(names_.indexOf(chosenName_));
        if (at >= 0) {
            port_ = at;
        } else {
            remember(port_, chosenName_);
        }
        return;
    }
    if (port_ < 0 && !rememberedName_.isEmpty()) {
        if (const int at = int(names_.indexOf(rememberedName_)); at >= 0)
            setPort(at);
        return;
    }
    if (port_ >= 0 && port_ < count())
        chosenName_ = names_[port_];
}

bool MidiDeviceChoice::setPort(int n)
{
    if (n >= count())
        return false;
    port_ = n;
    chosenName_ = n >= 0 ? names_[n] : QString();
    rememberedIndex_ = -1;
    rememberedName_.clear();
    return true;
}

void MidiDeviceChoice::remember(int index, const QString &name)
{
    rememberedIndex_ = index;
    rememberedName_ = name; // before the clear: name may be chosenName_ itself
    port_ = -1;
    chosenName_.clear();
}

QString MidiDeviceChoice::storedName() const
{
    if (port_ >= 0)
        return names_.value(port_);
    return rememberedName_;
}
