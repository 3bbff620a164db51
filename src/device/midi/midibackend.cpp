// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midibackend.h"

#include "midi/midilog.h"

Q_LOGGING_CATEGORY(lcMidi, "quorvex.midi", QtWarningMsg)

int midiShortLength(std::uint8_t status)
{
    if (status < 0x80 || status == 0xF0 || status == 0xF7)
        return 0;
    if (status < 0xF0) {
        // Program Change and Channel Pressure carry one data byte.
        const int kind = status & 0xF0;
        return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
    }
    // Quarter frame and song select carry one, song position two; the other
    // system common and all real-time messages none.
    if (status == 0xF1 || status == 0xF3)
        return 2;
    if (status == 0xF2)
        return 3;
    return 1;
}

int unpackShort(std::uint32_t packed, std::uint8_t (&bytes)[3])
{
    bytes[0] = std::uint8_t(packed & 0xFF);
    bytes[1] = std::uint8_t((packed >> 8) & 0x7F);
    bytes[2] = std::uint8_t((packed >> 16) & 0x7F);
    return midiShortLength(bytes[0]);
}

void MidiBackend::watchOverflows(MidiInbox &inbox)
{
    QObject::connect(&inbox, &MidiInbox::overflowed, &linkNotifier_,
                     [this] { linkNotifier_.post(LinkEvents::Failed); });
}
