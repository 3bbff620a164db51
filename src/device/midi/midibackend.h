// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/linknotifier.h"
#include "midi/midiinbox.h"

#include <QStringList>

#include <cstdint>
#include <functional>

// Bytes of a short message with this status byte, status included: 1 to 3,
// or 0 when the byte starts no short message (a data byte, F0 or F7).
int midiShortLength(std::uint8_t status);
// The bytes of a short message packed as status | data1 << 8 | data2 << 16
// (data bytes masked to 7 bits); returns their count, 0 when the status
// starts no short message.
int unpackShort(std::uint32_t packed, std::uint8_t (&bytes)[3]);

// What the MIDI port components need of a MIDI service: device lists,
// open/close by index, sending, and received messages delivered on the
// UI thread. One backend serves one input and one output device at a time.
// Its link notifier tells the UI what changed on the link: MidiInPort and
// MidiOutPort post traffic, failures and port changes, the backend what its
// service does.
class MidiBackend {
public:
    using ShortHandler = MidiInbox::ShortHandler;
    // The bytes are valid only during the call.
    using SysExHandler = MidiInbox::SysExHandler;

    // Result codes. Zero is success; anything else is a failed operation.
    static constexpr int Ok = 0;
    static constexpr int BadDevice = 2;    // no such device index
    static constexpr int NotAvailable = 4; // device exists but cannot be opened
    static constexpr int NotOpen = 5;
    static constexpr int TooLong = 6;         // the service cannot deliver the message whole
    static constexpr int InvalidMessage = 11; // sendShort() given no short message's status byte
    static constexpr int StillPlaying = 65;   // close refused, try again
    static constexpr int Busy = 67;           // no room just now: try the same message again later

    MidiBackend() = default;
    virtual ~MidiBackend() = default;
    MidiBackend(const MidiBackend &) = delete;
    MidiBackend &operator=(const MidiBackend &) = delete;

    LinkNotifier &linkNotifier() { return linkNotifier_; }

    virtual QStringList inputNames() = 0;
    virtual QStringList outputNames() = 0;

    // Received messages reach the handlers on the UI thread, one at a time and
    // in arrival order, from a successful open until closeInput() returns;
    // anything still queued at close is dropped.
    virtual int openInput(int index, ShortHandler onShort, SysExHandler onSysEx) = 0;
    virtual int closeInput() = 0;

    virtual int openOutput(int index) = 0;
    virtual int closeOutput() = 0;
    // Sends one complete SysEx message (F0 ... F7). Never waits: returns when
    // the bytes have been handed over (the caller may reuse its buffer at
    // once), or Busy when the service has no room for them now.
    virtual int sendSysEx(const std::uint8_t *data, int size) = 0;
    // A short message packed as status + first * 256 + second * 65536.
    virtual int sendShort(std::uint32_t packed) = 0;
    virtual int resetOutput() { return Ok; }

    // Whether sends are to be paced at the output's rate: a real device reads
    // no faster than its cable; an in-process peer needs no pacing.
    virtual bool needsPacing() const { return true; }
    // Longest message the service delivers whole; 0 when it sets no limit.
    virtual int maxMessageSize() const { return 0; }
    // Whether the MIDI service answers; false while, say, a JACK server is gone.
    virtual bool linkUp() const { return true; }
    // Changes whenever the service came back or its devices changed, so the
    // device lists are worth reading again.
    virtual std::uint64_t devicesEpoch() const { return 0; }
    // Received messages dropped because they came faster than the UI took them.
    virtual std::uint64_t inputOverflows() const { return 0; }
    // Messages the service had accepted but lost (its server went away).
    virtual std::uint64_t outputLosses() const { return 0; }

protected:
    // Received messages dropped by this inbox count as failures.
    void watchOverflows(MidiInbox &inbox);

private:
    LinkNotifier linkNotifier_;
};
