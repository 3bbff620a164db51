#include "midi/tmidiout.h"

#include <QDebug>

TMidiOut::TMidiOut(MidiBackend &backend) : backend_(backend)
{
    names_ = backend_.outputNames().mid(0, MaxDevices);
}

TMidiOut::~TMidiOut()
{
    if (using_)
        close();
}

void TMidiOut::setUsing(bool on)
{
    if (on == using_)
        return;
    if (on)
        open();
    else
        close();
    using_ = on;
}

void TMidiOut::setPort(int n)
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

void TMidiOut::open()
{
    if (port_ < 0 || port_ >= NumDevs()) {
        openResult_ = MidiBackend::BadDevice;
        return;
    }
    openResult_ = backend_.openOutput(port_);
}

void TMidiOut::close()
{
    // A device still playing refuses to close; ask again. Bounded so a
    // misbehaving service cannot hang the program.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        closeResult_ = backend_.closeOutput();
        if (closeResult_ != MidiBackend::StillPlaying)
            return;
    }
}

bool TMidiOut::SysEx(const std::uint8_t *data, int length)
{
    if (!using_ || length <= 2 || !data)
        return true;
    const int result = backend_.sendSysEx(data, length);
    if (result != MidiBackend::Ok && result != MidiBackend::NotOpen) {
        qWarning("MIDI output refused a SysEx message of %d bytes (error %d)", length, result);
        return false;
    }
    return true;
}

void TMidiOut::Put1(std::uint8_t status) { Put2Direct(status); }
void TMidiOut::Put2(std::uint8_t status, std::uint8_t first) { Put2Direct(status + first * 256u); }
void TMidiOut::Put3(std::uint8_t status, std::uint8_t first, std::uint8_t second)
{
    Put2Direct(status + first * 256u + second * 65536u);
}

void TMidiOut::Put2Direct(std::uint32_t packed)
{
    if (using_)
        backend_.sendShort(packed);
}

void TMidiOut::Reset()
{
    if (using_)
        backend_.resetOutput();
}
