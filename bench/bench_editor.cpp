// SPDX-License-Identifier: GPL-3.0-or-later
// The editor panel under live traffic, shown and painted as on screen: a
// knob turn until its message is handed to the MIDI backend, and a parameter
// change from the Amp until the panel shows it.
#include "ampsim/virtualamp.h"
#include "controls/numberknob.h"
#include "editor/editorpanel.h"
#include "midi/loopbackbackend.h"
#include "protocol/ampmessages.h"
#include "sentdrain.h"
#include "session/prompter.h"
#include "session/session.h"
#include "silentuser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdint>

namespace {

// The session and its panel as the main window holds them, with the MIDI
// output over the in-process loopback.
struct Rig {
    SilentUser user;
    LoopbackBackend *backend;
    Session session;
    EditorPanel panel{session.editor(), session.globals(), session.queue()};

    Rig() : Rig(std::make_unique<LoopbackBackend>()) {}
    explicit Rig(std::unique_ptr<LoopbackBackend> b) : backend(b.get()), session(std::move(b), user)
    {
        session.link().midiOut().setPort(0);
        session.link().midiOut().setEnabled(true);
    }

    // Knobs report nothing before their first paint, so the panel is shown
    // and its events run until the knob under test has painted.
    bool showPainted(Knob *knob)
    {
        panel.loadPanel();
        panel.show();
        QElapsedTimer waited;
        waited.start();
        while (!knob->PaintedOnce() && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QCoreApplication::processEvents();
        return knob->PaintedOnce();
    }
};

// Counts the paint events one widget receives while counting is on.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    bool counting = true;
    std::int64_t paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (counting && event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

bool isParameterSet(const amp::Bytes &m, int index, std::uint8_t value)
{
    return int(m.size()) == amp::messageLength(amp::ParameterSet) && amp::hasAmpHeader(m.data(), m.size()) &&
           m[amp::CommandPos] == amp::ParameterSet && m[7] == index && amp::fromNibbles(m[8], m[9]) == value;
}

// Per SetTick: the knob fires OnChanging and then OnChanged; the panel's
// handler writes the record byte and sends a parameter-set message on the
// first, and finds nothing new on the second, so one SetTick hands the
// backend one message (reported as msgs_per_edit).
void BM_EditLatency(benchmark::State &state)
{
    Rig rig;
    NumberKnob *knob = rig.panel.NxNumberKnobPre;
    if (!rig.showPainted(knob)) {
        state.SkipWithError("the preamp gain knob was never painted");
        return;
    }
    // Two neighbouring ticks inside the range, so every call moves the knob.
    const int ticks[2] = {knob->NumTicks() / 3, knob->NumTicks() / 3 + 1};

    // One turn with the clock stopped: it must reach the backend as
    // parameter-set messages carrying what the record now holds.
    knob->SetTick(ticks[1]);
    rig.backend->sent.clear();
    knob->SetTick(ticks[0]);
    const std::uint8_t written = rig.session.editor().record()[preset::PreGain];
    bool sentRight = !rig.backend->sent.empty();
    for (const auto &m : rig.backend->sent)
        sentRight = sentRight && isParameterSet(m, preset::PreGain, written);
    if (!sentRight) {
        state.SkipWithError("a preamp gain turn did not send its parameter-set message");
        return;
    }

    SentDrain drain(state, *rig.backend);
    int i = 1;
    for (auto _ : state) {
        knob->SetTick(ticks[i++ & 1]);
        // The knob faces the turns asked to repaint, painted off the clock.
        drain.iterationDone([] { QCoreApplication::processEvents(); });
    }

    const std::int64_t messages = drain.total();
    state.counters["msgs_per_edit"] = benchmark::Counter(double(messages), benchmark::Counter::kAvgIterations);
    if (messages < state.iterations())
        state.SkipWithError("an edit sent no message");
}

// The argument is how many messages arrive between two runs of the event
// loop; 0 runs it only with the clock stopped, so the repaints the reload
// asks for are not timed. At the MIDI wire rate (about 3.5 ms for an 11-byte
// message) the loop goes idle between two messages and paints after each,
// so 1 is what a stream from the Amp costs.
void BM_AbsorbParameterMessage(benchmark::State &state)
{
    const int paintEvery = int(state.range(0));
    Rig rig;
    NumberKnob *knob = rig.panel.NxNumberKnobPre;
    if (!rig.showPainted(knob)) {
        state.SkipWithError("the preamp gain knob was never painted");
        return;
    }

    // Two values inside the knob's range, alternated so every message
    // really changes the panel.
    const auto middle = std::uint8_t(std::lround((knob->MinValue() + knob->MaxValue()) / 2));
    const std::uint8_t values[2] = {middle, std::uint8_t(middle + 1)};
    const amp::Bytes messages[2] = {amp::parameterSet(preset::PreGain, values[0]),
                                    amp::parameterSet(preset::PreGain, values[1])};
    const auto absorb = [&](int which) {
        rig.session.transfers().receive(messages[which].data(), int(messages[which].size()));
    };

    // With the clock stopped: each message must land in the record and on the knob.
    bool shown = true;
    for (int which : {0, 1}) {
        absorb(which);
        shown = shown && rig.session.editor().record()[preset::PreGain] == values[which] &&
                std::lround(knob->GetValue()) == values[which];
    }
    if (!shown) {
        state.SkipWithError("a parameter-set message did not reach the preamp gain knob");
        return;
    }
    QCoreApplication::processEvents();
    rig.backend->sent.clear();

    PaintCounter paints(knob);
    paints.counting = paintEvery > 0;
    // One knob turning repaints that knob and its value box, never what
    // lies around them.
    PaintCounter around(knob->parentWidget());
    PaintCounter panel(&rig.panel);
    int i = 0;
    for (auto _ : state) {
        absorb(i++ & 1);
        if (paintEvery > 0) {
            if (i % paintEvery == 0)
                QCoreApplication::processEvents();
        } else if (i % 1024 == 0) {
            // Keeps the pending repaints bounded without timing them.
            state.PauseTiming();
            QCoreApplication::processEvents();
            state.ResumeTiming();
        }
    }

    state.SetItemsProcessed(state.iterations());
    if (paints.paints > 0 && (around.paints > 0 || panel.paints > 0))
        state.SkipWithError("a knob turn repainted the panel around the knob");
    if (paintEvery > 0)
        state.counters["knob_paints"] = benchmark::Counter(double(paints.paints), benchmark::Counter::kAvgIterations);
    // The reload runs under the loading guard: echoing the Amp's own change
    // back to it would be a fault, not just slow.
    if (!rig.backend->sent.empty())
        state.SkipWithError("reloading the panel sent messages to the Amp");
}

// A 1000-byte group file opened from the file list: read, checked,
// decoded, shown on the panel and sent to the Amp as the current preset.
void BM_OpenGroupFile(benchmark::State &state)
{
    Rig rig;
    if (!rig.showPainted(rig.panel.NxNumberKnobPre)) {
        state.SkipWithError("the panel was never painted");
        return;
    }
    QTemporaryDir dir;
    std::array<std::uint8_t, preset::GroupSize> group;
    for (int i = 0; i < preset::GroupSize; ++i)
        group[i] = preset::DefaultRecord[i % preset::RecordSize];
    group[preset::PreGain] = 30; // slot A1 differs from the defaults
    const QString path = dir.filePath(QStringLiteral("band.syx"));
    {
        QFile f(path);
        const amp::Bytes dump = amp::groupDump(group);
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(reinterpret_cast<const char *>(dump.data()), qsizetype(dump.size())) != qsizetype(dump.size())) {
            state.SkipWithError("could not write the group file");
            return;
        }
    }
    SentDrain drain(state, *rig.backend);
    for (auto _ : state) {
        rig.session.files().openFromList(path);
        drain.iterationDone([] { QCoreApplication::processEvents(); });
    }
    if (rig.session.editor().image().group != group || std::lround(rig.panel.NxNumberKnobPre->GetValue()) != 30)
        state.SkipWithError("the group file did not reach the panel");
}

// "Group from Amp" through the in-process loopback: the request, the Amp's
// 1000-byte dump decoded into the image, the panel loaded with slot A1 and
// the editor data sent back.
void BM_GroupFetchLoopback(benchmark::State &state)
{
    Rig rig;
    if (!rig.showPainted(rig.panel.NxNumberKnobPre)) {
        state.SkipWithError("the panel was never painted");
        return;
    }
    VirtualAmp amp;
    for (int i = 0; i < preset::GroupSize; ++i)
        amp.presets[i] = preset::DefaultRecord[i % preset::RecordSize];
    amp.presets[preset::PreGain] = 29;
    rig.backend->peer = [&](const amp::Bytes &m) {
        for (auto &reply : amp.receive(m))
            rig.backend->inject(reply);
    };
    rig.session.link().midiIn().setPort(0);
    rig.session.link().midiIn().setEnabled(true);
    SentDrain drain(state, *rig.backend);
    std::int64_t editorDataSent = 0;
    for (auto _ : state) {
        // The fetched group marks the document modified; unmarked, the next
        // fetch has nothing to ask.
        rig.session.editor().startHistory(false);
        const std::size_t before = rig.backend->sent.size();
        rig.session.run([&] { rig.session.fetches().groupFromAmp(); });
        rig.backend->flush();
        editorDataSent += rig.backend->sent.size() > before + 1 &&
                          rig.backend->sent.back().size() == amp::singlePreset(preset::DefaultRecord).size();
        drain.iterationDone([] { QCoreApplication::processEvents(); });
    }
    if (!std::equal(amp.presets.begin(), amp.presets.end(), rig.session.editor().image().group.begin()) ||
        std::lround(rig.panel.NxNumberKnobPre->GetValue()) != 29 || editorDataSent != state.iterations())
        state.SkipWithError("the group did not reach the panel and back");
}

} // namespace

BENCHMARK(BM_GroupFetchLoopback)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_OpenGroupFile)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_EditLatency)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_AbsorbParameterMessage)
    ->ArgName("paint_every")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
