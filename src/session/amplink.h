// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/midibackend.h"
#include "midi/midiinport.h"
#include "midi/midioutport.h"
#include "protocol/ampmessages.h"

#include <QObject>

#include <cstdint>
#include <memory>

// The MIDI link to the Amp: the service, both ports with the send queue and
// the inbox behind them, and what is known of the Amp at the other end (its
// firmware, whether it was found and whether it still answers). Received
// messages leave as signals, inside an InputScope; their receivers must not
// ask the user anything there.
class AmpLink : public QObject {
    Q_OBJECT
public:
    explicit AmpLink(std::unique_ptr<MidiBackend> backend, QObject *parent = nullptr);
    ~AmpLink() override;

    MidiBackend &backend() { return *backend_; }
    MidiInPort &midiIn() { return midiIn_; }
    MidiOutPort &midiOut() { return midiOut_; }
    bool portsOpen() const { return midiIn_.isEnabled() && midiOut_.isEnabled(); }
    // At the program's end: the input closes; what is still queued for the
    // Amp (the end of a group write) leaves for up to flushMs, since closing
    // the port would drop it; then the output closes.
    void closePorts(int flushMs);

    // To the Amp, through the send queue; false when the output refused it
    // (closed, or the queue full).
    bool send(const amp::Bytes &message);
    // The same, with what the message writes as it was built (see
    // amp::parameterSetTarget): the queue need not read it back.
    bool send(const amp::Bytes &message, const amp::SendTarget &target);

    // ---- The Amp at the other end

    std::uint8_t firmwareVersion() const { return firmware_; }
    bool gVariant() const { return gVariant_; }
    bool isOldFirmware() const;
    bool isAmpFound() const { return found_; }
    // False after a question went unanswered with both ports open, until the
    // Amp is heard again.
    bool isAnswering() const { return answering_; }
    // Set when what the editor shows may no longer be what the Amp holds:
    // the Amp answers again after a silence, the MIDI service came back, or
    // the ports now lead to other devices than the Amp was found on.
    bool syncOffered() const { return syncOffered_; }
    // The ports lead elsewhere since the Amp was found: its firmware is not
    // known for them.
    bool devicesChanged() const { return devicesChanged_; }

    // An identify reply: found, answering, this firmware.
    void identified(std::uint8_t version, bool gVariant);
    // For tests and the old-firmware paths: the version without a search.
    void setFirmwareVersion(std::uint8_t version);
    // A question to the Amp went unanswered.
    void ampSilent();
    // A message of the Amp's arrived.
    void ampHeard();
    // The MIDI service came back after it was gone (seen on the link's
    // notifier; called by hand in tests).
    void serviceReturned();
    void clearSyncOffer();

signals:
    void sysExReceived(const std::uint8_t *data, int size);
    void shortReceived(std::uint8_t status, std::uint8_t first, std::uint8_t second);
    // Firmware, found, answering or the sync offer changed.
    void ampStatusChanged();
    // The Amp found before is heard again after a silence, or the MIDI
    // service came back: what it plays may no longer be what is shown.
    void reconnected();

private:
    void setSyncOffered(bool on);
    QString devices() const;
    void portsChanged();

    std::unique_ptr<MidiBackend> backend_;
    MidiInPort midiIn_;
    MidiOutPort midiOut_;
    std::uint8_t firmware_;
    bool gVariant_ = false;
    bool found_ = false;
    bool answering_ = false;
    bool syncOffered_ = false;
    bool serviceUp_ = true;
    bool devicesChanged_ = false;
    QString devicesAtFind_;
};
