// SPDX-License-Identifier: GPL-3.0-or-later
// Undo without any window: one knob step undone and redone with its
// message sent, and what a history of 10,000 steps costs in memory.
#include "silentuser.h"

#include "app/session.h"
#include "midi/loopbackbackend.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

struct Rig {
    SilentUser user;
    LoopbackBackend *backend = new LoopbackBackend;
    Session session{std::unique_ptr<MidiBackend>(backend), user};
    qint64 now = 0;

    Rig()
    {
        session.link().midiOut().setPort(0);
        session.link().midiOut().setUsing(true);
        // Each step after a pause: no two merge.
        session.editor().history().clock = [this] { return now += EditHistory::MergePauseMs + 1; };
    }
};

void BM_UndoStep(benchmark::State &state)
{
    Rig rig;
    rig.session.editor().editByte(preset::PreGain, 25);
    QUndoStack &stack = rig.session.editor().history().stack();
    for (auto _ : state) {
        stack.undo();
        stack.redo();
        if (rig.backend->sent.size() > 1000)
            rig.backend->sent.clear();
    }
    state.SetItemsProcessed(state.iterations() * 2);
}

void BM_UndoHistoryMemory(benchmark::State &state)
{
    for (auto _ : state) {
        Rig rig;
        // The history alone: nothing kept of the messages.
        rig.session.link().midiOut().setUsing(false);
        const auto before = mallinfo2().uordblks;
        for (int i = 0; i < 10000; ++i)
            rig.session.editor().editByte(preset::PreGain + (i % 5) * 2, std::uint8_t(1 + i % 32));
        const auto used = mallinfo2().uordblks - before;
        state.counters["bytes"] = double(used);
        if (rig.session.editor().history().stack().count() != 10000)
            state.SkipWithError("not one step per edit");
        // The target: a history of 10,000 steps in at most 5 MB.
        if (used > 5u * 1024 * 1024)
            state.SkipWithError("over 5 MB for 10,000 steps");
    }
}

} // namespace

BENCHMARK(BM_UndoStep)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_UndoHistoryMemory)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);
