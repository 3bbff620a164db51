// SPDX-License-Identifier: GPL-3.0-or-later
// A fast knob turn against the cable: how long after the hand stops the Amp
// has the knob's final value. The session's real send queue at the cable's
// rate, on a clock the benchmark moves, with its drain timer fired when the
// timer would fire (whole milliseconds after it was armed).
#include "midi/loopbackbackend.h"
#include "protocol/ampmessages.h"
#include "session/session.h"
#include "silentuser.h"

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr std::int64_t Ms = 1000000; // nanoseconds
constexpr int Steps = 240;
constexpr std::int64_t SweepNs = 200 * Ms;
// An 11-byte parameter message on the cable: 3.52 ms.
constexpr std::int64_t MessageNs = 11 * 1000 * Ms / MidiOutPort::DinRate;

struct SweepClock : MidiOutPort::Clock {
    std::int64_t t = 1000 * Ms;
    std::int64_t now() override { return t; }
    void sleepUntil(std::int64_t time) override { t = std::max(t, time); }
};

struct Handed {
    std::int64_t at;
    amp::Bytes bytes;
};

struct Result {
    std::int64_t lagNs = 0;  // from the last step to the last byte on the cable
    bool finalValues = true; // each knob's last message carried its last value
    std::uint64_t sent = 0;
};

// One sweep of Steps steps within SweepNs, the knobs taking turns. The
// sweep lasts from 90 to 100 % of that, so the last step meets the cable at
// every point of a message; each step lands at its even share of the sweep
// moved by up to a third of a step, as a hand moves. Seeded, so every run
// sees the same sweeps.
Result sweep(int knobs, unsigned seed)
{
    SilentUser user;
    auto owned = std::make_unique<LoopbackBackend>();
    LoopbackBackend &backend = *owned;
    backend.pacing = true;
    Session session(std::move(owned), user);
    SweepClock clock;
    MidiOutPort &out = session.link().midiOut();
    out.setClock(&clock);
    out.setRate(MidiOutPort::DinRate);
    out.setPort(0);
    out.setEnabled(true);
    std::vector<Handed> handed;
    handed.reserve(Steps);
    backend.peer = [&](const amp::Bytes &m) { handed.push_back({clock.t, m}); };

    // When the drain timer fires next, or -1 when it is not running.
    std::int64_t due = -1;
    const auto afterCall = [&](bool rearmed) {
        if (!out.sendTimer().isActive())
            due = -1;
        else if (rearmed || due < 0)
            due = clock.t + out.sendTimer().interval() * Ms;
    };
    const auto fireUntil = [&](std::int64_t until) {
        while (due >= 0 && due <= until) {
            clock.t = due;
            out.sendDue();
            afterCall(true);
        }
    };

    const int bytes[2] = {preset::PreGain, preset::Low};
    std::array<int, 2> last{};
    std::array<std::int64_t, 2> lastStep{};
    std::mt19937 random(seed);
    const std::int64_t step =
        std::uniform_int_distribution<std::int64_t>(SweepNs * 9 / 10, SweepNs)(random) / (Steps - 1);
    std::uniform_int_distribution<std::int64_t> jitter(-step / 3, step / 3);
    const std::int64_t start = clock.t;
    for (int k = 0; k < Steps; ++k) {
        const std::int64_t at = start + k * step + (k == 0 || k == Steps - 1 ? 0 : jitter(random));
        fireUntil(at);
        clock.t = at;
        const int knob = k % knobs;
        // Up and down the knob's range, a new value every step.
        const int value = 1 + (k / knobs) % 32;
        session.editor().editByte(bytes[knob], std::uint8_t(value));
        afterCall(false);
        last[knob] = value;
        lastStep[knob] = at;
    }
    fireUntil(INT64_MAX);

    Result r;
    r.sent = handed.size();
    // The cable carries one byte after another: a message starts when it is
    // handed over or when the one before has left, whichever is later.
    std::int64_t wireFree = 0;
    std::array<const amp::Bytes *, 2> lastOf{};
    for (const Handed &h : handed) {
        wireFree = std::max(wireFree, h.at) + std::int64_t(h.bytes.size()) * 1000 * Ms / MidiOutPort::DinRate;
        for (int knob = 0; knob < knobs; ++knob)
            if (h.bytes[amp::CommandPos] == amp::ParameterSet && h.bytes[7] == bytes[knob])
                lastOf[knob] = &h.bytes;
    }
    r.lagNs = wireFree - std::max(lastStep[0], lastStep[knobs - 1]);
    for (int knob = 0; knob < knobs; ++knob)
        r.finalValues =
            r.finalValues && lastOf[knob] && *lastOf[knob] == amp::parameterSet(bytes[knob], std::uint8_t(last[knob]));
    out.setClock(nullptr);
    return r;
}

// Reports the lag from the last step to the last byte out (mean and worst
// over the runs, in milliseconds), and the messages sent per sweep. Fails
// when a knob's final value is not what the Amp got last, or when the lag
// exceeds what the cable allows: the message on the wire at the last step
// plus one message per knob, and the timer's whole-millisecond grain.
void BM_SweepLag(benchmark::State &state)
{
    const int knobs = int(state.range(0));
    double sumMs = 0;
    double worstMs = 0;
    double sent = 0;
    unsigned seed = 1;
    bool finalValues = true;
    for (auto _ : state) {
        const Result r = sweep(knobs, seed++);
        sumMs += double(r.lagNs) / Ms;
        worstMs = std::max(worstMs, double(r.lagNs) / Ms);
        sent += double(r.sent);
        finalValues = finalValues && r.finalValues;
    }
    const double n = double(state.iterations());
    state.counters["lag_ms"] = sumMs / n;
    state.counters["worst_lag_ms"] = worstMs;
    state.counters["msgs_per_sweep"] = sent / n;
    const double bound = double((1 + knobs) * MessageNs + Ms) / Ms;
    if (!finalValues)
        state.SkipWithError("a knob's final value was not the last the Amp got");
    else if (worstMs > bound)
        state.SkipWithError("the Amp got the final value later than the cable allows");
}
BENCHMARK(BM_SweepLag)->ArgName("knobs")->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->Iterations(200);

} // namespace
