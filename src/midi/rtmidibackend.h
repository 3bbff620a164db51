#pragma once

#include "midi/midibackend.h"

#include <memory>

class RtMidiIn;
class RtMidiOut;

// Real MIDI devices through RtMidi: ALSA when the sequencer is there, else
// JACK when a JACK server runs, else no devices at all (the program then
// works offline). No RtMidi exception ever leaves this class.
class RtMidiBackend : public MidiBackend {
public:
    enum class Api { Automatic, Alsa, Jack };

    explicit RtMidiBackend(Api api = Api::Automatic, const QString &clientName = QStringLiteral("Quorvex"));
    ~RtMidiBackend() override;

    // Which service answered; empty when none did.
    QString apiName() const;

    QStringList inputNames() override;
    QStringList outputNames() override;
    int openInput(int index, ShortHandler onShort, SysExHandler onSysEx) override;
    int closeInput() override;
    int openOutput(int index) override;
    int closeOutput() override;
    int sendSysEx(const std::uint8_t *data, int size) override;
    int sendShort(std::uint32_t packed) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
