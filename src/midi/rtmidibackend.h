#pragma once

#include "midi/midibackend.h"

#include <memory>

class RtMidiIn;
class RtMidiOut;

// Real MIDI devices through RtMidi: ALSA when the sequencer is there, else
// JACK when a JACK server runs, else no devices at all (the program then
// works offline). No RtMidi exception ever leaves this class.
//
// Device indices refer to the names of the last inputNames()/outputNames()
// call; an open looks the name up again, so a device list that changed in
// between opens the device the user saw, or fails with NotAvailable.
class RtMidiBackend : public MidiBackend {
public:
    enum class Api { Automatic, Alsa, Jack };

    // Longest SysEx message RtMidi's JACK output delivers whole: its output
    // ring holds 16383 bytes, and each message also takes a 4-byte length.
    // Longer ones it drops without an error.
    static constexpr int JackMaxSysEx = 16383 - 4;

    // Must be created on the thread that is to receive the messages (the UI thread).
    explicit RtMidiBackend(Api api = Api::Automatic, const QString &clientName = QStringLiteral("Quorvex"));
    ~RtMidiBackend() override;
    RtMidiBackend(const RtMidiBackend &) = delete;
    RtMidiBackend &operator=(const RtMidiBackend &) = delete;

    // Which service answered; empty when none did.
    QString apiName() const;
    // Longest SysEx message the service takes whole; 0 when it sets no limit.
    int maxSysExSize() const;

    QStringList inputNames() override;
    QStringList outputNames() override;
    int openInput(int index, ShortHandler onShort, SysExHandler onSysEx) override;
    int closeInput() override;
    int openOutput(int index) override;
    int closeOutput() override;
    int sendSysEx(const std::uint8_t *data, int size) override;
    int sendShort(std::uint32_t packed) override;
    // All notes off and sustain off on every channel.
    int resetOutput() override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
