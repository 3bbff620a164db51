// SPDX-License-Identifier: GPL-3.0-or-later
// The MIDI input path from a service's byte stream to the handlers: the
// stream parser (fed in chunks of any size), the inbox's ring (sometimes
// full) and its delivery on the UI thread. Every message delivered must be
// well formed, in order, and the pieces of a SysEx message must follow its
// first piece.
#include "midi/midiinbox.h"
#include "midi/midistreamparser.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

struct Checked {
    bool sysExOpen = false; // a SysEx message whose last piece has not come
    std::size_t posted = 0;
    std::size_t delivered = 0;
};

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_midistream";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = new QCoreApplication(argc, argv);
    (void)app;
    if (size < 2)
        return 0;

    // Made anew each run: a fresh ring; the inbox outlives nothing it serves.
    static MidiInbox *inbox = nullptr;
    delete inbox;
    inbox = new MidiInbox;
    Checked c;
    inbox->open(
        [&](std::uint8_t status, std::uint8_t first, std::uint8_t second) {
            check(status >= 0x80 && status != 0xF0 && status != 0xF7 && first < 0x80 && second < 0x80);
            ++c.delivered;
        },
        [&](const std::uint8_t *m, int n) {
            check(n >= 1 && n <= MidiInbox::SysExBufferSize);
            ++c.delivered;
        });

    // Byte 0: how the stream is cut into chunks; byte 1: how often the
    // queue is emptied (rarely: the ring fills and refuses).
    const std::size_t chunkSeed = data[0];
    const int drainEvery = 1 + data[1] % 8;
    data += 2;
    size -= 2;

    MidiStreamParser parser;
    MidiInboxQueue &queue = *inbox->queue();
    const auto sink = [&](const std::uint8_t *m, std::size_t n, bool continuation) {
        check(n >= 1 && n <= MidiStreamParser::PieceSize);
        if (continuation) {
            check(c.sysExOpen);
            for (std::size_t i = 0; i + 1 < n; ++i)
                check(m[i] < 0x80);
        } else if (m[0] == 0xF0) {
            for (std::size_t i = 1; i + 1 < n; ++i)
                check(m[i] < 0x80);
        } else {
            check(int(n) == midiShortLength(m[0]));
            for (std::size_t i = 1; i < n; ++i)
                check(m[i] < 0x80);
            // Any status byte but a real-time one ends a SysEx message.
            if (m[0] < 0xF8)
                c.sysExOpen = false;
            return queue.post(m, n);
        }
        const bool ended = m[n - 1] == 0xF7;
        const bool ok = queue.postPiece(m, n, continuation);
        c.sysExOpen = ok && !ended && n == MidiStreamParser::PieceSize;
        c.posted += ok;
        return ok;
    };

    std::size_t at = 0;
    int chunks = 0;
    while (at < size) {
        const std::size_t chunk = std::min(size - at, 1 + (chunkSeed * 31 + at) % 4099);
        parser.feed(data + at, chunk, sink);
        at += chunk;
        if (++chunks % drainEvery == 0)
            inbox->drain();
    }
    while (inbox->pending())
        inbox->drain();
    QCoreApplication::processEvents();
    return 0;
}
