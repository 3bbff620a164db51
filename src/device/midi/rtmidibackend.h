// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/midibackend.h"

#include <memory>

class RtMidiIn;
class RtMidiOut;

// Real MIDI devices: ALSA (or the platform's service) through RtMidi when
// the sequencer is there, else JACK when a JACK server runs, through a JACK
// client of our own (JackMidiClient), else no devices at all (the program
// then works offline). No RtMidi exception ever leaves this class.
//
// Device indices refer to the names of the last inputNames()/outputNames()
// call; an open looks the name up again, so a device list that changed in
// between opens the device the user saw, or fails with NotAvailable.
class RtMidiBackend : public MidiBackend {
public:
    enum class Api { Automatic, Alsa, Jack };

    // Longest SysEx message sent over JACK.
    static constexpr int JackMaxSysEx = 16379;
    // At start, how long a JACK server whose socket exists is given to
    // answer, so the first device lists are there. Nothing else waits for it.
    static constexpr int JackStartWaitMs = 2000;

    // Must be created on the thread that is to receive the messages (the UI thread).
    explicit RtMidiBackend(Api api = Api::Automatic, const QString &clientName = QStringLiteral("Quorvex"));
    ~RtMidiBackend() override;
    RtMidiBackend(const RtMidiBackend &) = delete;
    RtMidiBackend &operator=(const RtMidiBackend &) = delete;

    // Which service answered; empty when none did.
    QString apiName() const;
    // Longest SysEx message the service takes whole; 0 when it sets no limit.
    int maxSysExSize() const;
    // The open port is connected to its device. Under JACK a port connects
    // a moment after it opens, and again when the server or device is back.
    bool inputConnected() const;
    bool outputConnected() const;
    // Late cycles the JACK server reported since the start; 0 elsewhere.
    std::uint64_t serverXruns() const;

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
    int maxMessageSize() const override { return maxSysExSize(); }
    bool linkUp() const override;
    std::uint64_t devicesEpoch() const override;
    std::uint64_t inputOverflows() const override;
    std::uint64_t outputLosses() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
