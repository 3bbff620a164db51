// SPDX-License-Identifier: GPL-3.0-or-later
#include "ampsim/builtinampbackend.h"

#include "midi/mididevicechoice.h"
#include "midi/midiinport.h"
#include "midi/midioutport.h"

namespace {

// The system's devices come first, so stored port numbers keep their
// meaning; they give up the twelfth place, so the built-in Amp is always
// offered.
QStringList withBuiltIn(const QStringList &system, int &systemCount)
{
    QStringList names = system.mid(0, MidiDeviceChoice::MaxDevices - 1);
    systemCount = int(names.size());
    names << BuiltInAmpBackend::deviceName();
    return names;
}

template <class Port>
void preselect(Port &port)
{
    if (port.storedPort() != -1 || port.deviceCount() != 1 || port.deviceName(0) != BuiltInAmpBackend::deviceName())
        return;
    port.setPort(0);
    port.setEnabled(true);
    if (port.openResult() != 0)
        port.setEnabled(false);
}

} // namespace

BuiltInAmpBackend::BuiltInAmpBackend(std::unique_ptr<MidiBackend> system, QObject *parent)
    : QObject(parent), system_(std::move(system)), driver_(amp_, [this](const amp::Bytes &m) { fromAmp(m); })
{
    amp_.versionByte = 0x10; // 2.0
    VirtualAmpDriver::unboxed(amp_, 1);
    watchOverflows(inbox_);
    // What the system's service reports (gone, back, devices changed, lost
    // messages) reaches whoever follows this backend's link.
    // Passed on as they are delivered: posting them again would cost a
    // second wake and a second hold.
    connect(&system_->linkNotifier(), &LinkNotifier::changed, &linkNotifier(), &LinkNotifier::changed);
}

BuiltInAmpBackend::~BuiltInAmpBackend() = default;

void BuiltInAmpBackend::preselectWhenAlone(MidiInPort &in, MidiOutPort &out)
{
    preselect(in);
    preselect(out);
}

QStringList BuiltInAmpBackend::inputNames()
{
    return withBuiltIn(system_->inputNames(), systemInputs_);
}

QStringList BuiltInAmpBackend::outputNames()
{
    return withBuiltIn(system_->outputNames(), systemOutputs_);
}

int BuiltInAmpBackend::openInput(int index, ShortHandler onShort, SysExHandler onSysEx)
{
    if (index < 0 || index > systemInputs_)
        return BadDevice;
    // One input device at a time.
    if (builtInInput_ || systemInput_)
        closeInput();
    if (index < systemInputs_) {
        const int result = system_->openInput(index, std::move(onShort), std::move(onSysEx));
        systemInput_ = result == Ok;
        return result;
    }
    inbox_.open(std::move(onShort), std::move(onSysEx));
    builtInInput_ = true;
    emit usageChanged();
    return Ok;
}

int BuiltInAmpBackend::closeInput()
{
    if (!builtInInput_) {
        systemInput_ = false;
        return system_->closeInput();
    }
    // What the Amp said and nobody took yet is gone with the port.
    inbox_.close();
    builtInInput_ = false;
    emit usageChanged();
    return Ok;
}

int BuiltInAmpBackend::openOutput(int index)
{
    if (index < 0 || index > systemOutputs_)
        return BadDevice;
    if (builtInOutput_ || systemOutput_)
        closeOutput();
    if (index < systemOutputs_) {
        const int result = system_->openOutput(index);
        systemOutput_ = result == Ok;
        return result;
    }
    builtInOutput_ = true;
    emit usageChanged();
    return Ok;
}

int BuiltInAmpBackend::closeOutput()
{
    if (!builtInOutput_) {
        const int result = system_->closeOutput();
        if (result != StillPlaying)
            systemOutput_ = false;
        return result;
    }
    builtInOutput_ = false;
    emit usageChanged();
    return Ok;
}

int BuiltInAmpBackend::sendSysEx(const std::uint8_t *data, int size)
{
    if (!builtInOutput_)
        return system_->sendSysEx(data, size);
    // The Amp answers later, through the inbox: never inside this call.
    driver_.receive(data, std::size_t(size));
    return Ok;
}

int BuiltInAmpBackend::sendShort(std::uint32_t packed)
{
    if (!builtInOutput_)
        return system_->sendShort(packed);
    std::uint8_t message[3];
    const int length = unpackShort(packed, message);
    if (length == 0)
        return InvalidMessage;
    driver_.receive(message, std::size_t(length));
    return Ok;
}

int BuiltInAmpBackend::resetOutput()
{
    return builtInOutput_ ? Ok : system_->resetOutput();
}

int BuiltInAmpBackend::maxMessageSize() const
{
    return builtInOutput_ ? 0 : system_->maxMessageSize();
}

bool BuiltInAmpBackend::linkUp() const
{
    // The built-in Amp needs no MIDI service; the system's ports do.
    return !(systemInput_ || systemOutput_) || system_->linkUp();
}

std::uint64_t BuiltInAmpBackend::inputOverflows() const
{
    return system_->inputOverflows() + inbox_.overflows();
}

void BuiltInAmpBackend::fromAmp(const amp::Bytes &message)
{
    // An input not listening to the Amp is a cable not plugged in.
    if (builtInInput_)
        inbox_.post(message);
}
