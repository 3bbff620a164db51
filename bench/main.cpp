// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the benchmarks with a QApplication (the editor panel needs one) and
// checks each median against its speed target: the exit code is non-zero
// when a target is missed, so scripts can tell.
#include <QApplication>
#include <QByteArray>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Target {
    double nanoseconds;
    const char *what;
};

// Real (wall-clock) time per iteration: what the player waits for.
const std::map<std::string, Target> targets = {
    {"BM_SendParameter", {20000, "knob edit -> parameter-set message"}},
    {"BM_DispatchEcho", {20000, "Amp echo dispatched and applied"}},
    {"BM_DecodeGroupDump", {200000, "1000-byte group dump decoded"}},
    {"BM_EditLatency", {3000, "knob tick -> bytes at the MIDI backend"}},
    // A tenth of a percent of an 11-byte message's time on the wire (3.52 ms).
    {"BM_SendQueue", {3520, "11-byte message queued behind a busy cable and drained"}},
    // The wire carries at most 2840 parameter messages a second (352 us
    // each); the panel keeps up a hundred times over, painting after each.
    {"BM_AbsorbParameterMessage", {352000, "Amp parameter change shown by the panel"}},
    {"BM_AbsorbParameterMessage/paint_every:1", {20000, "Amp parameter change shown and painted"}},
    {"BM_OpenGroupFile", {1000000, "1000-byte group file opened into the panel"}},
    {"BM_GroupFetchLoopback", {1000000, "Group from Amp over the loopback, into the panel and back"}},
    // Each iteration's longest busy stretch of the UI thread. (The file
    // list's refresh checks its own target, a ratio to QDir's listing.)
    {"BM_FileListStall10k", {50e6, "10,000-file list moved to, followed: longest stall"}},
    // The wire carries at most 284 tuner data messages a second (3.52 ms
    // each); the tuner window shows and paints each ten times as fast.
    {"BM_TunerData", {352000, "tuner data shown and painted"}},
    // 40,000 presets in 10,000 files, and ten times as many. Indexing from
    // nothing also checks its own ratio to reading the files alone.
    {"BM_LibraryIndexCold/presets:40000", {5e9, "40,000 presets indexed from nothing"}},
    {"BM_LibraryIndexCold/presets:400000", {50e9, "400,000 presets indexed from nothing"}},
    {"BM_LibraryWarmStart/presets:40000", {300e6, "library of 40,000 started again, nothing changed"}},
    {"BM_LibraryWarmStart/presets:400000", {1e9, "library of 400,000 started again, nothing changed"}},
    // Until the window can show the first rows.
    {"BM_LibrarySearch/presets:40000", {10e6, "three-term search over 40,000 presets"}},
    {"BM_LibrarySearch/presets:400000", {40e6, "three-term search over 400,000 presets"}},
    {"BM_LibrarySearchAll/presets:40000", {10e6, "search finding all of 40,000 presets"}},
    {"BM_LibrarySearchAll/presets:400000", {40e6, "search finding all of 400,000 presets"}},
    // One preset message on the cable: 70 bytes at 3,125 bytes a second.
    {"BM_SetlistStep", {22.4e6, "setlist step: a key until the preset is sent"}},
    {"BM_SetlistOpen", {100e6, "setlist of 1,000 entries opened over 40,000 presets"}},
    {"BM_LibraryUpdateOne", {50e6, "one file saved until a search finds it"}},
    {"BM_LibraryIndexStall", {50e6, "indexing 40,000 presets, window open: longest UI stall"}},
    // One undo and one redo of a knob step, each with its message sent.
    {"BM_UndoStep", {1000, "knob step undone and redone, messages sent"}},
    // The recovery copy's share of a knob step stays within 50 us.
    {"BM_RecoveryEditStep", {50000, "knob step with the recovery copy armed"}},
    {"BM_RecoveryEditStepWritten", {50000, "knob step, its state handed to the recovery writer"}},
};

// The target of the longest key that is the benchmark's name or a leading
// part of it ending at a '/'.
const Target *targetFor(const std::string &name)
{
    const Target *found = nullptr;
    std::size_t length = 0;
    for (const auto &[key, target] : targets) {
        const bool matches = name == key || (name.size() > key.size() && name.compare(0, key.size(), key) == 0 &&
                                             name[key.size()] == '/');
        if (matches && key.size() >= length) {
            found = &target;
            length = key.size();
        }
    }
    return found;
}

double toNanoseconds(double value, benchmark::TimeUnit unit)
{
    switch (unit) {
    case benchmark::kSecond: return value * 1e9;
    case benchmark::kMillisecond: return value * 1e6;
    case benchmark::kMicrosecond: return value * 1e3;
    case benchmark::kNanosecond: break;
    }
    return value;
}

// Passes everything to the reporter --benchmark_format asks for and keeps
// each benchmark's median (or its only run) for the target check.
class TargetReporter : public benchmark::BenchmarkReporter {
public:
    explicit TargetReporter(benchmark::BenchmarkReporter *display) : display_(display) {}

    bool ReportContext(const Context &context) override { return display_->ReportContext(context); }
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (run.error_occurred) {
                // Each repetition reports the same error; one line is enough.
                if (results_.empty() || results_.back().name != run.benchmark_name())
                    results_.push_back({run.benchmark_name(), -1, run.error_message});
            } else if (median || single) {
                results_.push_back({run.benchmark_name(), toNanoseconds(run.GetAdjustedRealTime(), run.time_unit), {}});
                // A benchmark that times itself against a bare version of
                // the same work reports the two counters: the median ratio
                // must stay within its bound.
                const auto ratio = run.counters.find("ratio");
                const auto bound = run.counters.find("max_ratio");
                if (ratio != run.counters.end() && bound != run.counters.end() &&
                    ratio->second.value > bound->second.value)
                    results_.back().error =
                        "ratio " + std::to_string(ratio->second.value) + " over " + std::to_string(bound->second.value);
            }
        }
        display_->ReportRuns(runs);
    }
    void Finalize() override { display_->Finalize(); }

    // Prints one line per result to stderr (stdout may carry JSON);
    // true when every target is met and nothing failed.
    bool check() const
    {
        bool ok = true;
        if (results_.empty())
            return ok;
        std::fprintf(stderr, "\nSpeed targets (median real time per iteration):\n");
        for (const Result &r : results_) {
            const Target *target = targetFor(r.name);
            if (r.nanoseconds >= 0 && !r.error.empty()) {
                std::fprintf(stderr, "%-45s MISSED: %s\n", r.name.c_str(), r.error.c_str());
                ok = false;
            } else if (r.nanoseconds < 0) {
                std::fprintf(stderr, "%-45s FAILED: %s\n", r.name.c_str(), r.error.c_str());
                ok = false;
            } else if (target) {
                const bool met = r.nanoseconds <= target->nanoseconds;
                std::fprintf(stderr, "%-45s %12.0f ns  (target %.0f ns, %s) %s\n", r.name.c_str(), r.nanoseconds,
                             target->nanoseconds, target->what, met ? "ok" : "MISSED");
                ok = ok && met;
            }
        }
        return ok;
    }

private:
    struct Result {
        std::string name;
        double nanoseconds; // < 0: the benchmark reported an error
        std::string error;
    };
    benchmark::BenchmarkReporter *display_;
    std::vector<Result> results_;
};

} // namespace

int main(int argc, char **argv)
{
    // Headless by default; a display is never needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt takes its own options (-platform and the like) out first.
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;

    TargetReporter reporter(benchmark::CreateDefaultDisplayReporter());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.check() ? 0 : 1;
}
