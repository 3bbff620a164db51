// Message building and receiving without any window: one knob edit's
// parameter-set message, one Amp echo dispatched and applied, one group dump
// decoded. Each must stay far inside one frame (16 ms).
#include "sentdrain.h"

#include "midi/loopbackbackend.h"
#include "midi/tmidiout.h"
#include "model/deviceimage.h"
#include "model/editorstate.h"
#include "protocol/ampmessages.h"
#include "protocol/ampsender.h"
#include "protocol/amptransfers.h"
#include "protocol/sysexdispatcher.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

void BM_SendParameter(benchmark::State &state)
{
    DeviceImage image;
    image.fillDefaults();
    EditorState editor;
    LoopbackBackend backend;
    TMidiOut out(backend);
    out.setUsing(true);
    AmpSender sender(out, image, editor);
    SentDrain drain(state, backend);

    int i = 0;
    for (auto _ : state) {
        image.record(0)[preset::PreGain] = std::uint8_t(i++ % 33 + 1);
        sender.sendParameter(preset::PreGain);
        drain.iterationDone();
    }
    if (drain.total() != state.iterations())
        state.SkipWithError("not one message per edit");
}

void BM_DispatchEcho(benchmark::State &state)
{
    DeviceImage image;
    image.fillDefaults();
    EditorState editor;
    AmpTransfers transfers(image, editor);
    SysExDispatcher dispatcher(image, editor, transfers);
    const auto echo = amp::parameterSet(preset::PreGain, 17);

    for (auto _ : state)
        dispatcher.MidiIn1SysEx(echo.data(), int(echo.size()));

    if (image.record(0)[preset::PreGain] != 17 || !editor.modified)
        state.SkipWithError("the echo was not applied");
}

void BM_DecodeGroupDump(benchmark::State &state)
{
    DeviceImage image;
    image.fillDefaults();
    // A group unlike the defaults, so a dump that decodes to nothing shows.
    for (std::size_t i = 0; i < image.group.size(); ++i)
        image.group[i] = std::uint8_t((i * 7 + 3) & 0x7F);
    const auto expected = image.group;
    const auto dump = amp::groupDump(image.group);
    image.fillDefaults();

    EditorState editor;
    AmpTransfers transfers(image, editor);
    SysExDispatcher dispatcher(image, editor, transfers);

    for (auto _ : state) {
        transfers.TransferState = 2; // the group request is open
        dispatcher.MidiIn1SysEx(dump.data(), int(dump.size()));
    }

    if (!std::equal(expected.begin(), expected.end(), image.group.begin()))
        state.SkipWithError("the dump was not decoded into the group");
}

} // namespace

BENCHMARK(BM_SendParameter)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_DispatchEcho)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodeGroupDump)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
