#include "midi/midibackend.h"

#include <algorithm>

int midiShortLength(std::uint8_t status)
{
    if (status < 0x80 || status == 0xF0 || status == 0xF7)
        return 0;
    if (status < 0xF0) {
        // Program Change and Channel Pressure carry one data byte.
        const int kind = status & 0xF0;
        return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
    }
    // Quarter frame and song select carry one, song position two; the other
    // system common and all real-time messages none.
    if (status == 0xF1 || status == 0xF3)
        return 2;
    if (status == 0xF2)
        return 3;
    return 1;
}

MidiInbox::MidiInbox(QObject *parent) : QObject(parent) {}

void MidiInbox::open(MidiBackend::ShortHandler onShort, MidiBackend::SysExHandler onSysEx)
{
    ++generation_;
    onShort_ = std::move(onShort);
    onSysEx_ = std::move(onSysEx);
    open_ = true;
}

void MidiInbox::close()
{
    ++generation_;
    open_ = false;
    onShort_ = nullptr;
    onSysEx_ = nullptr;
}

void MidiInbox::post(std::vector<std::uint8_t> message)
{
    if (message.empty())
        return;
    const unsigned generation = generation_.load();
    // Queued calls to one receiver run in the order they were posted, which
    // keeps short messages and SysEx in one ordered stream.
    QMetaObject::invokeMethod(
        this, [this, generation, message = std::move(message)] { deliver(generation, message); },
        Qt::QueuedConnection);
}

void MidiInbox::deliver(unsigned generation, const std::vector<std::uint8_t> &message)
{
    if (!open_ || generation != generation_.load())
        return;
    const std::uint8_t status = message[0];
    if (status == 0xF0) {
        if (!onSysEx_)
            return;
        // Keep a handler alive even if it closes the port while running.
        auto handler = onSysEx_;
        const unsigned myGeneration = generation_.load();
        for (std::size_t at = 0; at < message.size(); at += SysExBufferSize) {
            if (generation_.load() != myGeneration)
                return;
            const int size = int(std::min<std::size_t>(SysExBufferSize, message.size() - at));
            handler(message.data() + at, size);
        }
        return;
    }
    if (status < 0x80 || !onShort_)
        return; // stray data bytes carry no message
    auto handler = onShort_;
    handler(status, message.size() > 1 ? message[1] : 0, message.size() > 2 ? message[2] : 0);
}
