// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/sysexdispatcher.h"

#include "protocol/ampmessages.h"

void dispatchSysEx(const std::uint8_t *m, int size, AmpReceiver &receiver)
{
    if (size <= amp::CommandPos || !amp::hasAmpHeader(m, std::size_t(size)))
        return;
    const std::uint8_t command = m[amp::CommandPos];
    const int needed = amp::receivedLayoutLength(command);
    // A truncated message is ignored rather than read past its end.
    if (needed == 0 || size < needed)
        return;

    switch (command) {
    case amp::IdentifyReply: receiver.identifyReply(m[7]); break;
    case amp::GroupDump: receiver.groupDump(m + 7); break;
    case amp::SinglePreset: receiver.singlePreset(m + 7); break;
    case amp::Globals: receiver.globals(m + 7); break;
    case amp::ParameterSet: receiver.parameterChange(m[7], amp::fromNibbles(m[8], m[9])); break;
    case amp::BitField: receiver.bitFieldChange(m[7], m[8], m[9], m[10]); break;
    case amp::GlobalBitField: receiver.globalBitFieldChange(m[7], m[8], m[9], m[10]); break;
    case amp::TunerData: receiver.tunerData(amp::fromNibbles(m[7], m[8]), amp::fromNibbles(m[9], m[10])); break;
    default: break;
    }
}
