// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuner/tunerdisplay.h"

namespace tuner {

const char *noteName(int noteClass)
{
    static const char *const names[12] = {"A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"};
    return noteClass >= 0 && noteClass < 12 ? names[noteClass] : "--";
}

TunerDisplay::Update TunerDisplay::read(std::uint8_t n, std::uint8_t p, bool eFlat)
{
    Update u;
    if (eFlat)
        n = withEFlat(n);
    if (n == Silence) {
        // The text shows "--" in whatever colour it had; every LED goes dark.
        note_ = NoNote;
        u.text = true;
        return u;
    }
    u.led = ledFor(p);
    const int k = (n & 0x7F) % 12;
    if (k != note_) {
        note_ = k;
        u.text = true;
        u.colour = true;
        u.red = (n & 0x80) != 0;
        u.name = noteName(k);
    }
    return u;
}

} // namespace tuner
