// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <unordered_map>

// What the messages waiting in a send queue write on the device, so that a
// newer value for the same thing can take the place of one that has not
// left yet. Positions are the queue's own, counted from its creation and
// never reused, so a message that has left is known by its position alone.
class SendTargets {
public:
    struct Target {
        enum class Kind : std::uint8_t {
            Nothing,    // writes nothing the others write (a question, say); never replaced
            Everything, // may write anything (a whole record, or not understood): nothing before it is replaced
            Place,      // writes one place (one byte of a record): replaceable
        };
        Kind kind = Kind::Everything;
        std::uint32_t place = 0; // what it writes; messages of one place are kept in order
        std::uint32_t part = 0;  // which part of the place: a newer value replaces only the same part

        static Target nothing() { return {Kind::Nothing, 0, 0}; }
        static Target everything() { return {Kind::Everything, 0, 0}; }
        static Target of(std::uint32_t place, std::uint32_t part) { return {Kind::Place, place, part}; }
    };

    // The position of the queued message that a new message for target may
    // overwrite, or -1: it must be the last one queued that touches the
    // place, be for the same part, be still queued (at or after oldest) and
    // have no message that may write everything queued after it.
    std::int64_t replaceable(const Target &target, std::int64_t oldest) const;
    // A message for target was queued at position.
    void queued(const Target &target, std::int64_t position);
    // The queue is empty.
    void clear();

private:
    struct Last {
        std::int64_t position;
        std::uint32_t part;
    };
    std::unordered_map<std::uint32_t, Last> last_;
    std::int64_t barrier_ = -1; // the last message that may write everything
};
