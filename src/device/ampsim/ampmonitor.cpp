// SPDX-License-Identifier: GPL-3.0-or-later
#include "ampsim/ampmonitor.h"

#include "model/presetrecord.h"
#include "protocol/ampmessages.h"

#include <QStringList>

namespace {

QString hexBytes(const std::uint8_t *data, std::size_t size, std::size_t most = 12)
{
    QStringList parts;
    for (std::size_t i = 0; i < size && i < most; ++i)
        parts << QStringLiteral("%1").arg(data[i], 2, 16, QLatin1Char('0')).toUpper();
    if (size > most)
        parts << QStringLiteral("...");
    return parts.join(QLatin1Char(' '));
}

QString slot(int s)
{
    const QString name = preset::slotName(s);
    return name.isEmpty() ? QStringLiteral("slot %1").arg(s) : name;
}

QString shortMessage(const std::uint8_t *m, std::size_t size)
{
    const int channel = (m[0] & 0x0F) + 1;
    const int first = size > 1 ? m[1] : 0;
    const int second = size > 2 ? m[2] : 0;
    switch (m[0] & 0xF0) {
    case 0xC0: return QStringLiteral("Program Change %1 (channel %2)").arg(first).arg(channel);
    case 0xB0: return QStringLiteral("Control Change %1 = %2 (channel %3)").arg(first).arg(second).arg(channel);
    default: return QStringLiteral("MIDI %1").arg(hexBytes(m, size));
    }
}

} // namespace

QString describeMessage(const std::uint8_t *m, std::size_t size)
{
    if (!m || size == 0)
        return QStringLiteral("(empty)");
    if (m[0] >= 0x80 && m[0] < 0xF0)
        return shortMessage(m, size);
    if (!amp::hasAmpHeader(m, size) || size <= std::size_t(amp::CommandPos))
        return QStringLiteral("SysEx %1 (%2 bytes)").arg(hexBytes(m, size)).arg(size);
    const std::uint8_t command = m[amp::CommandPos];
    auto at = [&](std::size_t i) { return i < size ? int(m[i]) : -1; };
    auto pair = [&](std::size_t i) { return i + 1 < size ? int(amp::fromNibbles(m[i], m[i + 1])) : -1; };
    switch (command) {
    case amp::Footswitch: return QStringLiteral("footswitch %1").arg(at(7));
    case amp::IdentifyRequest: return QStringLiteral("identify request");
    case amp::IdentifyReply: {
        const int v = at(7);
        return QStringLiteral("identify reply: version %1.%2%3")
            .arg((((v & 0x3F) + 16) >> 4) & 0x0F)
            .arg(((v & 0x3F) + 16) & 0x0F)
            .arg(v & 0x40 ? QStringLiteral(" G") : QString());
    }
    case amp::GroupRequest: return QStringLiteral("group request");
    case amp::GroupDump: return QStringLiteral("group dump (%1 bytes)").arg(size);
    case amp::PresetRequest: return QStringLiteral("preset request %1").arg(slot(at(7)));
    case amp::PresetWrite: return QStringLiteral("preset write %1").arg(slot(at(7)));
    case amp::CurrentPresetRequest: return QStringLiteral("current preset request");
    case amp::SinglePreset: return QStringLiteral("single preset (%1 bytes)").arg(size);
    case amp::PresetStore: return QStringLiteral("preset store %1").arg(slot(at(7)));
    case amp::ParameterSet: return QStringLiteral("parameter %1 = %2").arg(at(7)).arg(pair(8));
    case amp::BitField: return QStringLiteral("field %1 bits %2+%3 = %4").arg(at(7)).arg(at(8)).arg(at(9)).arg(at(10));
    case amp::GlobalsRequest: return QStringLiteral("globals request");
    case amp::Globals: return QStringLiteral("globals (%1 bytes)").arg(size);
    case amp::GlobalBitFieldRequest:
        return QStringLiteral("global field request %1 bits %2+%3").arg(at(7)).arg(at(8)).arg(at(9));
    case amp::GlobalBitField:
        return QStringLiteral("global field %1 bits %2+%3 = %4").arg(at(7)).arg(at(8)).arg(at(9)).arg(at(10));
    case amp::TunerMode:
        return QStringLiteral("tuner mode %1").arg(at(7) ? QStringLiteral("on") : QStringLiteral("off"));
    case amp::TunerData: return QStringLiteral("tuner data %1 %2").arg(pair(7)).arg(pair(9));
    case amp::SyncComplete: return QStringLiteral("sync complete");
    default: return QStringLiteral("command %1 (%2 bytes)").arg(command).arg(size);
    }
}
