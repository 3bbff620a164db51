// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/tmidiin.h"

TMidiIn::TMidiIn(MidiBackend &backend) : backend_(backend)
{
    refreshDevices();
}

void TMidiIn::refreshDevices()
{
    devices_.setNames(backend_.inputNames());
    backend_.linkNotifier().post(LinkEvents::Ports);
}

void TMidiIn::rememberDevice(int index, const QString &name)
{
    devices_.remember(index, name);
    backend_.linkNotifier().post(LinkEvents::Ports);
}

TMidiIn::~TMidiIn()
{
    if (using_)
        close();
}

void TMidiIn::setUsing(bool on)
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

void TMidiIn::setPort(int n)
{
    if (n >= NumDevs())
        return;
    if (using_)
        close();
    devices_.setPort(n);
    if (using_)
        open();
    backend_.linkNotifier().post(LinkEvents::Ports);
}

void TMidiIn::open()
{
    if (Port() < 0 || Port() >= NumDevs()) {
        openResult_ = MidiBackend::BadDevice;
        return;
    }
    openResult_ = backend_.openInput(
        Port(),
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

void TMidiIn::close()
{
    // The backend drops whatever is still queued, so nothing is reported after this.
    closeResult_ = backend_.closeInput();
}
