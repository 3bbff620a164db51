// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/midibackend.h"

#include <QSet>

#include <cstdint>
#include <functional>
#include <vector>

// An in-process MIDI service for tests: whatever the program sends goes to
// a peer function (the virtual Amp), and inject() plays the part of the
// device receiving a message. Received messages reach the program through
// the event loop, as from a real device, never inside the send call.
class LoopbackBackend : public MidiBackend {
public:
    using Bytes = std::vector<std::uint8_t>;

    LoopbackBackend();

    // Device lists and which devices refuse to open, for port-selection tests.
    QStringList inputs{QStringLiteral("Loopback In")};
    QStringList outputs{QStringLiteral("Loopback Out")};
    QSet<int> unavailableInputs;
    QSet<int> unavailableOutputs;
    // Answers the next close of the output with "still playing" this many times.
    int stillPlayingCloses = 0;
    // Answers the next sends with Busy this many times.
    int busySends = 0;
    // Longest message taken whole; 0 for no limit.
    int maxSize = 0;
    // An in-process peer needs no pacing; true makes the output paced like a cable.
    bool pacing = false;
    // The MIDI service, as linkUp() reports it.
    bool up = true;

    // Receives every message the program sends while the output is open
    // (SysEx whole; short messages as 1 to 3 bytes).
    std::function<void(const Bytes &)> peer;
    // Everything sent while the output was open, in order.
    std::vector<Bytes> sent;

    // As if the open input device received this message. Dropped when the
    // input is closed.
    void inject(Bytes message);
    // Delivers everything injected so far (runs the event loop's queued calls).
    void flush();

    int openInputIndex() const { return inputIndex_; }
    int openOutputIndex() const { return outputIndex_; }
    int inputOpens = 0;
    int outputOpens = 0;

    QStringList inputNames() override { return inputs; }
    QStringList outputNames() override { return outputs; }
    int openInput(int index, ShortHandler onShort, SysExHandler onSysEx) override;
    int closeInput() override;
    int openOutput(int index) override;
    int closeOutput() override;
    int sendSysEx(const std::uint8_t *data, int size) override;
    int sendShort(std::uint32_t packed) override;
    bool linkUp() const override { return up; }
    int maxMessageSize() const override { return maxSize; }
    bool needsPacing() const override { return pacing; }
    std::uint64_t inputOverflows() const override { return inbox_.overflows(); }

private:
    void toPeer(Bytes message);

    MidiInbox inbox_;
    int inputIndex_ = -1;
    int outputIndex_ = -1;
};
