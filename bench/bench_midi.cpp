// SPDX-License-Identifier: GPL-3.0-or-later
// The send queue: what queueing costs per message, and how closely the
// timer-driven drain keeps the configured rate.
#include "midi/loopbackbackend.h"
#include "midi/midioutport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <vector>

namespace {

constexpr std::int64_t NsPerSecond = 1000000000;
constexpr std::array<std::uint8_t, 11> Message{0xF0, 0x00, 0x20, 0x4F, 0x10, 0x00, 0x02, 0x05, 0x01, 0x02, 0xF7};

// Time that moves only when the benchmark moves it.
struct StoppedClock : MidiOutPort::Clock {
    std::int64_t t = 0;
    std::int64_t now() override { return t; }
    void sleepUntil(std::int64_t time) override { t = std::max(t, time); }
};

// One 11-byte message queued behind a busy cable and sent by the drain when
// its time comes: the cost of the queue itself, without any waiting.
void BM_SendQueue(benchmark::State &state)
{
    LoopbackBackend backend;
    backend.outputs = {QStringLiteral("Out")};
    backend.pacing = true;
    StoppedClock clock;
    MidiOutPort out(backend);
    out.setClock(&clock);
    out.setRate(MidiOutPort::DinRate);
    out.setPort(0);
    out.setEnabled(true);
    out.sendSysEx(Message.data(), int(Message.size())); // the cable is busy from here on
    const std::int64_t wire = std::int64_t(Message.size()) * NsPerSecond / MidiOutPort::DinRate;
    std::size_t handed = 0;
    for (auto _ : state) {
        out.sendSysEx(Message.data(), int(Message.size()));
        clock.t += wire;
        out.sendDue();
        if (backend.sent.size() > 4096) {
            state.PauseTiming();
            handed += backend.sent.size();
            backend.sent.clear();
            state.ResumeTiming();
        }
    }
    handed += backend.sent.size();
    if (handed != std::size_t(state.iterations()) + 1 || out.stats().queuedMessages != 0)
        state.SkipWithError("the drain did not send one message per message queued");
    out.setClock(nullptr);
}
BENCHMARK(BM_SendQueue)->Repetitions(9)->ReportAggregatesOnly(true);

// 1000 messages sent at once, drained by the real timer at the given rate
// (bytes a second). Reports how far the achieved rate is from the one set
// (rate_error_pct) and the most bytes that ever left ahead of the rate
// (ahead_bytes; beyond the message on the wire).
void BM_SendQueueDrain(benchmark::State &state)
{
    const int rate = int(state.range(0));
    constexpr int Count = 1000;
    LoopbackBackend backend;
    backend.outputs = {QStringLiteral("Out")};
    backend.pacing = true;
    std::vector<std::int64_t> times;
    times.reserve(Count);
    QElapsedTimer clock;
    backend.peer = [&](const LoopbackBackend::Bytes &) { times.push_back(clock.nsecsElapsed()); };
    MidiOutPort out(backend);
    out.setRate(rate);
    out.setPort(0);
    out.setEnabled(true);
    double worstError = 0;
    double worstAhead = 0;
    for (auto _ : state) {
        // The cable is free again, so the first message leaves at once and
        // the line the others are held to starts with it.
        QThread::msleep(10);
        times.clear();
        clock.start();
        for (int i = 0; i < Count; ++i)
            out.sendSysEx(Message.data(), int(Message.size()));
        while (out.stats().queuedMessages > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (times.size() != std::size_t(Count)) {
            state.SkipWithError("messages went missing");
            return;
        }
        // Bytes sent by each message's time may not exceed what the rate
        // allows since the first left, plus the message on the wire.
        const double bytesPerNs = double(rate) / NsPerSecond;
        for (int i = 0; i < Count; ++i) {
            const double allowed = double(times[i] - times[0]) * bytesPerNs + double(Message.size());
            worstAhead = std::max(worstAhead, double((i + 1) * int(Message.size())) - allowed);
        }
        const double achieved =
            double((Count - 1) * int(Message.size())) / double(times.back() - times.front()) * NsPerSecond;
        worstError = std::max(worstError, std::abs(achieved - rate) / rate * 100);
        backend.sent.clear();
    }
    state.counters["rate_error_pct"] = worstError;
    state.counters["ahead_bytes"] = worstAhead;
    if (worstError > 1.0)
        state.SkipWithError("the drain missed the rate by more than 1%");
    // Less than a byte is the two clocks' disagreement (the time is taken
    // a moment after the queue's own).
    else if (worstAhead >= 1.0)
        state.SkipWithError("the drain sent faster than the rate");
}
// At a cable's rate a run takes 3.5 s.
BENCHMARK(BM_SendQueueDrain)->Arg(MidiOutPort::DinRate)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace
