// SPDX-License-Identifier: GPL-3.0-or-later
// The library over 40,000 presets (8,000 single files and 2,000 group
// files in 100 folders) and over ten times as many: indexing from nothing
// against reading the same files without an index, starting again with
// nothing changed, a search of three terms and one that finds everything
// (until the first rows can be shown, and until every row's key is known),
// and one changed file until a search finds it.
#include "files/presetfile.h"
#include "library/library.h"
#include "library/librarycolumns.h"
#include "library/libraryhooks.h"
#include "library/libraryindexfile.h"
#include "library/libraryprogress.h"
#include "library/libraryreader.h"
#include "library/librarysearch.h"
#include "library/librarytablemodel.h"
#include "library/librarywindow.h"
#include "library/setlist.h"
#include "protocol/ampmessages.h"
#include "silentuser.h"
#include "stallprobe.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <random>

namespace {

// Indexing may take this much longer than reading the files alone.
constexpr double MaxColdRatio = 2.5;
// The two libraries: what a long-time user has, and ten times that.
constexpr int Small = 40000, Large = 400000;

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

// Made once per run for each size: a fifth of the presets in single
// files, the rest in groups, a hundred files a folder.
struct Fixture {
    QTemporaryDir dir;
    QString data = dir.filePath(QStringLiteral("presets"));
    QString warmIndex = dir.filePath(QStringLiteral("warm.sqlite"));
    int presets;
    bool ok = false;

    explicit Fixture(int presetCount) : presets(presetCount)
    {
        const int singles = presets / 5, groups = (presets - singles) / preset::SlotCount;
        std::mt19937 random(19);
        for (int i = 0; i < singles + groups && dir.isValid(); ++i) {
            const QString folder = data + QStringLiteral("/Folder %1").arg(i % ((singles + groups) / 100));
            if (i < (singles + groups) / 100 && !QDir().mkpath(folder))
                return;
            if (i < singles) {
                if (!writeRaw(folder + QStringLiteral("/Preset %1.syx").arg(i),
                              amp::singlePreset(randomRecord(random))))
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
        // The index the warm start, the searches and the update use.
        Library library(warmIndex);
        library.setDataFolder(data);
        library.start();
        ok = library.waitUntilIdle(600000) && library.search(QString()).rows.size() == std::size_t(presets);
    }

    static const Fixture &get(int presets)
    {
        if (presets == Small) {
            static const Fixture small(Small);
            return small;
        }
        static const Fixture large(Large);
        return large;
    }
};

// What indexing has to do at the least: every file found and read, as
// `find | xargs cat` would (nothing decoded, nothing written). The bytes
// read are returned so nothing can be left out.
qint64 readAll(const QString &root)
{
    qint64 bytes = 0;
    QDirIterator it(root, {QStringLiteral("*.syx")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly))
            bytes += f.readAll().size();
    }
    return bytes;
}

void removeIndex(const QString &path)
{
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

qint64 indexBytes(const QString &path)
{
    qint64 bytes = 0;
    for (const char *suffix : {"", "-wal"})
        bytes += QFileInfo(path + QLatin1String(suffix)).size();
    return bytes;
}

// The fixture of the benchmark's size, or nullptr (the benchmark skipped).
const Fixture *fixtureFor(benchmark::State &state)
{
    const Fixture &fixture = Fixture::get(int(state.range(0)));
    if (!fixture.ok) {
        state.SkipWithError("the fixture could not be made");
        return nullptr;
    }
    return &fixture;
}

// The same files read without an index: what indexing is measured against.
void BM_LibraryReadFiles(benchmark::State &state)
{
    const Fixture *fixture = fixtureFor(state);
    if (!fixture)
        return;
    qint64 bytes = 0;
    for (auto _ : state)
        bytes = readAll(fixture->data);
    state.counters["MB"] = double(bytes) / 1e6;
}

void BM_LibraryIndexCold(benchmark::State &state)
{
    const Fixture *fixture = fixtureFor(state);
    if (!fixture)
        return;
    const QString path = fixture->dir.filePath(QStringLiteral("cold.sqlite"));
    const qint64 expectedBytes = readAll(fixture->data);
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
                library.setDataFolder(fixture->data);
                clock.start();
                library.start();
                complete = library.waitUntilIdle(600000) && complete;
                indexTime = double(clock.nsecsElapsed());
                complete = complete && library.search(QString()).rows.size() == std::size_t(fixture->presets);
            } else {
                clock.start();
                complete = readAll(fixture->data) == expectedBytes && complete;
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
    const Fixture *fixture = fixtureFor(state);
    if (!fixture)
        return;
    for (auto _ : state) {
        Library library(fixture->warmIndex);
        library.setDataFolder(fixture->data);
        library.start();
        if (!library.waitUntilIdle(600000) || !library.isOpen()) {
            state.SkipWithError("the library did not open");
            break;
        }
    }
    // What the index costs on disk.
    state.counters["index_MB"] = double(indexBytes(fixture->warmIndex)) / 1e6;
    state.counters["bytes_per_preset"] = double(indexBytes(fixture->warmIndex)) / fixture->presets;
}

// A search as the library window runs it, sorted by name: until its first
// rows can be shown (first), or until every row's key is known (the count
// and the scroll bar, a moment later). found: how many presets it finds.
void searchBench(benchmark::State &state, const QString &query, bool first)
{
    const Fixture *fixture = fixtureFor(state);
    if (!fixture)
        return;
    const QString name = QStringLiteral("bench-search");
    if (!LibraryIndexFile::attach(fixture->warmIndex, name, true)) {
        state.SkipWithError("the index could not be opened");
        return;
    }
    const QSqlDatabase db = QSqlDatabase::database(name, false);
    QString error;
    const std::size_t found = LibrarySearch::keys(
                                  db, query, LibraryColumns::Name, false, [] { return false; }, &error)
                                  .size();
    std::size_t shown = 0;
    for (auto _ : state) {
        if (first) {
            shown = LibrarySearch::first(db, query, LibraryColumns::Name, false, LibraryReader::FirstRows).rows.size();
        } else {
            shown = LibrarySearch::keys(
                        db, query, LibraryColumns::Name, false, [] { return false; }, &error)
                        .size();
        }
    }
    state.counters["found"] = double(found);
    LibraryIndexFile::close(name);
    if (found == 0 || shown != (first ? std::min<std::size_t>(found, LibraryReader::FirstRows) : found))
        state.SkipWithError("the search did not find what it should");
}

const QString ThreeTerms = QStringLiteral("model:clean gain>20 delay:on");

void BM_LibrarySearch(benchmark::State &state)
{
    searchBench(state, ThreeTerms, true);
}

void BM_LibrarySearchKeys(benchmark::State &state)
{
    searchBench(state, ThreeTerms, false);
}

void BM_LibrarySearchAll(benchmark::State &state)
{
    searchBench(state, QString(), true);
}

void BM_LibrarySearchAllKeys(benchmark::State &state)
{
    searchBench(state, QString(), false);
}

void BM_LibraryUpdateOne(benchmark::State &state)
{
    const Fixture *fixture = fixtureFor(state);
    if (!fixture)
        return;
    Library library(fixture->warmIndex);
    library.setDataFolder(fixture->data);
    library.start();
    if (!library.waitUntilIdle(600000)) {
        state.SkipWithError("the library did not open");
        return;
    }
    const QString path = fixture->data + QStringLiteral("/Folder 7/Preset 7.syx");
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

// The longest the UI thread is busy at a stretch while the presets are
// indexed from nothing, with the library window open on everything (so
// every batch the worker reports is searched and shown again) and the
// status bar's progress following: a 1 ms timer notes each stretch the
// event loop spends away from it.
void BM_LibraryIndexStall(benchmark::State &state)
{
    const Fixture *fixture = fixtureFor(state);
    if (!fixture)
        return;
    const QString path = fixture->dir.filePath(QStringLiteral("stall.sqlite"));
    SilentUser user;
    for (auto _ : state) {
        removeIndex(path);
        Library library(path);
        library.setDataFolder(fixture->data);
        LibraryWindow window(library, user, LibraryHooks{});
        LibraryProgress progress(library);
        window.show();
        progress.show();
        bool started = false;
        const StallProbe probe(
            [&] {
                started = started || library.isBusy();
                // Done when the window shows every preset.
                return started && !library.isBusy() && window.model().rowCount() == fixture->presets;
            },
            600'000'000'000, [&] { library.start(); });
        state.SetIterationTime(double(probe.longestNs) / 1e9);
        state.counters["indexed_ms"] = double(probe.elapsedMs);
        if (library.search(QString()).rows.size() != std::size_t(fixture->presets)) {
            state.SkipWithError("the index missed presets");
            break;
        }
    }
    removeIndex(path);
}

// A setlist of 1,000 entries over the library: read and every preset found,
// one in ten by its content after its file was renamed.
void BM_SetlistOpen(benchmark::State &state)
{
    const Fixture *fixture = fixtureFor(state);
    if (!fixture)
        return;
    const QString connection = QStringLiteral("setlist-bench");
    const QString setlistPath = fixture->data + QStringLiteral("/gig.qvset");
    if (!LibraryIndexFile::attach(fixture->warmIndex, connection, true)) {
        state.SkipWithError("the index could not be opened");
        return;
    }
    {
        const std::vector<LibraryEntry> rows = LibrarySearch::run(QSqlDatabase::database(connection), QString()).rows;
        Setlist list;
        for (std::size_t i = 0; list.entries.size() < 1000 && i < rows.size(); i += rows.size() / 1000) {
            list.entries.push_back(SetlistResolver::entryFor(rows[i].path, rows[i].slot, rows[i].record, setlistPath));
            if (list.entries.size() % 10 == 0)
                list.entries.back().file += QStringLiteral(".renamed");
        }
        setlistfile::write(setlistPath, list);
        const SetlistResolver resolver(QSqlDatabase::database(connection), LibraryRoots{fixture->data, {}, {}});
        for (auto _ : state) {
            const setlistfile::Read read = setlistfile::read(setlistPath);
            const std::vector<SetlistPlace> places = resolver.resolve(read.list, setlistPath);
            const auto missing = std::count_if(places.begin(), places.end(),
                                               [](const SetlistPlace &p) { return p.state == SetlistPlace::Missing; });
            if (places.size() != 1000 || missing) {
                state.SkipWithError("the setlist lost entries");
                break;
            }
        }
    }
    LibraryIndexFile::close(connection);
    QFile::remove(setlistPath);
}

} // namespace

// The size goes in the name ("BM_LibrarySearch/presets:400000"), where the
// speed targets find it.
#define LIBRARY_BENCHMARK(name) BENCHMARK(name)->ArgName("presets")
LIBRARY_BENCHMARK(BM_LibraryIndexStall)
    ->Arg(Small)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
LIBRARY_BENCHMARK(BM_LibraryReadFiles)
    ->Arg(Small)
    ->Arg(Large)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
LIBRARY_BENCHMARK(BM_LibraryIndexCold)
    ->Arg(Small)
    ->Arg(Large)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
LIBRARY_BENCHMARK(BM_LibraryWarmStart)
    ->Arg(Small)
    ->Arg(Large)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
LIBRARY_BENCHMARK(BM_LibrarySearch)
    ->Arg(Small)
    ->Arg(Large)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
LIBRARY_BENCHMARK(BM_LibrarySearchAll)
    ->Arg(Small)
    ->Arg(Large)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
LIBRARY_BENCHMARK(BM_LibrarySearchKeys)
    ->Arg(Small)
    ->Arg(Large)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
LIBRARY_BENCHMARK(BM_LibrarySearchAllKeys)
    ->Arg(Small)
    ->Arg(Large)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
LIBRARY_BENCHMARK(BM_SetlistOpen)
    ->Arg(Small)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
LIBRARY_BENCHMARK(BM_LibraryUpdateOne)
    ->Arg(Small)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(10)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
