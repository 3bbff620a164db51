// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midiinport.h"

MidiInPort::MidiInPort(MidiBackend &backend) : backend_(backend), devicesEpoch_(backend.devicesEpoch())
{
    refreshDevices();
    QObject::connect(&backend_.linkNotifier(), &LinkNotifier::changed, &linkContext_,
                     [this](unsigned changes) { followService(changes); });
}

void MidiInPort::followService(unsigned changes)
{
    if (!(changes & LinkEvents::Service))
        return;
    if (const std::uint64_t epoch = backend_.devicesEpoch(); epoch != devicesEpoch_) {
        devicesEpoch_ = epoch;
        refreshDevices();
    }
}

void MidiInPort::refreshDevices()
{
    devices_.setNames(backend_.inputNames());
    backend_.linkNotifier().post(LinkEvents::Ports);
}

void MidiInPort::rememberDevice(int index, const QString &name)
{
    devices_.remember(index, name);
    backend_.linkNotifier().post(LinkEvents::Ports);
}

MidiInPort::~MidiInPort()
{
    if (using_)
        close();
}

void MidiInPort::setEnabled(bool on)
{
    if (on == using_)
        return;
    if (on)
        open();
    else
        close();
    using_ = on;
    backend_.linkNotifier().post(LinkEvents::Ports);
}

void MidiInPort::setPort(int n)
{
    if (n >= deviceCount())
        return;
    if (using_)
        close();
    devices_.setPort(n);
    if (using_)
        open();
    backend_.linkNotifier().post(LinkEvents::Ports);
}

void MidiInPort::open()
{
    if (port() < 0 || port() >= deviceCount()) {
        openResult_ = MidiBackend::BadDevice;
        return;
    }
    openResult_ = backend_.openInput(
        port(),
        [this](std::uint8_t status, std::uint8_t first, std::uint8_t second) {
            ++received_;
            backend_.linkNotifier().post(LinkEvents::Received);
            if (UseShort && OnShort)
                OnShort(this, status, first, second);
        },
        [this](const std::uint8_t *data, int size) {
            ++received_;
            backend_.linkNotifier().post(LinkEvents::Received);
            if (UseSysEx && OnSysEx)
                OnSysEx(this, data, size);
        });
}

void MidiInPort::close()
{
    // The backend drops whatever is still queued, so nothing is reported after this.
    closeResult_ = backend_.closeInput();
}
