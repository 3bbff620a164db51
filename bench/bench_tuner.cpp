// SPDX-License-Identifier: GPL-3.0-or-later
// The tuner window in tuner mode: one tuner data message from the Amp until
// the shown window has painted what it says.
#include "controls/led.h"
#include "controls/numberknob.h"
#include "midi/loopbackbackend.h"
#include "protocol/ampmessages.h"
#include "session/prompter.h"
#include "session/session.h"
#include "silentuser.h"
#include "tuner/tunerwindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>

#include <benchmark/benchmark.h>
#include <map>

namespace {

// Counts the paint events of every widget it watches.
class Paints : public QObject {
public:
    std::map<QObject *, std::int64_t> count;
    void watch(QObject *o) { o->installEventFilter(this); }
    std::int64_t of(QObject *o) const
    {
        const auto it = count.find(o);
        return it == count.end() ? 0 : it->second;
    }
    std::int64_t total() const
    {
        std::int64_t n = 0;
        for (const auto &[o, c] : count)
            n += c;
        return n;
    }

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++count[o];
        return false;
    }
};

// A steady stream on one note (E, its colour flag changing too), the
// position moving one LED at a time across the row and back: every message
// lights a new LED, and nothing else on the window has cause to change.
void BM_TunerData(benchmark::State &state)
{
    SilentUser user;
    auto *loop = new LoopbackBackend;
    Session session(std::unique_ptr<MidiBackend>(loop), user);
    TunerWindow form(session.globals(), session.queue());
    session.link().midiOut().setPort(0);
    session.link().midiOut().setEnabled(true);
    form.showOver(nullptr);
    QElapsedTimer waited;
    waited.start();
    while (!form.NxNumberKnobTunerLevel->PaintedOnce() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!form.isVisible() || !form.NxNumberKnobTunerLevel->PaintedOnce()) {
        state.SkipWithError("the tuner window was never shown and painted");
        return;
    }

    // One message per LED position, 0..20 and back.
    std::vector<amp::Bytes> stream;
    std::vector<int> leds;
    for (int i = 0; i < 40; ++i) {
        const int led = i <= 20 ? i : 40 - i;
        stream.push_back(amp::tunerData(i % 2 ? 0x87 : 0x07, std::uint8_t(led * 5)));
        leds.push_back(led);
    }
    auto absorb = [&](std::size_t i) { session.transfers().receive(stream[i].data(), int(stream[i].size())); };
    absorb(0);
    QCoreApplication::processEvents();
    if (form.NoteText->text() != QLatin1String("E") || !form.LEDImage[0]->LEDOn()) {
        state.SkipWithError("tuner data did not reach the window");
        return;
    }

    loop->sent.clear();
    Paints paints;
    for (QWidget *w : form.findChildren<QWidget *>())
        paints.watch(w);
    paints.watch(&form);
    std::size_t i = 0;
    bool right = true;
    for (auto _ : state) {
        i = (i + 1) % stream.size();
        absorb(i);
        QCoreApplication::processEvents(); // the LEDs paint
        right = right && form.LEDImage[leds[i]]->LEDOn();
    }

    const std::int64_t ledPaints = [&] {
        std::int64_t n = 0;
        for (Led *led : form.LEDImage)
            n += paints.of(led);
        return n;
    }();
    state.SetItemsProcessed(state.iterations());
    state.counters["led_paints"] = benchmark::Counter(double(ledPaints), benchmark::Counter::kAvgIterations);
    state.counters["other_paints"] =
        benchmark::Counter(double(paints.total() - ledPaints), benchmark::Counter::kAvgIterations);
    if (!right)
        state.SkipWithError("an LED did not follow the stream");
    else if (paints.of(form.NoteText) != 0)
        state.SkipWithError("a steady note redrew the note text");
    else if (paints.total() != ledPaints)
        state.SkipWithError("the stream repainted something besides the LEDs");
    else if (ledPaints > 2 * std::int64_t(state.iterations()))
        state.SkipWithError("more LEDs repainted than changed");
    if (!loop->sent.empty())
        state.SkipWithError("tuner data sent messages to the Amp");
}

} // namespace

BENCHMARK(BM_TunerData)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
