// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// What the Amp's tuner readout shows: a note name and one lit LED of 21.
// Plain code, no widgets: the tuner window only copies the result out.
namespace tuner {

inline constexpr int LedCount = 21;
inline constexpr int CentreLed = 10;
inline constexpr int NoLed = -1;
inline constexpr int NoNote = -1;
// The note byte of a reading with no note.
inline constexpr std::uint8_t Silence = 0xFF;

// E-flat tuning reads one half step up: 1 is added to the low seven bits,
// bit 7 (the colour) stays. A silent reading stays silent.
constexpr std::uint8_t withEFlat(std::uint8_t n)
{
    return n == Silence ? n : std::uint8_t((n & 0x80) | ((n + 1) & 0x7F));
}

// The LED a position byte lights: (P as a signed byte + 2) / 5, truncated
// toward zero, so 48..52 is the centre; NoLed beyond either end.
constexpr int ledFor(std::uint8_t p)
{
    const int i = (int(std::int8_t(p)) + 2) / 5;
    return i >= 0 && i < LedCount ? i : NoLed;
}

// "A" .. "G#" for note classes 0..11 (A = 0), "--" for anything else.
const char *noteName(int noteClass);

// The display's memory of the note class it shows, and what one reading
// changes on screen. The text and its colour are rewritten only when the
// note class changes, so a steady note never redraws the large text.
class TunerDisplay {
public:
    struct Update {
        bool text = false;   // write `name`
        bool colour = false; // write the colour: red when `red`, else green
        bool red = false;
        const char *name = "--";
        int led = NoLed; // the one LED lit; NoLed: all dark
    };

    // Each time the tuner window shows, and on every silent reading.
    void reset() { note_ = NoNote; }
    int note() const { return note_; }

    Update read(std::uint8_t n, std::uint8_t p, bool eFlat);

private:
    int note_ = NoNote;
};

} // namespace tuner
