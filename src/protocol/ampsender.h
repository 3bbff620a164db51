#pragma once

#include "model/deviceimage.h"
#include "model/editorstate.h"
#include "protocol/ampmessages.h"

class TMidiOut;

// Builds the Amp's messages from the device image and hands them to the
// MIDI output. Every live edit addresses the Amp's current preset, which is
// the editor's current slot, whichever tab is shown.
class AmpSender {
public:
    AmpSender(TMidiOut &out, DeviceImage &image, EditorState &state);

    // Live edits: the value is read back from the current record, so the
    // message carries what the record now holds. Both set the modified flag;
    // neither sends anything while the loading guard is set.
    void sendParameter(int index);
    void sendBitField(int index, int shift, int width);
    void sendBitField(Field f) { sendBitField(f.index, f.shift, f.width); }
    // Leaves the modified flag alone.
    void sendGlobalBitField(int index, int shift, int width);
    // The current slot's record as the Amp's current preset.
    void sendEditorData();

    void send(const amp::Bytes &message);

private:
    TMidiOut &out_;
    DeviceImage &image_;
    EditorState &state_;
};
