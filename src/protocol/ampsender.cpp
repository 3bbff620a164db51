#include "protocol/ampsender.h"

#include "midi/tmidiout.h"

AmpSender::AmpSender(TMidiOut &out, DeviceImage &image, EditorState &state)
    : out_(out), image_(image), state_(state)
{
}

void AmpSender::send(const amp::Bytes &message)
{
    out_.SysEx(message.data(), int(message.size()));
}

void AmpSender::sendParameter(int index)
{
    if (state_.loadingGuard || index < 0 || index >= preset::RecordSize)
        return;
    send(amp::parameterSet(index, image_.record(state_.currentSlot())[index]));
    state_.modified = true;
}

void AmpSender::sendBitField(int index, int shift, int width)
{
    if (state_.loadingGuard || index < 0 || index >= preset::RecordSize || !bitfield::valid(shift, width))
        return;
    const std::uint8_t byte = image_.record(state_.currentSlot())[index];
    send(amp::bitField(index, shift, width, bitfield::read(byte, shift, width)));
    state_.modified = true;
}

void AmpSender::sendGlobalBitField(int index, int shift, int width)
{
    if (state_.loadingGuard || index < 0 || index >= preset::GlobalSize || !bitfield::valid(shift, width))
        return;
    send(amp::globalBitField(index, shift, width, bitfield::read(image_.globals[index], shift, width)));
}

void AmpSender::sendEditorData()
{
    send(amp::singlePreset(image_.record(state_.currentSlot())));
}
