// SPDX-License-Identifier: GPL-3.0-or-later
// The library over 8,000 single files and 2,000 group files (40,000
// presets) in 100 folders: indexing from nothing against reading and
// decoding the same files without an index, starting again with nothing
// changed, a search of three terms, and one changed file until a search
// finds it.
#include "files/presetfile.h"
#include "library/library.h"
#include "library/libraryindexfile.h"
#include "library/librarysearch.h"
#include "librarywin/libraryhooks.h"
#include "librarywin/libraryprogress.h"
#include "librarywin/librarytablemodel.h"
#include "librarywin/librarywindow.h"
#include "protocol/ampmessages.h"
#include "silentuser.h"
#include "stallprobe.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int Singles = 8000, Groups = 2000, Folders = 100;
constexpr int Presets = Singles + Groups * preset::SlotCount;
// Indexing may take this much longer than reading and decoding alone.
constexpr double MaxColdRatio = 2.5;

preset::Record randomRecord(std::mt19937 &random)
{
    preset::Record r = preset::DefaultRecord;
    auto pick = [&](int lo, int hi) { return std::uint8_t(std::uniform_int_distribution<int>(lo, hi)(random)); };
    r[preset::AmpCab] = pick(0, 255);
    r[preset::ModTone] = std::uint8_t((r[preset::ModTone] & 0xF0) | pick(0, 5));
    for (int b : {preset::PreGain, preset::PreGainAlt, preset::Low, preset::Mid, preset::High, preset::PostGain})
        r[std::size_t(b)] = pick(1, 33);
    r[preset::ReverbLevel] = pick(0, 33);
    r[preset::DLLevel] = pick(0, 25);
    r[preset::ModDepth] = pick(0, 25);
    r[preset::DLTime] = pick(1, 255);
    r[preset::AltTap] = pick(0, 255);
    return r;
}

bool writeRaw(const QString &path, const amp::Bytes &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

// Made once per run.
struct Fixture {
    QTemporaryDir dir;
    QString data = dir.filePath(QStringLiteral("presets"));
    QString warmIndex = dir.filePath(QStringLiteral("warm.sqlite"));
    bool ok = false;

    Fixture()
    {
        std::mt19937 random(19);
        for (int i = 0; i < Singles + Groups && dir.isValid(); ++i) {
            const QString folder = data + QStringLiteral("/Folder %1").arg(i % Folders);
            if (i < Folders && !QDir().mkpath(folder))
                return;
            if (i < Singles) {
                if (!writeRaw(folder + QStringLiteral("/Preset %1.syx").arg(i), amp::singlePreset(randomRecord(random))))
                    return;
            } else {
                std::array<std::uint8_t, preset::GroupSize> group{};
                for (int s = 0; s < preset::SlotCount; ++s) {
                    const preset::Record r = randomRecord(random);
                    std::copy(r.begin(), r.end(), group.begin() + s * preset::RecordSize);
                }
                if (!writeRaw(folder + QStringLiteral("/Group %1.syx").arg(i), amp::groupDump(group)))
                    return;
            }
        }
        // The index the warm start, the search and the update use.
        Library library(warmIndex);
        library.setDataFolder(data);
        library.start();
        ok = library.waitUntilIdle(120000) && library.search(QString()).rows.size() == std::size_t(Presets);
    }

    static const Fixture &get()
    {
        static const Fixture fixture;
        return fixture;
    }
};

// What indexing has to do at the least: every file found, read and decoded.
int readAndDecode(const QString &root)
{
    int presets = 0;
    QDirIterator it(root, {QStringLiteral("*.syx")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const files::PresetFile f = files::readPresetFile(it.next(), false);
        presets += f.kind == files::Kind::Group ? preset::SlotCount : 1;
    }
    return presets;
}

void removeIndex(const QString &path)
{
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

void BM_LibraryIndexCold(benchmark::State &state)
{
    const Fixture &fixture = Fixture::get();
    if (!fixture.ok) {
        state.SkipWithError("the fixture could not be made");
        return;
    }
    const QString path = fixture.dir.filePath(QStringLiteral("cold.sqlite"));
    double indexNs = 0, readNs = 0;
    bool complete = true;
    int turn = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        double indexTime = 0, readTime = 0;
        // In turns, so both meet the same state of the disk cache.
        for (int step = 0; step < 2; ++step) {
            if ((step == 0) == (turn % 2 == 0)) {
                removeIndex(path);
                Library library(path);
                library.setDataFolder(fixture.data);
                clock.start();
                library.start();
                complete = library.waitUntilIdle(60000) && complete;
                indexTime = double(clock.nsecsElapsed());
                complete = complete && library.search(QString()).rows.size() == std::size_t(Presets);
            } else {
                clock.start();
                complete = readAndDecode(fixture.data) == Presets && complete;
                readTime = double(clock.nsecsElapsed());
            }
        }
        ++turn;
        state.SetIterationTime(indexTime / 1e9);
        indexNs += indexTime;
        readNs += readTime;
    }
    removeIndex(path);
    // Checked on the median by quorvex-bench (an error here in some
    // repetitions and not others would leave no median to report).
    state.counters["ratio"] = readNs > 0 ? indexNs / readNs : 0;
    state.counters["max_ratio"] = MaxColdRatio;
    state.counters["read_ms"] = benchmark::Counter(readNs / 1e6, benchmark::Counter::kAvgIterations);
    if (!complete)
        state.SkipWithError("the index missed presets");
}

void BM_LibraryWarmStart(benchmark::State &state)
{
    const Fixture &fixture = Fixture::get();
    if (!fixture.ok) {
        state.SkipWithError("the fixture could not be made");
        return;
    }
    for (auto _ : state) {
        Library library(fixture.warmIndex);
        library.setDataFolder(fixture.data);
        library.start();
        if (!library.waitUntilIdle(60000) || !library.isOpen()) {
            state.SkipWithError("the library did not open");
            break;
        }
    }
}

void BM_LibrarySearch(benchmark::State &state)
{
    const Fixture &fixture = Fixture::get();
    if (!fixture.ok) {
        state.SkipWithError("the fixture could not be made");
        return;
    }
    const QString name = QStringLiteral("bench-search");
    if (!LibraryIndexFile::attach(fixture.warmIndex, name)) {
        state.SkipWithError("the index could not be opened");
        return;
    }
    std::size_t found = 0;
    for (auto _ : state)
        found = LibrarySearch::run(QSqlDatabase::database(name, false), QStringLiteral("model:clean gain>20 delay:on"))
                    .rows.size();
    state.counters["found"] = double(found);
    LibraryIndexFile::close(name);
    if (found == 0)
        state.SkipWithError("the search found nothing");
}

void BM_LibraryUpdateOne(benchmark::State &state)
{
    const Fixture &fixture = Fixture::get();
    if (!fixture.ok) {
        state.SkipWithError("the fixture could not be made");
        return;
    }
    Library library(fixture.warmIndex);
    library.setDataFolder(fixture.data);
    library.start();
    if (!library.waitUntilIdle(60000)) {
        state.SkipWithError("the library did not open");
        return;
    }
    const QString path = fixture.data + QStringLiteral("/Folder 7/Preset 7.syx");
    int gain = 1;
    QElapsedTimer clock;
    for (auto _ : state) {
        gain = gain % 33 + 1;
        preset::Record r = preset::DefaultRecord;
        r[preset::AmpCab] = 15; // Acoustic: no random preset has a gain set on that
        r[preset::PreGain] = std::uint8_t(gain);
        const QString query = QStringLiteral("model:15 cab:0 gain=%1 \"preset 7.syx\"").arg(gain);
        // As the editor saves: a new file renamed over the old one.
        files::writeSingleFile(path, r);
        clock.start();
        // Each change the worker reports is a chance the file is in.
        while (library.search(query).rows.size() != 1 && clock.elapsed() < 5000) {
            QEventLoop loop;
            QObject::connect(&library, &Library::changed, &loop, &QEventLoop::quit);
            QTimer::singleShot(100, &loop, &QEventLoop::quit);
            loop.exec();
        }
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (clock.elapsed() >= 5000) {
            state.SkipWithError("the changed file never became searchable");
            break;
        }
    }
}

// The longest the UI thread is busy at a stretch while 40,000 presets are
// indexed from nothing, with the library window open on everything (so
// every batch the worker reports is searched and shown again) and the
// status bar's progress following: a 1 ms timer notes each stretch the
// event loop spends away from it.
void BM_LibraryIndexStall(benchmark::State &state)
{
    const Fixture &fixture = Fixture::get();
    if (!fixture.ok) {
        state.SkipWithError("the fixture could not be made");
        return;
    }
    const QString path = fixture.dir.filePath(QStringLiteral("stall.sqlite"));
    SilentUser user;
    for (auto _ : state) {
        removeIndex(path);
        Library library(path);
        library.setDataFolder(fixture.data);
        LibraryWindow window(library, user, LibraryHooks{});
        LibraryProgress progress(library);
        window.show();
        progress.show();
        bool started = false;
        const StallProbe probe(
            [&] {
                started = started || library.isBusy();
                // Done when the window shows every preset.
                return started && !library.isBusy() && window.model().rowCount() == Presets;
            },
            60'000'000'000, [&] { library.start(); });
        state.SetIterationTime(double(probe.longestNs) / 1e9);
        state.counters["indexed_ms"] = double(probe.elapsedMs);
        if (library.search(QString()).rows.size() != std::size_t(Presets)) {
            state.SkipWithError("the index missed presets");
            break;
        }
    }
    removeIndex(path);
}

} // namespace

BENCHMARK(BM_LibraryIndexStall)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_LibraryIndexCold)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_LibraryWarmStart)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_LibrarySearch)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_LibraryUpdateOne)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10)->Repetitions(5)->ReportAggregatesOnly(true);
