// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ampsim/virtualamp.h"

#include <QElapsedTimer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

// Plays the Amp's part around a VirtualAmp: answers what the editor sends,
// plays tuner readings while in tuner mode, and turns a knob or steps to a
// preset as a hand on the Amp would. Everything the Amp says leaves through
// one output function, no faster than a MIDI cable carries it. quorvex-amp
// puts the output on MIDI ports; the editor's built-in device keeps it in
// the process.
class VirtualAmpDriver {
public:
    using Bytes = amp::Bytes;
    using Output = std::function<void(const Bytes &)>;

    // Bytes a second on a MIDI cable (31250 baud, ten bits a byte).
    static constexpr int DinRate = 3125;
    // The tuner timer ticks finer than the Amp's reading interval, so the
    // readings keep their pace.
    static constexpr int TunerTickMs = 10;

    VirtualAmpDriver(VirtualAmp &amp, Output output);
    VirtualAmpDriver(const VirtualAmpDriver &) = delete;
    VirtualAmpDriver &operator=(const VirtualAmpDriver &) = delete;

    // Bytes a second the Amp sends; 0 sends at once.
    void setWireRate(int bytesPerSecond) { wireRate_ = bytesPerSecond > 0 ? bytesPerSecond : 0; }
    // A slow Amp: what answers a preset, group or globals request comes this
    // many milliseconds late, so the editor's other requests can be seen
    // meeting the open one. 0 answers at once.
    void setReplyDelay(int ms) { replyDelayMs_ = ms > 0 ? ms : 0; }

    // One message from the editor: the Amp's replies are sent, and tuner
    // readings start or stop with tuner mode.
    void receive(const std::uint8_t *data, std::size_t size);
    void receive(const Bytes &message) { receive(message.data(), message.size()); }

    // As if the player chose a preset on the Amp: bank select and Program
    // Change; a user preset becomes the one playing.
    void stepToPreset(int program, bool userBank = true);
    // As if a knob on the Amp turned: the Amp reports the new byte.
    void turnKnob(int index, std::uint8_t value);
    // A hand on the Amp: the next of its tone knobs, in the set the playing
    // preset uses, a few steps on (round to the start at the end of its
    // range). Returns the byte turned.
    int turnSomeKnob();

    // Sends as if the Amp produced these messages, after those still waiting
    // for the cable.
    void send(const std::vector<Bytes> &messages);
    std::size_t queued() const { return queue_.size(); }
    // Forgets what still waits for the cable.
    void clear();

    // The cable timer's handler: sends what is due.
    void sendDue();
    // The tuner timer's handler: the next reading, when one is due.
    void sendTunerReading();
    const QTimer &wireTimer() const { return wireTimer_; }

    // "2.0", "1.4", "1.4 G", "1.4G": the identify reply's version byte;
    // false for anything else.
    static bool firmwareByte(const QString &text, std::uint8_t &byte);
    // Global settings of an Amp fresh from the box, answering on MIDI
    // channel 1 to 16.
    static void unboxed(VirtualAmp &amp, int channel);

private:
    void followTunerMode();
    static bool isDumpRequest(const std::uint8_t *data, std::size_t size);

    VirtualAmp &amp_;
    Output output_;
    int wireRate_ = DinRate;
    int replyDelayMs_ = 0;
    std::deque<Bytes> queue_;
    QElapsedTimer clock_;
    std::int64_t nextFree_ = 0; // when the cable is free again, clock nanoseconds
    int knobTurns_ = 0;
    QTimer wireTimer_;  // single shot: when the cable is free for the next message
    QTimer tunerTimer_; // runs while the Amp is in tuner mode
};
