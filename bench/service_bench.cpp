// Each job of the service end to end on the real binary, cold (the request
// starts the service) and warm (the service is already up), beside the floor
// of a backup measured in the same run (bench/floor/backup_floor.cpp): one
// process that takes the request over a Unix socket, reads the settings row
// with raw SQLite, builds the value with JSON-GLib, writes the records file
// atomically with fsync and answers; cold, that process is started for the
// request, as the service is.
//
// A job's time runs from the launch request to its job report appearing in
// the cloud library's reports folder (seen through inotify), in microseconds.
// The service's peak resident size and page faults come from wait4 (this
// process is a child subreaper, so the detached service becomes its child).

#include <benchmark/benchmark.h>

#include <glib.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <device/app_control.h>
#include <device/host.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "BenchSupport.h"

namespace {

constexpr const char* kService = "com.velurio.weather-backuprestore";
constexpr const char* kOpBase = "http://velurio.com/appcontrol/operation/velurio_cloud/";

std::string gRoot;
int gReports = -1;                    // inotify on the reports folder
std::map<std::string, long> gPeakKiB; // benchmark -> highest peak RSS of the service or the floor
// benchmark -> fewest and most page faults of one run, minor and major (a
// major one waited for the disk: a page of a program or library not cached)
std::map<std::string, std::pair<long, long>> gFaults, gMajorFaults;

// Waits for the next finished job report (written under a temporary name,
// then renamed to <id>.json); its monotonic time in microseconds, -1 after 10 s.
int64_t WaitReport()
{
    const int64_t deadline = g_get_monotonic_time() + 10 * G_USEC_PER_SEC;
    alignas(inotify_event) char buffer[4096];
    for (int64_t now; (now = g_get_monotonic_time()) < deadline;) {
        pollfd ready = {gReports, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>((deadline - now) / 1000) + 1) <= 0)
            continue;
        const int64_t seen = g_get_monotonic_time();
        ssize_t n = read(gReports, buffer, sizeof buffer);
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len && g_str_has_suffix(event->name, ".json"))
                return seen;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
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

struct Usage {
    long peakKiB = -1;
    long faults = 0;      // minor and major: each is a page the process touched first
    long majorFaults = 0; // of those, the ones read from the disk
};

// Reaps a child (the service by default); its peak RSS is -1 when there is none.
Usage Reap(pid_t pid = -1)
{
    struct rusage usage = {};
    int status = 0;
    if (wait4(pid, &status, 0, &usage) <= 0)
        return {};
    return {usage.ru_maxrss, usage.ru_minflt + usage.ru_majflt, usage.ru_majflt};
}

void NoteRange(std::map<std::string, std::pair<long, long>>* ranges, const std::string& name, long value)
{
    auto [known, inserted] = ranges->emplace(name, std::make_pair(value, value));
    if (!inserted) {
        known->second.first = std::min(known->second.first, value);
        known->second.second = std::max(known->second.second, value);
    }
}

void NotePeak(const std::string& name, const Usage& usage)
{
    long& peak = gPeakKiB[name];
    peak = std::max(peak, usage.peakKiB);
    NoteRange(&gFaults, name, usage.faults);
    NoteRange(&gMajorFaults, name, usage.majorFaults);
}

// One job per repetition; warm: a get-info first, so the service is up and has served once.
void Job(benchmark::State& state, const char* job, bool warm)
{
    for (auto _ : state) {
        if (warm && (!Send("get_backup_info") || WaitReport() < 0)) {
            state.SkipWithError("warm-up job failed");
            break;
        }
        const int64_t sent = g_get_monotonic_time();
        if (!Send(job)) {
            state.SkipWithError("launch request failed");
            break;
        }
        const int64_t done = WaitReport();
        const Usage usage = Reap();
        if (done < 0 || usage.peakKiB < 0) {
            state.SkipWithError("no report or no service to reap");
            break;
        }
        state.SetIterationTime((done - sent) / 1e6);
        state.counters["peak_rss_KiB"] = static_cast<double>(usage.peakKiB);
        NotePeak(std::string(job) + (warm ? " warm" : " cold"), usage);
    }
}

std::string SettingsDb()
{
    return device::PackageSharedDataDir("com.velurio.weather") + "db/.setting.db";
}

std::string FloorFile()
{
    return device::PackageSharedTrustedDir("com.velurio.weather") + "floor.dat";
}

// Sends "backup" on fd and waits for the answer; false unless it is "ok".
bool AskFloor(int fd)
{
    char answer[16] = "";
    return write(fd, "backup", 6) == 6 && read(fd, answer, sizeof answer - 1) == 2 && strncmp(answer, "ok", 2) == 0;
}

// A connection to the floor server; retried for 2 s, since its socket file
// exists a moment before it listens.
int ConnectTo(const std::string& path)
{
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    for (int attempt = 0; attempt < 2000; attempt++) {
        int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            return fd;
        if (fd >= 0)
            close(fd);
        g_usleep(1000);
    }
    return -1;
}

// Cold: the floor program is started with the request waiting on its descriptor 3.
void Job_Baseline(benchmark::State& state, const char* job, bool warm)
{
    const std::string socketPath = gRoot + "/floor.sock";
    pid_t server = -1;
    if (warm) {
        server = fork();
        if (server == 0) {
            execl(WEATHER_BACKUP_FLOOR, WEATHER_BACKUP_FLOOR, "serve", socketPath.c_str(), SettingsDb().c_str(),
                  FloorFile().c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // One backup first, unmeasured, as the service serves a get-info before its warm jobs.
        int fd = server > 0 ? ConnectTo(socketPath) : -1;
        if (fd < 0 || !AskFloor(fd))
            state.SkipWithError("the floor server does not answer");
        if (fd >= 0)
            close(fd);
    }
    for (auto _ : state) {
        if (state.error_occurred())
            break;
        const int64_t sent = g_get_monotonic_time();
        bool ok = false;
        if (warm) {
            int fd = ConnectTo(socketPath);
            ok = fd >= 0 && AskFloor(fd);
            if (fd >= 0)
                close(fd);
        } else {
            int pair[2];
            if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
                break;
            pid_t pid = fork();
            if (pid == 0) {
                dup2(pair[1], 3); // dup2 clears close-on-exec
                execl(WEATHER_BACKUP_FLOOR, WEATHER_BACKUP_FLOOR, "once", SettingsDb().c_str(), FloorFile().c_str(),
                      static_cast<char*>(nullptr));
                _exit(127);
            }
            close(pair[1]);
            ok = pid > 0 && AskFloor(pair[0]);
            close(pair[0]);
            const Usage usage = pid > 0 ? Reap(pid) : Usage{};
            if (usage.peakKiB > 0)
                NotePeak(std::string("floor ") + job + " cold", usage);
        }
        const int64_t done = g_get_monotonic_time();
        if (!ok) {
            state.SkipWithError("the floor did not answer");
            break;
        }
        state.SetIterationTime((done - sent) / 1e6);
    }
    if (server > 0) {
        int fd = ConnectTo(socketPath);
        if (fd >= 0) {
            (void)!write(fd, "quit", 4);
            close(fd);
        } else {
            kill(server, SIGKILL);
        }
        const Usage usage = Reap(server);
        if (usage.peakKiB > 0)
            NotePeak(std::string("floor ") + job + " warm", usage);
    }
}

void Manual(benchmark::internal::Benchmark* b)
{
    b->Iterations(1)->UseManualTime();
    bench::Trusted(b);
}

} // namespace

BENCHMARK_CAPTURE(Job, backup / cold, "backup", false)->Apply(Manual);
BENCHMARK_CAPTURE(Job_Baseline, backup / cold, "backup", false)->Apply(Manual);
BENCHMARK_CAPTURE(Job, backup / warm, "backup", true)->Apply(Manual);
BENCHMARK_CAPTURE(Job_Baseline, backup / warm, "backup", true)->Apply(Manual);
BENCHMARK_CAPTURE(Job, restore / cold, "restore", false)->Apply(Manual);
BENCHMARK_CAPTURE(Job, restore / warm, "restore", true)->Apply(Manual);
BENCHMARK_CAPTURE(Job, get_info / cold, "get_backup_info", false)->Apply(Manual);
BENCHMARK_CAPTURE(Job, get_info / warm, "get_backup_info", true)->Apply(Manual);

int main(int argc, char** argv)
{
    bench::TempDevice device("weather-bench-XXXXXX", "com.velurio.cloud-backup-client");
    if (!device.Ready())
        return 1;
    gRoot = device.Root();
    // The service knows its caller by the executable it runs: here, this one.
    char* self = realpath("/proc/self/exe", nullptr);
    const bool client = self && device::InstallApp({"com.velurio.cloud-backup-client", "com.velurio.cloud-backup",
                                                    "velurio-platform", self});
    free(self);
    if (!client)
        return 1;
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    const std::string reports = gRoot + "/cloud/reports";
    g_mkdir_with_parents(reports.c_str(), 0755);
    gReports = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (gReports < 0 || inotify_add_watch(gReports, reports.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
        std::fprintf(stderr, "cannot watch %s\n", reports.c_str());
        return 1;
    }
    // The first start creates the databases; it is not measured.
    if (!Send("backup") || WaitReport() < 0 || Reap().peakKiB < 0) {
        std::fprintf(stderr, "the service does not run under %s\n", gRoot.c_str());
        return 1;
    }

    bench::RatioReporter reporter("service_bench", "the floor of a backup");
    bench::Run(&argc, argv, reporter);
    std::string peaks = "peak resident size, KiB (highest of the repetitions):";
    for (const auto& [name, kib] : gPeakKiB)
        peaks += " " + name + " " + std::to_string(kib) + ";";
    reporter.Note(peaks);
    for (const auto& [title, ranges] : {std::make_pair("page faults of one run, fewest to most:", &gFaults),
                                        std::make_pair("of them read from the disk:", &gMajorFaults)}) {
        std::string line = title;
        for (const auto& [name, range] : *ranges)
            line += " " + name + " " + std::to_string(range.first) + "-" + std::to_string(range.second) + ";";
        reporter.Note(line);
    }
    reporter.PrintTable();
    return 0;
}
