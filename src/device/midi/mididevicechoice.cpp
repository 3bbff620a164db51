// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/mididevicechoice.h"

#include <QRegularExpression>

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

namespace {

// ALSA numbers its clients in the order they appear, so a device plugged in
// again may come back as "Name:Port 28:0" instead of "Name:Port 24:0".
QString withoutClientNumbers(const QString &name)
{
    static const QRegularExpression numbers(QStringLiteral("\\s+\\d+:\\d+$"));
    return QString(name).remove(numbers);
}

} // namespace

int MidiDeviceChoice::preferredPort(const QStringList &devices, int storedIndex, const QString &storedName)
{
    if (storedIndex < 0)
        return -1;
    const bool indexValid = storedIndex < devices.size();
    if (!storedName.isEmpty()) {
        if (indexValid && devices[storedIndex] == storedName)
            return storedIndex;
        if (const qsizetype i = devices.indexOf(storedName); i >= 0)
            return int(i);
        const QString bare = withoutClientNumbers(storedName);
        if (indexValid && withoutClientNumbers(devices[storedIndex]) == bare)
            return storedIndex;
        for (qsizetype i = 0; i < devices.size(); ++i)
            if (withoutClientNumbers(devices[i]) == bare)
                return int(i);
    }
    // A stored device that is gone is not replaced by whatever took its place
    // in the list; the port window then asks.
    return indexValid ? storedIndex : -1;
}
