// SPDX-License-Identifier: GPL-3.0-or-later
// Message building and receiving without any window: one knob edit's
// parameter-set message, one Amp echo dispatched and applied, one group dump
// decoded. Each must stay far inside one frame (16 ms).
#include "midi/loopbackbackend.h"
#include "model/presetparams.h"
#include "protocol/ampmessages.h"
#include "sentdrain.h"
#include "session/prompter.h"
#include "session/session.h"
#include "silentuser.h"

#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

// A session over the loopback service with its output open.
struct Rig {
    SilentUser user;
    LoopbackBackend *backend;
    Session session;

    Rig() : Rig(std::make_unique<LoopbackBackend>()) {}
    explicit Rig(std::unique_ptr<LoopbackBackend> b) : backend(b.get()), session(std::move(b), user)
    {
        session.link().midiOut().setPort(0);
        session.link().midiOut().setEnabled(true);
    }
};

void BM_SendParameter(benchmark::State &state)
{
    Rig rig;
    SentDrain drain(state, *rig.backend);

    int i = 0;
    for (auto _ : state) {
        rig.session.editor().editByte(preset::PreGain, std::uint8_t(i++ % 33 + 1));
        drain.iterationDone();
    }
    if (drain.total() != state.iterations())
        state.SkipWithError("not one message per edit");
}

void BM_DispatchEcho(benchmark::State &state)
{
    Rig rig;
    // Two values in turn: an echo of what the editor already shows changes
    // nothing, so it would not measure applying one.
    const amp::Bytes echoes[2] = {amp::parameterSet(preset::PreGain, 16), amp::parameterSet(preset::PreGain, 18)};

    std::size_t i = 0;
    for (auto _ : state) {
        const amp::Bytes &echo = echoes[i++ % 2];
        rig.session.transfers().receive(echo.data(), int(echo.size()));
    }

    if (rig.session.editor().record()[preset::PreGain] != (i % 2 ? 16 : 18) || !rig.session.document().isModified())
        state.SkipWithError("the echo was not applied");
}

void BM_DecodeGroupDump(benchmark::State &state)
{
    Rig rig;
    DeviceImage &image = rig.session.editor().image();
    // A group unlike the defaults, so a dump that decodes to nothing shows.
    for (std::size_t i = 0; i < image.group.size(); ++i)
        image.group[i] = std::uint8_t((i * 7 + 3) & 0x7F);
    // Values the Amp takes: what comes in is made valid as it arrives.
    for (int slot = 0; slot < preset::SlotCount; ++slot)
        presetparams::makeValid(image.record(slot));
    const auto expected = image.group;
    const auto dump = amp::groupDump(image.group);
    image.fillDefaults();

    for (auto _ : state) {
        rig.session.transfers().setState(TransferState::Group); // the group request is open
        rig.session.transfers().receive(dump.data(), int(dump.size()));
    }

    if (!std::equal(expected.begin(), expected.end(), image.group.begin()))
        state.SkipWithError("the dump was not decoded into the group");
}

} // namespace

BENCHMARK(BM_SendParameter)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_DispatchEcho)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodeGroupDump)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
