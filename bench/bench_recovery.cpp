// SPDX-License-Identifier: GPL-3.0-or-later
// What keeping a recovery copy costs the UI thread for one knob step: the
// step itself with the copy armed, and the worst case of every step taking
// the state and handing it to the writer (as if each came a second after
// the last). The writing itself is the worker's.
#include "midi/loopbackbackend.h"
#include "session/session.h"
#include "silentuser.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct Rig {
    QTemporaryDir dir; // outlives the copy in it
    SilentUser user;
    LoopbackBackend *backend = new LoopbackBackend;
    Session session{std::unique_ptr<MidiBackend>(backend), user};
    qint64 now = 0;

    Rig()
    {
        session.link().midiOut().setPort(0);
        session.link().midiOut().setEnabled(true);
        session.editor().history().clock = [this] { return now += EditHistory::MergePauseMs + 1; };
        session.recovery().start(dir.filePath(QStringLiteral("recovery")));
    }
};

void step(Rig &rig, int i)
{
    rig.session.editor().editByte(preset::PreGain + (i % 5) * 2, std::uint8_t(1 + i % 32));
    if (rig.backend->sent.size() > 1000)
        rig.backend->sent.clear();
}

void BM_RecoveryEditStep(benchmark::State &state)
{
    Rig rig;
    int i = 0;
    for (auto _ : state)
        step(rig, ++i);
    if (!rig.session.recovery().timer().isActive())
        state.SkipWithError("the copy was not armed");
}

void BM_RecoveryEditStepWritten(benchmark::State &state)
{
    Rig rig;
    int i = 0;
    for (auto _ : state) {
        step(rig, ++i);
        rig.session.recovery().writeNow();
    }
    rig.session.recovery().waitForWriter();
    if (!QFile::exists(rig.session.recovery().path()))
        state.SkipWithError("no copy written");
}

} // namespace

BENCHMARK(BM_RecoveryEditStep)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_RecoveryEditStepWritten)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
