// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/amplink.h"

#include "midi/linkevents.h"
#include "midi/linknotifier.h"
#include "model/firmware.h"
#include "session/inputscope.h"

namespace {

// The send queue's targets are the protocol's, kind for kind.
using QueueKind = TMidiOut::Target::Kind;
using AmpKind = amp::SendTarget::Kind;
static_assert(int(QueueKind::Nothing) == int(AmpKind::Nothing) && int(QueueKind::Everything) == int(AmpKind::Everything) &&
              int(QueueKind::Place) == int(AmpKind::Place));

} // namespace

AmpLink::AmpLink(std::unique_ptr<MidiBackend> backend, QObject *parent)
    : QObject(parent), backend_(std::move(backend)), MidiIn1(*backend_), MidiOut1(*backend_),
      firmware_(firmware::Initial)
{
    // A knob turned faster than the cable carries: the Amp gets the newest value.
    MidiOut1.setClassifier([](const std::uint8_t *data, std::size_t size) {
        const amp::SendTarget t = amp::sendTarget(data, size);
        return TMidiOut::Target{TMidiOut::Target::Kind(t.kind), t.place, t.part};
    });
    MidiIn1.OnSysEx = [this](TMidiIn *, const std::uint8_t *data, int size) {
        const InputScope scope;
        emit sysExReceived(data, size);
    };
    MidiIn1.OnShort = [this](TMidiIn *, std::uint8_t status, std::uint8_t first, std::uint8_t second) {
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

QString AmpLink::devices() const
{
    return (MidiIn1.Using() ? MidiIn1.storedName() : QString()) + QLatin1Char('\n') +
           (MidiOut1.Using() ? MidiOut1.storedName() : QString());
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
    MidiIn1.OnSysEx = nullptr;
    MidiIn1.OnShort = nullptr;
}

bool AmpLink::send(const amp::Bytes &message)
{
    // A closed output drops messages without counting them.
    if (!MidiOut1.Using())
        return false;
    return MidiOut1.SysEx(message.data(), int(message.size()));
}

bool AmpLink::send(const amp::Bytes &message, const amp::SendTarget &target)
{
    if (!MidiOut1.Using())
        return false;
    return MidiOut1.SysEx(message.data(), int(message.size()),
                          TMidiOut::Target{TMidiOut::Target::Kind(target.kind), target.place, target.part});
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
