// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "midi/loopbackbackend.h"

#include <benchmark/benchmark.h>
#include <cstdint>

// The loopback keeps every message it is handed. Emptied now and then with
// the clock stopped, so a long run neither grows without bound nor times the
// freeing; counts what went through, so a run that sent nothing is caught.
class SentDrain {
public:
    static constexpr int Every = 1024;

    SentDrain(benchmark::State &state, LoopbackBackend &backend) : state_(state), backend_(backend)
    {
        backend_.sent.clear();
        backend_.sent.reserve(4 * Every);
    }

    // Call once per timed iteration. The extra step runs with the clock
    // stopped as well (event processing to keep queues bounded, say).
    template <class Extra>
    void iterationDone(Extra &&extra)
    {
        if (++iterations_ % Every != 0)
            return;
        state_.PauseTiming();
        drain();
        extra();
        state_.ResumeTiming();
    }
    void iterationDone()
    {
        iterationDone([] {});
    }

    // Messages handed to the backend since construction.
    std::int64_t total()
    {
        drain();
        return total_;
    }

private:
    void drain()
    {
        total_ += std::int64_t(backend_.sent.size());
        backend_.sent.clear();
    }

    benchmark::State &state_;
    LoopbackBackend &backend_;
    std::int64_t iterations_ = 0;
    std::int64_t total_ = 0;
};
