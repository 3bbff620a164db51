// "Instant under the hand": a knob turn builds and sends one message, and an
// Amp echo is dispatched and applied, far inside one frame (16 ms). The
// targets below leave a wide margin for slow machines.
#include "ampsim/virtualamp.h"
#include "midi/loopbackbackend.h"
#include "midi/tmidiout.h"
#include "protocol/ampsender.h"
#include "protocol/amptransfers.h"
#include "protocol/sysexdispatcher.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>

namespace {
template <class F>
double nanosPerCall(int count, F &&f)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i)
        f(i);
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(end - start).count() / count;
}

bool report(const char *what, double ns, double targetNs)
{
    const bool ok = ns <= targetNs;
    std::printf("%-40s %10.0f ns  (target %.0f ns) %s\n", what, ns, targetNs, ok ? "ok" : "MISSED");
    return ok;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    DeviceImage image;
    image.fillDefaults();
    EditorState state;
    AmpTransfers transfers(image, state);
    SysExDispatcher dispatcher(image, state, transfers);
    LoopbackBackend backend;
    TMidiOut out(backend);
    out.setUsing(true);
    AmpSender sender(out, image, state);
    bool ok = true;

    const int n = 200000;
    backend.sent.reserve(n);
    ok &= report("knob edit -> parameter-set message",
                 nanosPerCall(n, [&](int i) { image.record(0)[3] = std::uint8_t(i % 33 + 1); sender.sendParameter(3); }),
                 20000);

    const auto echo = amp::parameterSet(3, 17);
    ok &= report("Amp echo dispatched and applied",
                 nanosPerCall(n, [&](int) { dispatcher.MidiIn1SysEx(echo.data(), int(echo.size())); }), 20000);

    const auto dump = amp::groupDump(image.group);
    ok &= report("1000-byte group dump decoded",
                 nanosPerCall(20000, [&](int) {
                     transfers.TransferState = 2;
                     dispatcher.MidiIn1SysEx(dump.data(), int(dump.size()));
                 }),
                 200000);
    return ok ? 0 : 1;
}
