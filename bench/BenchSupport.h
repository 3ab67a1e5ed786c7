#ifndef WEATHER_BENCH_SUPPORT_H
#define WEATHER_BENCH_SUPPORT_H

// Scaffolding shared by the benchmark programs: a throw-away device under
// /tmp and a reporter that pairs each run with its "_Baseline" twin.

#include <benchmark/benchmark.h>

#include <device/host.h>

#include <glib.h>

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
        g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr);
    }

    TempDevice(const TempDevice&) = delete;
    TempDevice& operator=(const TempDevice&) = delete;

    bool Ready() const { return mReady; }
    const std::string& Root() const { return mRoot; }

private:
    std::string mRoot;
    bool mReady = false;
};

// Prints every run as usual and keeps the times to pair "Name/arg" with
// "Name_Baseline/arg" at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // withCpu adds CPU time: on a loaded machine it is the steadier of the two.
    RatioReporter(const char* title, bool withCpu, int nameWidth)
        : mTitle(title), mWithCpu(withCpu), mNameWidth(nameWidth)
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            mTimes[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
    }

    void PrintRatios() const
    {
        printf("\n%s\n", mTitle);
        for (const auto& [name, time] : mTimes) {
            size_t slash = name.find('/');
            std::string base = name.substr(0, slash);
            std::string arg = slash == std::string::npos ? "" : name.substr(slash);
            if (base.find("_Baseline") != std::string::npos)
                continue;
            auto it = mTimes.find(base + "_Baseline" + arg);
            if (it == mTimes.end() || it->second.first <= 0)
                continue;
            if (!mWithCpu)
                printf("  %-*s %6.2fx\n", mNameWidth, name.c_str(), time.first / it->second.first);
            else if (it->second.second > 0)
                printf("  %-*s %6.2fx %6.2fx\n", mNameWidth, name.c_str(), time.first / it->second.first,
                       time.second / it->second.second);
        }
    }

private:
    const char* mTitle;
    bool mWithCpu;
    int mNameWidth;
    std::map<std::string, std::pair<double, double>> mTimes; // real, cpu
};

// Runs the registered benchmarks and prints the ratios.
inline void RunWithRatios(int* argc, char** argv, RatioReporter& reporter)
{
    benchmark::Initialize(argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
}

} // namespace bench

#endif
