// SPDX-License-Identifier: GPL-3.0-or-later
// The file list over a folder of 10,000 presets and 1,000 other files:
// reading it again, against QDir's own sorted listing of the same folder,
// and the longest time the UI thread is busy at a stretch while the list
// moves to the folder, follows another program's change and moves away.
#include "filelist/filelistpanel.h"
#include "session/document.h"
#include "session/guard.h"
#include "session/prompter.h"
#include "silentuser.h"
#include "stallprobe.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <functional>

namespace {

constexpr int Presets = 10000;
constexpr int Others = 1000;
// The file list may take this much longer than the bare listing.
constexpr double MaxRatio = 1.2;

// Made once per run: the folder of presets, with a note beside every tenth,
// and an empty folder to move from and to.
struct Folders {
    QTemporaryDir dir;
    QString presets = dir.filePath(QStringLiteral("presets"));
    QString empty = dir.filePath(QStringLiteral("empty"));
    bool ok = false;

    Folders()
    {
        if (!dir.isValid() || !QDir().mkpath(presets) || !QDir().mkpath(empty))
            return;
        const QByteArray sysEx(16, '\x7F');
        for (int i = 0; i < Presets + Others; ++i) {
            const bool preset = i < Presets;
            QFile f(presets + (preset ? QStringLiteral("/Preset %1.syx") : QStringLiteral("/Preset %1.txt")).arg(i));
            if (!f.open(QIODevice::WriteOnly) || f.write(sysEx) != sysEx.size())
                return;
        }
        ok = true;
    }

    static const Folders &get()
    {
        static const Folders folders;
        return folders;
    }
};

QStringList bareListing(const QString &dir)
{
    return QDir(dir).entryList(QStringList{QStringLiteral("*.syx")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

void BM_DirEntryList10k(benchmark::State &state)
{
    const Folders &folders = Folders::get();
    if (!folders.ok) {
        state.SkipWithError("the folder of presets could not be made");
        return;
    }
    for (auto _ : state) {
        const QStringList names = bareListing(folders.presets);
        if (names.size() != Presets) {
            state.SkipWithError("the bare listing missed files");
            break;
        }
    }
}

// The argument says whether the folder changed before each reading: 0 reads
// the same files again (the view is left alone), 1 renames one file first,
// so the view's model is replaced as well. Each iteration also times the bare
// listing, in turns, so both meet the same state of the machine; the ratio
// of the sums is checked against MaxRatio.
void BM_FileListRefresh10k(benchmark::State &state)
{
    const bool changed = state.range(0) != 0;
    const Folders &folders = Folders::get();
    if (!folders.ok) {
        state.SkipWithError("the folder of presets could not be made");
        return;
    }
    SilentUser user;
    Document document;
    FileListPanel panel(document, user);
    if (!guarded(user, document.applicationTitle(), [&] { panel.setPath(folders.presets); }) ||
        panel.files().size() != Presets) {
        state.SkipWithError("the file list did not show the presets");
        return;
    }

    const QString names[2] = {folders.presets + QStringLiteral("/Preset 5000.syx"),
                              folders.presets + QStringLiteral("/Preset 5000 renamed.syx")};
    int turn = 0;
    double panelNs = 0, bareNs = 0;
    QElapsedTimer clock;
    bool listed = true;
    // The event loop never runs here: the watcher's news of the renames
    // waits, so no background reading competes with the timed ones.
    for (auto _ : state) {
        if (changed) {
            if (!QFile::rename(names[turn & 1], names[(turn + 1) & 1])) {
                state.SkipWithError("a preset could not be renamed");
                break;
            }
        }
        double panelTime = 0, bareTime = 0;
        for (int step = 0; step < 2; ++step) {
            const bool panelFirst = (turn & 1) == 0;
            clock.start();
            if ((step == 0) == panelFirst) {
                panel.refresh();
                panelTime = double(clock.nsecsElapsed());
            } else {
                listed = listed && bareListing(folders.presets).size() == Presets;
                bareTime = double(clock.nsecsElapsed());
            }
        }
        ++turn;
        listed = listed && panel.files().size() == Presets;
        state.SetIterationTime(panelTime / 1e9);
        panelNs += panelTime;
        bareNs += bareTime;
    }
    if (changed && (turn & 1))
        QFile::rename(names[1], names[0]);

    const double ratio = bareNs > 0 ? panelNs / bareNs : 0;
    state.counters["ratio"] = ratio;
    state.counters["bare_ms"] = benchmark::Counter(bareNs / 1e6, benchmark::Counter::kAvgIterations);
    if (!listed)
        state.SkipWithError("a listing missed files");
    else if (ratio > MaxRatio)
        state.SkipWithError("the file list took more than 1.2 times the bare listing");
}

// Counts the paints a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The longest stall from a user's command (action) until the list's files
// changed and it painted since. Negative when the list never changed.
double longestStallMs(FileListPanel &panel, const std::function<void()> &action)
{
    PaintCounter viewport(panel.fileList->viewport());
    int paintsAtChange = -1;
    const QMetaObject::Connection changed =
        QObject::connect(&panel, &FileListPanel::filesChanged, [&] { paintsAtChange = viewport.paints; });

    const StallProbe probe([&] { return paintsAtChange >= 0 && viewport.paints > paintsAtChange; }, 5'000'000'000,
                           action);
    QObject::disconnect(changed);
    return probe.finished ? double(probe.longestNs) / 1e6 : -1;
}

void BM_FileListStall10k(benchmark::State &state)
{
    const Folders &folders = Folders::get();
    if (!folders.ok) {
        state.SkipWithError("the folder of presets could not be made");
        return;
    }
    SilentUser user;
    Document document;
    FileListPanel panel(document, user);
    auto moveTo = [&](const QString &dir) {
        return [&panel, &user, &document, dir] {
            guarded(user, document.applicationTitle(), [&] { panel.setPath(dir); });
        };
    };
    moveTo(folders.empty)();
    panel.resize(220, 500);
    panel.show();
    QCoreApplication::processEvents();
    const QString added = folders.presets + QStringLiteral("/Preset added.syx");

    double longest = 0, moveIn = 0, follow = 0, moveOut = 0;
    for (auto _ : state) {
        const double in = longestStallMs(panel, moveTo(folders.presets));
        // Another program adds a preset, then takes it away.
        QFile(added).open(QIODevice::WriteOnly);
        const double add = longestStallMs(panel, {});
        QFile::remove(added);
        const double remove = longestStallMs(panel, {});
        const double out = longestStallMs(panel, moveTo(folders.empty));
        if (in < 0 || add < 0 || remove < 0 || out < 0) {
            state.SkipWithError("the list did not follow a move or a change");
            break;
        }
        const double worst = std::max({in, add, remove, out});
        state.SetIterationTime(worst / 1e3);
        longest = std::max(longest, worst);
        moveIn = std::max(moveIn, in);
        follow = std::max({follow, add, remove});
        moveOut = std::max(moveOut, out);
    }
    state.counters["worst_ms"] = longest;
    state.counters["move_in_ms"] = moveIn;
    state.counters["follow_ms"] = follow;
    state.counters["move_out_ms"] = moveOut;
}

} // namespace

BENCHMARK(BM_DirEntryList10k)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_FileListRefresh10k)
    ->ArgName("changed")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FileListStall10k)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
