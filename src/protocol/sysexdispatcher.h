#pragma once

#include "model/deviceimage.h"
#include "model/editorstate.h"
#include "protocol/ampviews.h"

#include <cstdint>

class AmpTransfers;

// Receives every SysEx buffer from the MIDI input and acts on the Amp's
// messages. Anything without the Amp header, with a command the editor does
// not handle, or shorter than its command's layout is ignored.
class SysExDispatcher {
public:
    SysExDispatcher(DeviceImage &image, EditorState &state, AmpTransfers &transfers, AmpViews views = {});

    void setViews(AmpViews views) { views_ = views; }

    // The bytes are valid only during the call.
    void MidiIn1SysEx(const std::uint8_t *sysExAdd, int msgSize);

private:
    void parameterChange(const std::uint8_t *m, bool isBitField);
    void globalBitField(const std::uint8_t *m);
    void tunerData(const std::uint8_t *m);

    DeviceImage &image_;
    EditorState &state_;
    AmpTransfers &transfers_;
    AmpViews views_;
};
