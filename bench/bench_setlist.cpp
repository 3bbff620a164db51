// SPDX-License-Identifier: GPL-3.0-or-later
// A setlist played live: a key in the play view until the preset's message
// is handed to the MIDI backend.
#include "files/presetfile.h"
#include "library/library.h"
#include "library/setlistwindow.h"
#include "midi/loopbackbackend.h"
#include "session/session.h"
#include "silentuser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void BM_SetlistStep(benchmark::State &state)
{
    SilentUser user;
    auto *backend = new LoopbackBackend;
    Session session(std::unique_ptr<MidiBackend>(backend), user);
    session.link().midiOut().setPort(0);
    session.link().midiOut().setEnabled(true);

    QTemporaryDir dir;
    Setlist list;
    for (int i = 0; i < 2; ++i) {
        preset::Record r = preset::DefaultRecord;
        r[preset::PreGain] = std::uint8_t(10 + i);
        const QString file = dir.filePath(QStringLiteral("Song %1.syx").arg(i));
        files::writeSingleFile(file, r);
        list.entries.push_back(SetlistResolver::entryFor(file, -1, r, dir.filePath(QStringLiteral("gig.qvset"))));
    }
    setlistfile::write(dir.filePath(QStringLiteral("gig.qvset")), list);
    Library library(dir.filePath(QStringLiteral("index.sqlite")));
    LibraryHooks hooks;
    hooks.play = SetlistWindow::playThrough(session.queue(), session.document(), session.files());
    SetlistWindow window(library, user, hooks, {});
    if (!window.openFile(dir.filePath(QStringLiteral("gig.qvset")))) {
        state.SkipWithError("the setlist could not be opened");
        return;
    }
    window.play();
    QCoreApplication::processEvents();
    bool forward = true;
    for (auto _ : state) {
        const std::size_t before = backend->sent.size();
        QKeyEvent key(QEvent::KeyPress, forward ? Qt::Key_Space : Qt::Key_PageUp, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &key);
        QElapsedTimer waited;
        waited.start();
        while (backend->sent.size() == before && waited.elapsed() < 1000)
            QCoreApplication::processEvents();
        if (backend->sent.size() == before) {
            state.SkipWithError("a step sent nothing");
            break;
        }
        state.PauseTiming();
        // The cable has carried the preset by the next key.
        window.player().cableFree();
        backend->sent.clear();
        forward = !forward;
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_SetlistStep)->Unit(benchmark::kMicrosecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
