// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/amplink.h"

#include "midi/linkevents.h"
#include "midi/linknotifier.h"
#include "model/firmware.h"
#include "session/inputscope.h"

namespace {

// The send queue's targets are the protocol's, kind for kind.
using QueueKind = MidiOutPort::Target::Kind;
using AmpKind = amp::SendTarget::Kind;
static_assert(int(QueueKind::Nothing) == int(AmpKind::Nothing) &&
              int(QueueKind::Everything) == int(AmpKind::Everything) && int(QueueKind::Place) == int(AmpKind::Place));

} // namespace

AmpLink::AmpLink(std::unique_ptr<MidiBackend> backend, QObject *parent)
    : QObject(parent), backend_(std::move(backend)), midiIn_(*backend_), midiOut_(*backend_),
      firmware_(firmware::Initial)
{
    // A knob turned faster than the cable carries: the Amp gets the newest value.
    midiOut_.setClassifier([](const std::uint8_t *data, std::size_t size) {
        const amp::SendTarget t = amp::sendTarget(data, size);
        return MidiOutPort::Target{MidiOutPort::Target::Kind(t.kind), t.place, t.part};
    });
    midiIn_.OnSysEx = [this](MidiInPort *, const std::uint8_t *data, int size) {
        const InputScope scope;
        emit sysExReceived(data, size);
    };
    midiIn_.OnShort = [this](MidiInPort *, std::uint8_t status, std::uint8_t first, std::uint8_t second) {
        const InputScope scope;
        emit shortReceived(status, first, second);
    };
    connect(&backend_->linkNotifier(), &LinkNotifier::changed, this, [this](unsigned changes) {
        if (changes & LinkEvents::Ports)
            portsChanged();
        if (changes & LinkEvents::Service) {
            const bool up = backend_->linkUp();
            if (up && !serviceUp_)
                serviceReturned();
            serviceUp_ = up;
        }
    });
}

void AmpLink::closePorts(int flushMs)
{
    midiIn_.setEnabled(false);
    midiOut_.flush(midiOut_.clock().now() + std::int64_t(flushMs) * 1000000);
    midiOut_.setEnabled(false);
}

QString AmpLink::devices() const
{
    return (midiIn_.isEnabled() ? midiIn_.storedName() : QString()) + QLatin1Char('\n') +
           (midiOut_.isEnabled() ? midiOut_.storedName() : QString());
}

void AmpLink::portsChanged()
{
    // Another device may be another Amp, or none: what was found is not
    // claimed for it, and a sync is offered.
    const bool changed = found_ && devices() != devicesAtFind_;
    if (changed == devicesChanged_)
        return;
    devicesChanged_ = changed;
    if (changed)
        syncOffered_ = true;
    emit ampStatusChanged();
}

AmpLink::~AmpLink()
{
    // Nothing may arrive for receivers that are going away.
    midiIn_.OnSysEx = nullptr;
    midiIn_.OnShort = nullptr;
}

bool AmpLink::send(const amp::Bytes &message)
{
    // A closed output drops messages without counting them.
    if (!midiOut_.isEnabled())
        return false;
    return midiOut_.sendSysEx(message.data(), int(message.size()));
}

bool AmpLink::send(const amp::Bytes &message, const amp::SendTarget &target)
{
    if (!midiOut_.isEnabled())
        return false;
    return midiOut_.sendSysEx(message.data(), int(message.size()),
                              MidiOutPort::Target{MidiOutPort::Target::Kind(target.kind), target.place, target.part});
}

bool AmpLink::isOldFirmware() const
{
    return firmware::isOld(firmware_);
}

void AmpLink::identified(std::uint8_t version, bool gVariant)
{
    firmware_ = version;
    gVariant_ = gVariant;
    found_ = true;
    answering_ = true;
    devicesChanged_ = false;
    devicesAtFind_ = devices();
    emit ampStatusChanged();
}

void AmpLink::setFirmwareVersion(std::uint8_t version)
{
    firmware_ = version;
    emit ampStatusChanged();
}

void AmpLink::ampSilent()
{
    if (!answering_)
        return;
    answering_ = false;
    emit ampStatusChanged();
}

void AmpLink::ampHeard()
{
    if (answering_ || !found_)
        return;
    answering_ = true;
    // While it was silent the editor may have changed what the Amp never got.
    syncOffered_ = true;
    emit ampStatusChanged();
    emit reconnected();
}

void AmpLink::serviceReturned()
{
    if (!found_)
        return;
    setSyncOffered(true);
    emit reconnected();
}

void AmpLink::clearSyncOffer()
{
    setSyncOffered(false);
}

void AmpLink::setSyncOffered(bool on)
{
    if (on == syncOffered_)
        return;
    syncOffered_ = on;
    emit ampStatusChanged();
}
