#include "protocol/sysexdispatcher.h"

#include "protocol/ampmessages.h"
#include "protocol/amptransfers.h"

SysExDispatcher::SysExDispatcher(DeviceImage &image, EditorState &state, AmpTransfers &transfers, AmpViews views)
    : image_(image), state_(state), transfers_(transfers), views_(views)
{
}

void SysExDispatcher::MidiIn1SysEx(const std::uint8_t *m, int msgSize)
{
    if (msgSize <= amp::CommandPos || !amp::hasAmpHeader(m, std::size_t(msgSize)))
        return;
    const std::uint8_t command = m[amp::CommandPos];
    const int needed = amp::receivedLayoutLength(command);
    // A truncated message is ignored rather than read past its end.
    if (needed == 0 || msgSize < needed)
        return;

    switch (command) {
    case amp::IdentifyReply:
        transfers_.identifyReply(m[7]);
        break;
    case amp::GroupDump:
        transfers_.groupDumpReceived(m + 7);
        break;
    case amp::SinglePreset:
        transfers_.singlePresetReceived(m + 7);
        break;
    case amp::Globals:
        transfers_.globalsReceived(m + 7);
        break;
    case amp::ParameterSet:
        parameterChange(m, false);
        break;
    case amp::BitField:
        parameterChange(m, true);
        break;
    case amp::GlobalBitField:
        globalBitField(m);
        break;
    case amp::TunerData:
        tunerData(m);
        break;
    default:
        break;
    }
}

void SysExDispatcher::parameterChange(const std::uint8_t *m, bool isBitField)
{
    LoadingGuard guard(state_);
    const int index = m[7];
    if (index < 0 || index >= preset::RecordSize)
        return;
    if (state_.flangerHold && (index == preset::FlangerFB || index == preset::FlangerDT))
        return;
    if (isBitField && index == preset::AltTap && transfers_.TransferState == 5) {
        // The Amp's answer to the EFX toggle: ends that request, not an edit.
        transfers_.TransferState = AmpTransfers::Idle;
        transfers_.TimerSysex.stop();
        return;
    }

    std::uint8_t &byte = image_.record(state_.currentSlot())[index];
    if (isBitField) {
        const int shift = m[8], width = m[9], value = m[10];
        // Fields outside the byte are malformed; applying them would shift
        // bits beyond the byte or by negative amounts.
        if (!bitfield::valid(shift, width))
            return;
        byte = bitfield::write(byte, shift, width, value);
    } else {
        byte = amp::fromNibbles(m[8], m[9]);
    }

    if (views_.panel)
        views_.panel->reloadFromCurrentSlot();
    state_.modified = true;
}

void SysExDispatcher::globalBitField(const std::uint8_t *m)
{
    LoadingGuard guard(state_);
    const int index = m[7], shift = m[8], width = m[9], value = m[10];
    // An index outside the GlobalRecord would write beyond it.
    if (index >= preset::GlobalSize || !bitfield::valid(shift, width))
        return;
    std::uint8_t &stored = image_.globals[index];
    stored = bitfield::write(stored, shift, width, value);
    const std::uint8_t b = stored;

    if (state_.globalsWindowOpen && views_.globals) {
        views_.globals->reloadFromGlobalRecord();
        // The window's reload guards itself and clears the guard when done;
        // the control updates below must still send nothing.
        state_.loadingGuard = true;
    }
    switch (index) {
    case 9:
        if (views_.tuner)
            views_.tuner->showEbChromatic((b & 1) != 0, (b & 2) != 0);
        break;
    case 10:
        if (views_.tuner)
            views_.tuner->showTunerLevel(b);
        break;
    case 13:
        if (views_.panel) {
            if (b != 0)
                views_.panel->showGlobalCabinet(true, b - 1);
            else
                views_.panel->showGlobalCabinet(false, state_.presetCabinetMemory);
        }
        break;
    default:
        break;
    }
}

void SysExDispatcher::tunerData(const std::uint8_t *m)
{
    if (views_.tuner)
        views_.tuner->tunerData(amp::fromNibbles(m[7], m[8]), amp::fromNibbles(m[9], m[10]));
}
