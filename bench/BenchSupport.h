#ifndef WEATHER_BENCH_SUPPORT_H
#define WEATHER_BENCH_SUPPORT_H

// Scaffolding shared by the benchmark programs: a throw-away device under
// /tmp, the repetitions every benchmark runs, and a reporter that pairs each
// benchmark "Name/arg" with its "Name_Baseline/arg" twin measured in the same
// run and ends the program with the table of min and median times and ratios.
//
// With WEATHER_BENCH_SUMMARY naming a file, each table row is also appended
// there as tab-separated values (program, benchmark, our min and median, the
// baseline's min and median, in microseconds; notes as program, "#", text),
// from which scripts/bench.sh prints one table.

#include <benchmark/benchmark.h>

#include <device/host.h>

#include <glib.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// A device of its own under /tmp, so that nothing of a real one is touched;
// removed again on destruction.
class TempDevice {
public:
    TempDevice(const char* dirTemplate, const char* appId)
    {
        gchar* root = g_dir_make_tmp(dirTemplate, nullptr);
        if (!root)
            return;
        mRoot = root;
        g_free(root);
        g_setenv(device::kRootEnv, mRoot.c_str(), TRUE);
        g_setenv(device::kAppIdEnv, appId, TRUE);
        mReady = device::EnsureDefaultDevice();
        if (!mReady)
            fprintf(stderr, "cannot create the device under %s\n", mRoot.c_str());
    }

    ~TempDevice()
    {
        if (mRoot.empty())
            return;
        gchar* argv[] = {const_cast<gchar*>("rm"), const_cast<gchar*>("-rf"), const_cast<gchar*>(mRoot.c_str()),
                         nullptr};
        g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    }

    TempDevice(const TempDevice&) = delete;
    TempDevice& operator=(const TempDevice&) = delete;

    bool Ready() const { return mReady; }
    const std::string& Root() const { return mRoot; }

private:
    std::string mRoot;
    bool mReady = false;
};

// A device's key stores and registry were written long before a command
// reads them, and a reader keeps a parse only of a file that has settled
// (unchanged for two seconds). Set-up has just written them: wait, so a run
// measures the device as it is, not its first seconds.
inline void LetStoresSettle()
{
    g_usleep(2500 * 1000);
}

// Samples per benchmark: the machine is shared and noisy, so every figure is
// the min and the median of this many repetitions, never a single mean.
constexpr int kRepetitions = 12;

inline double Min(const std::vector<double>& values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

// The settings of every benchmark here, as BENCHMARK(...)->Apply(bench::Trusted):
// 12 repetitions, microseconds, and only the aggregates (min, median, mean,
// spread) reported.
inline void Trusted(benchmark::internal::Benchmark* b)
{
    b->Repetitions(kRepetitions)
        ->ComputeStatistics("min", Min)
        ->ReportAggregatesOnly(true)
        ->Unit(benchmark::kMicrosecond);
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double min = 0;    // microseconds
        double median = 0; // microseconds
    };

    RatioReporter(const char* program, const char* baselineName) : mProgram(program), mBaselineName(baselineName) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.error_occurred ||
                (run.aggregate_name != "min" && run.aggregate_name != "median"))
                continue;
            const std::string name =
                run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
            const double us = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e6;
            if (mTimes.try_emplace(name).second)
                mOrder.push_back(name);
            if (run.aggregate_name == "min")
                mTimes[name].min = us;
            else if (run.aggregate_name == "median")
                mTimes[name].median = us;
        }
    }

    // Times of a benchmark by its plain name ("Name/arg"); zero when it did not run.
    Times Get(const std::string& name) const
    {
        auto it = mTimes.find(name);
        return it == mTimes.end() ? Times{} : it->second;
    }

    static std::string BaselineOf(const std::string& name)
    {
        const size_t slash = name.find('/');
        return slash == std::string::npos ? name + "_Baseline"
                                          : name.substr(0, slash) + "_Baseline" + name.substr(slash);
    }

    // Compares `name` with another baseline than its "_Baseline" twin.
    void Pair(const std::string& name, const std::string& baseline) { mPairs[name] = baseline; }

    // A line under the table (and in the summary).
    void Note(const std::string& text) { mNotes.push_back(text); }

    void PrintTable() const
    {
        printf("\n%s: our time against %s, microseconds over %d repetitions\n", mProgram, mBaselineName, kRepetitions);
        printf("  %-36s %10s %10s %10s %10s %7s %7s\n", "benchmark", "min", "median", "base min", "base med", "min x",
               "med x");
        FILE* summary = nullptr;
        if (const char* path = g_getenv("WEATHER_BENCH_SUMMARY"))
            summary = fopen(path, "a");
        for (const std::string& name : mOrder) {
            if (name.find("_Baseline") != std::string::npos)
                continue;
            const Times ours = Get(name);
            auto paired = mPairs.find(name);
            const Times base = Get(paired != mPairs.end() ? paired->second : BaselineOf(name));
            printf("  %-36s %10.1f %10.1f", name.c_str(), ours.min, ours.median);
            if (base.min > 0 && base.median > 0)
                printf(" %10.1f %10.1f %6.2fx %6.2fx\n", base.min, base.median, ours.min / base.min,
                       ours.median / base.median);
            else
                printf(" %10s %10s %7s %7s\n", "-", "-", "-", "-");
            if (summary)
                fprintf(summary, "%s\t%s\t%.1f\t%.1f\t%.1f\t%.1f\n", mProgram, name.c_str(), ours.min, ours.median,
                        base.min, base.median);
        }
        for (const std::string& note : mNotes) {
            printf("  %s\n", note.c_str());
            if (summary)
                fprintf(summary, "%s\t#\t%s\n", mProgram, note.c_str());
        }
        if (summary)
            fclose(summary);
    }

private:
    const char* mProgram;
    const char* mBaselineName;
    std::map<std::string, Times> mTimes;
    std::vector<std::string> mOrder; // as the benchmarks ran
    std::map<std::string, std::string> mPairs;
    std::vector<std::string> mNotes;
};

// Runs the registered benchmarks; the caller adds its notes and prints the table.
inline void Run(int* argc, char** argv, RatioReporter& reporter)
{
    benchmark::Initialize(argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}

} // namespace bench

#endif
