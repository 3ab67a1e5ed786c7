// Each job of the service end to end on the real binary, cold (the request
// starts the service) and warm (the service is already up), against the floor
// of a backup measured in the same run: read the settings row with SQLite,
// make the same JSON text and write the file atomically.
//
// Per job: launch request -> completed callback (the job report's end time),
// launch request -> process exit, and the service's peak resident memory
// (wait4's ru_maxrss: this process is a child subreaper, so the detached
// service becomes its child).

#include <benchmark/benchmark.h>

#include <glib.h>
#include <glib/gstdio.h>
#include <sqlite3.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <device/app_control.h>
#include <device/host.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "BenchSupport.h"

namespace {

constexpr const char* kService = "com.velurio.weather-backuprestore";
constexpr const char* kOpBase = "http://velurio.com/appcontrol/operation/velurio_cloud/";

std::string gRoot;
std::map<std::string, double> gMeanSeconds; // "<job>_<cold|warm>" -> mean time to completion

int64_t NowMs()
{
    return g_get_real_time() / 1000;
}

std::string ReportsDir()
{
    return gRoot + "/cloud/reports";
}

// Finished reports (the library writes <id>.json atomically through a temporary name).
std::set<std::string> Reports()
{
    std::set<std::string> names;
    if (GDir* dir = g_dir_open(ReportsDir().c_str(), 0, nullptr)) {
        while (const gchar* name = g_dir_read_name(dir))
            if (g_str_has_suffix(name, ".json"))
                names.insert(name);
        g_dir_close(dir);
    }
    return names;
}

// "ended_ms" of the first report not in `known`; -1 on timeout.
int64_t WaitReportEnd(const std::set<std::string>& known)
{
    const gint64 deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    while (g_get_monotonic_time() < deadline) {
        for (const std::string& name : Reports()) {
            if (known.count(name))
                continue;
            gchar* text = nullptr;
            g_file_get_contents((ReportsDir() + "/" + name).c_str(), &text, nullptr, nullptr);
            const char* at = text ? strstr(text, "\"ended_ms\":") : nullptr;
            int64_t ended = at ? g_ascii_strtoll(at + 11, nullptr, 10) : -1;
            g_free(text);
            return ended;
        }
        g_usleep(500);
    }
    return -1;
}

bool Send(const char* job)
{
    app_control_h request = nullptr;
    app_control_create(&request);
    app_control_set_app_id(request, kService);
    app_control_set_operation(request, (std::string(kOpBase) + job).c_str());
    int ret = app_control_send_launch_request(request, nullptr, nullptr);
    app_control_destroy(request);
    return ret == APP_CONTROL_ERROR_NONE;
}

// Reaps the service; returns its peak RSS in KiB and the time it was seen gone.
long ReapService(int64_t* endedMs)
{
    struct rusage usage = {};
    int status = 0;
    pid_t pid = wait4(-1, &status, 0, &usage);
    *endedMs = NowMs();
    return pid > 0 ? usage.ru_maxrss : -1;
}

void Job(benchmark::State& state, const char* job, bool warm)
{
    double toCompleted = 0, toExit = 0, rssKiB = 0;
    int runs = 0;
    for (auto _ : state) {
        if (warm) { // a get-info first, so the service is up and has served once
            std::set<std::string> known = Reports();
            if (!Send("get_backup_info") || WaitReportEnd(known) < 0) {
                state.SkipWithError("warm-up job failed");
                break;
            }
        }
        std::set<std::string> known = Reports();
        int64_t sent = NowMs();
        if (!Send(job)) {
            state.SkipWithError("launch request failed");
            break;
        }
        int64_t completed = WaitReportEnd(known);
        int64_t exited = 0;
        long rss = ReapService(&exited);
        if (completed < 0 || rss < 0) {
            state.SkipWithError("no report or no service to reap");
            break;
        }
        state.SetIterationTime((completed - sent) / 1000.0);
        toCompleted += completed - sent;
        toExit += exited - sent;
        rssKiB = std::max<double>(rssKiB, rss);
        ++runs;
    }
    if (runs) {
        state.counters["to_completed_ms"] = toCompleted / runs;
        state.counters["to_exit_ms"] = toExit / runs;
        state.counters["peak_rss_KiB"] = rssKiB;
        gMeanSeconds[std::string(job) + (warm ? "_warm" : "_cold")] = toCompleted / runs / 1000.0;
    }
}

// The floor of a backup, in this process.
void BackupFloor(benchmark::State& state)
{
    const std::string db = device::PackageSharedDataDir("com.velurio.weather") + "db/.setting.db";
    const std::string file = device::PackageSharedTrustedDir("com.velurio.weather") + "floor.dat";
    int64_t started = g_get_monotonic_time();
    for (auto _ : state) {
        sqlite3* handle = nullptr;
        sqlite3_stmt* stmt = nullptr;
        sqlite3_open_v2(db.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_prepare_v2(handle,
                           "SELECT TemperatureUnit, AutoRefreshInterval, ShowCurrentCityAgreement, NotificationOn "
                           "FROM SETTING_TABLE",
                           -1, &stmt, nullptr);
        char json[160] = "";
        if (sqlite3_step(stmt) == SQLITE_ROW)
            snprintf(json, sizeof json,
                     "{\"tempUnit\":%d,\"autoRefreshTimeInterval\":%d,\"useCurrentLocationAgreed\":%s,"
                     "\"useNotification\":%s}",
                     sqlite3_column_int(stmt, 0), sqlite3_column_int(stmt, 1),
                     sqlite3_column_int(stmt, 2) ? "true" : "false", sqlite3_column_int(stmt, 3) ? "true" : "false");
        sqlite3_finalize(stmt);
        sqlite3_close(handle);
        if (!g_file_set_contents_full(file.c_str(), json, -1, G_FILE_SET_CONTENTS_CONSISTENT, 0644, nullptr)) {
            state.SkipWithError("cannot write the floor file");
            break;
        }
    }
    if (state.iterations())
        gMeanSeconds["floor"] = (g_get_monotonic_time() - started) / 1e6 / state.iterations();
}

} // namespace

BENCHMARK_CAPTURE(Job, backup_cold, "backup", false)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK_CAPTURE(Job, backup_warm, "backup", true)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK_CAPTURE(Job, restore_cold, "restore", false)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK_CAPTURE(Job, restore_warm, "restore", true)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK_CAPTURE(Job, get_info_cold, "get_backup_info", false)
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK_CAPTURE(Job, get_info_warm, "get_backup_info", true)
    ->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(BackupFloor)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    bench::TempDevice device("weather-bench-XXXXXX", "com.velurio.cloud-backup-client");
    if (!device.Ready())
        return 1;
    gRoot = device.Root();
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    // The first start creates the databases; it is not measured.
    std::set<std::string> known = Reports();
    int64_t ignored = 0;
    if (!Send("backup") || WaitReportEnd(known) < 0 || ReapService(&ignored) < 0) {
        std::fprintf(stderr, "the service does not run under %s\n", gRoot.c_str());
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (gMeanSeconds.count("backup_warm") && gMeanSeconds["floor"] > 0)
        std::printf("warm backup / floor of a backup: %.2f ms / %.2f ms = %.1fx (goal: within 3x)\n",
                    gMeanSeconds["backup_warm"] * 1e3, gMeanSeconds["floor"] * 1e3,
                    gMeanSeconds["backup_warm"] / gMeanSeconds["floor"]);
    benchmark::Shutdown();
    return 0;
}
