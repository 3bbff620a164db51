// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/midibackend.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Cuts a stream of MIDI bytes, as a service hands them over in chunks of any
// size, into messages: short messages (running status included) and SysEx in
// pieces of at most MidiInbox::SysExBufferSize bytes, only the first starting
// with F0. Timing clock, active sensing and time code are left out, as the
// port layer has always ignored them. Its memory is fixed, so a realtime
// thread may use it; a sink that refuses a piece (its queue is full) makes
// the parser skip the rest of that SysEx message.
class MidiStreamParser {
public:
    static constexpr std::size_t PieceSize = MidiInbox::SysExBufferSize;

    // sink(const std::uint8_t *data, std::size_t size, bool continuation) -> bool
    template <class Sink>
    void feed(const std::uint8_t *data, std::size_t size, Sink &&sink)
    {
        for (std::size_t i = 0; i < size; ++i)
            feedByte(data[i], sink);
    }
    void reset()
    {
        inSysEx_ = false;
        shortSize_ = 0;
        running_ = 0;
    }

private:
    template <class Sink>
    void feedByte(std::uint8_t b, Sink &sink)
    {
        if (b >= 0xF8) { // real time: may stand anywhere, even inside SysEx
            if (b != 0xF8 && b != 0xFE)
                sink(&b, 1, false);
            return;
        }
        if (b == 0xF7) {
            if (inSysEx_) {
                append(b, sink);
                endSysEx(sink);
            }
            return;
        }
        if (b >= 0x80) {
            if (inSysEx_)
                endSysEx(sink); // any status byte ends SysEx; what came is passed on
            shortSize_ = 0;
            if (b == 0xF0) {
                inSysEx_ = true;
                continuation_ = false;
                skipping_ = false;
                sysExSize_ = 0;
                running_ = 0;
                append(b, sink);
                return;
            }
            running_ = b < 0xF0 ? b : 0;
            startShort(b, sink);
            return;
        }
        if (inSysEx_) {
            append(b, sink);
        } else if (shortSize_ > 0) {
            short_[shortSize_++] = b;
            finishShort(sink);
        } else if (running_ != 0) {
            startShort(running_, sink);
            short_[shortSize_++] = b;
            finishShort(sink);
        } // else a stray data byte: no message
    }
    template <class Sink>
    void startShort(std::uint8_t status, Sink &sink)
    {
        short_[0] = status;
        shortSize_ = 1;
        shortLength_ = midiShortLength(status);
        finishShort(sink);
    }
    template <class Sink>
    void finishShort(Sink &sink)
    {
        if (shortSize_ < shortLength_)
            return;
        if (short_[0] != 0xF1) // MIDI time code: ignored
            sink(short_.data(), std::size_t(shortSize_), false);
        shortSize_ = 0;
    }
    template <class Sink>
    void append(std::uint8_t b, Sink &sink)
    {
        if (sysExSize_ == PieceSize) {
            emitPiece(sink);
            continuation_ = true;
        }
        sysEx_[sysExSize_++] = b;
    }
    template <class Sink>
    void endSysEx(Sink &sink)
    {
        emitPiece(sink);
        inSysEx_ = false;
    }
    template <class Sink>
    void emitPiece(Sink &sink)
    {
        if (sysExSize_ > 0 && !skipping_ && !sink(sysEx_.data(), sysExSize_, continuation_))
            skipping_ = true;
        sysExSize_ = 0;
    }

    std::array<std::uint8_t, PieceSize> sysEx_{};
    std::size_t sysExSize_ = 0;
    bool inSysEx_ = false;
    bool continuation_ = false;
    bool skipping_ = false;
    std::array<std::uint8_t, 3> short_{};
    int shortSize_ = 0;
    int shortLength_ = 0;
    std::uint8_t running_ = 0;
};
