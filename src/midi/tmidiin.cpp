#include "midi/tmidiin.h"

TMidiIn::TMidiIn(MidiBackend &backend) : backend_(backend)
{
    names_ = backend_.inputNames().mid(0, MaxDevices);
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
}

void TMidiIn::setPort(int n)
{
    if (n >= NumDevs())
        return;
    if (!using_) {
        port_ = n;
        return;
    }
    close();
    port_ = n;
    open();
}

void TMidiIn::open()
{
    if (port_ < 0 || port_ >= NumDevs()) {
        openResult_ = MidiBackend::BadDevice;
        return;
    }
    openResult_ = backend_.openInput(
        port_,
        [this](std::uint8_t status, std::uint8_t first, std::uint8_t second) {
            if (UseShort && OnShort)
                OnShort(this, status, first, second);
        },
        [this](const std::uint8_t *data, int size) {
            if (UseSysEx && OnSysEx)
                OnSysEx(this, data, size);
        });
}

void TMidiIn::close()
{
    // The backend drops whatever is still queued, so nothing is reported after this.
    closeResult_ = backend_.closeInput();
}
