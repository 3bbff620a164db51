// SPDX-License-Identifier: GPL-3.0-or-later
#include "ampsim/virtualampdriver.h"

#include "model/globalrecord.h"
#include "model/presetrecord.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr std::int64_t NsPerSecond = 1000000000;
constexpr std::int64_t NsPerMs = 1000000;

// The knobs a hand reaches for first, in turn.
constexpr int HandKnobs[] = {preset::PreGain, preset::Low,      preset::Mid,
                             preset::High,    preset::PostGain, preset::ReverbLevel};

} // namespace

VirtualAmpDriver::VirtualAmpDriver(VirtualAmp &amp, Output output) : amp_(amp), output_(std::move(output))
{
    clock_.start();
    wireTimer_.setSingleShot(true);
    wireTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wireTimer_, &QTimer::timeout, &wireTimer_, [this] { sendDue(); });
    tunerTimer_.setInterval(TunerTickMs);
    QObject::connect(&tunerTimer_, &QTimer::timeout, &tunerTimer_, [this] { sendTunerReading(); });
}

void VirtualAmpDriver::receive(const std::uint8_t *data, std::size_t size)
{
    std::vector<Bytes> replies = amp_.receive(data, size);
    if (replyDelayMs_ > 0 && !replies.empty() && isDumpRequest(data, size))
        QTimer::singleShot(replyDelayMs_, &wireTimer_, [this, replies = std::move(replies)] { send(replies); });
    else
        send(replies);
    followTunerMode();
}

bool VirtualAmpDriver::isDumpRequest(const std::uint8_t *data, std::size_t size)
{
    if (size <= std::size_t(amp::CommandPos) || !amp::hasAmpHeader(data, size))
        return false;
    switch (data[amp::CommandPos]) {
    case amp::GroupRequest:
    case amp::PresetRequest:
    case amp::CurrentPresetRequest:
    case amp::GlobalsRequest: return true;
    default: return false;
    }
}

void VirtualAmpDriver::followTunerMode()
{
    if (amp_.tunerOn == tunerTimer_.isActive())
        return;
    if (amp_.tunerOn)
        tunerTimer_.start();
    else
        tunerTimer_.stop();
}

void VirtualAmpDriver::stepToPreset(int program, bool userBank)
{
    send(amp_.switchTo(program, userBank));
}

void VirtualAmpDriver::turnKnob(int index, std::uint8_t value)
{
    send({amp_.turnKnob(index, value)});
}

int VirtualAmpDriver::turnSomeKnob()
{
    int index = HandKnobs[knobTurns_++ % int(std::size(HandKnobs))];
    // The knob moves the set the preset plays: the Alt byte when its
    // section's Alt flag is on.
    for (int d = 0; d < preset::DualCount; ++d) {
        const preset::DualSection section = preset::dualSection(preset::Dual(d));
        const bool inSection =
            std::find(section.normalBytes.begin(), section.normalBytes.end(), index) != section.normalBytes.end();
        if (inSection && bitfield::read(amp_.current[section.flag.index], section.flag.shift, section.flag.width))
            ++index;
    }
    const preset::Range range = preset::knobRange(index);
    const int step = std::max(1, (range.max - range.min + 1) / 4);
    int value = amp_.current[index] + step;
    if (value > range.max || value < range.min)
        value = range.min;
    turnKnob(index, std::uint8_t(value));
    return index;
}

void VirtualAmpDriver::send(const std::vector<Bytes> &messages)
{
    queue_.insert(queue_.end(), messages.begin(), messages.end());
    sendDue();
}

void VirtualAmpDriver::clear()
{
    queue_.clear();
    wireTimer_.stop();
}

void VirtualAmpDriver::sendDue()
{
    // A message leaves only when the one before it has had its time on the
    // cable.
    while (!queue_.empty()) {
        const std::int64_t now = clock_.nsecsElapsed();
        if (wireRate_ > 0 && now < nextFree_) {
            wireTimer_.start(int((nextFree_ - now + NsPerMs - 1) / NsPerMs));
            return;
        }
        const Bytes m = std::move(queue_.front());
        queue_.pop_front();
        if (output_)
            output_(m);
        if (wireRate_ > 0)
            nextFree_ = std::max(nextFree_, now) + std::int64_t(m.size()) * NsPerSecond / wireRate_;
    }
}

void VirtualAmpDriver::sendTunerReading()
{
    if (auto reading = amp_.tunerMessageDue(clock_.elapsed()))
        send({*reading});
}

bool VirtualAmpDriver::firmwareByte(const QString &text, std::uint8_t &byte)
{
    // "<digit>.<digits>[ ]G": parsed by hand, as this runs at start and a
    // regular expression would load its engine for one line of text.
    const QString t = text.trimmed();
    if (t.size() < 3 || !t[0].isDigit() || t[1] != u'.')
        return false;
    qsizetype i = 2;
    int minor = 0;
    while (i < t.size() && t[i].isDigit() && minor < 100)
        minor = minor * 10 + t[i++].digitValue();
    if (i == 2)
        return false;
    const qsizetype digitsEnd = i;
    while (i < t.size() && t[i].isSpace())
        ++i;
    const bool g = i < t.size() && (t[i] == u'g' || t[i] == u'G');
    if (g)
        ++i;
    if (i != t.size() || (!g && i != digitsEnd))
        return false;
    const int version = t[0].digitValue() * 16 + minor;
    if (version < 0x10 || version > 0x4F || minor > 15)
        return false;
    byte = std::uint8_t((version - 16) | (g ? 0x40 : 0));
    return true;
}

void VirtualAmpDriver::unboxed(VirtualAmp &amp, int channel)
{
    amp.globals[VirtualAmp::MidiChannelByte] = std::uint8_t((channel - 1) & 0x0F);
    // The input adjust knob starts at 1; an Amp fresh from the box sits mid-way.
    amp.globals[globalrecord::InputAdjust.index] = 17;
}
