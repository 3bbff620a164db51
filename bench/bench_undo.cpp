// SPDX-License-Identifier: GPL-3.0-or-later
// Undo without any window: one knob step undone and redone with its
// message sent, and what the history costs in memory after 10,000 edits.
#include "midi/loopbackbackend.h"
#include "session/session.h"
#include "silentuser.h"

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
        session.link().midiOut().setEnabled(true);
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
        rig.session.link().midiOut().setEnabled(false);
        const auto before = mallinfo2().uordblks;
        for (int i = 0; i < 10000; ++i)
            rig.session.editor().editByte(preset::PreGain + (i % 5) * 2, std::uint8_t(1 + i % 32));
        const auto used = mallinfo2().uordblks - before;
        state.counters["bytes"] = double(used);
        state.counters["counted"] = double(rig.session.editor().history().bytes());
        // The history keeps its newest steps, one per edit.
        if (rig.session.editor().history().stack().count() != EditHistory::MaxSteps)
            state.SkipWithError("not the newest MaxSteps steps");
        // The target: the history (and the rest of the session's heap it
        // grows) stays within twice the bytes it counts for itself.
        if (used > 2 * std::size_t(EditHistory::MaxBytes))
            state.SkipWithError("over twice MaxBytes after 10,000 edits");
    }
}

} // namespace

BENCHMARK(BM_UndoStep)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_UndoHistoryMemory)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);
