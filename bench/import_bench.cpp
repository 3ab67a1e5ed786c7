// weatherctl import of 250 and 1,000 cities, as the tool runs it: cities of
// one member (a location id) and full cities (each a copy of the sample
// file's first city, about 2.7 KB of JSON). The time of a benchmark is the
// import's wall time per city, and each size at 1,000 is set against the
// same kind at 250, so the ratio tells whether an import grows linearly.
// The notes give the tool's peak resident size per city (from wait4).

#include <benchmark/benchmark.h>

#include <glib.h>
#include <json-glib/json-glib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "BenchSupport.h"

namespace {

std::string gRoot;
std::map<std::string, long> gPeakKiB; // "kind/count" -> highest peak RSS of the tool

std::string SampleCity()
{
    g_autoptr(JsonParser) parser = json_parser_new();
    const std::string sample = std::string(WEATHER_SOURCE_DIR) + "/tools/weatherctl/samples/sample-cities.json";
    if (!json_parser_load_from_file(parser, sample.c_str(), nullptr))
        return "";
    JsonObject* top = json_node_get_object(json_parser_get_root(parser));
    JsonNode* first = json_array_get_element(json_object_get_array_member(top, "cities"), 0);
    json_object_remove_member(json_node_get_object(first), "pageIndex");
    json_object_remove_member(json_node_get_object(first), "locationId");
    g_autofree gchar* text = json_to_string(first, FALSE);
    // The members after the id: "{" dropped, so that an id can go first.
    return std::string(text).substr(1);
}

// A city file of count cities; full ones copy the sample's first city.
std::string WriteCities(int count, bool full)
{
    static const std::string kSample = SampleCity();
    std::string text = "{\"cities\": [";
    for (int c = 0; c < count; ++c) {
        text += std::string(c ? "," : "") + "{\"locationId\": \"BENCH" + std::to_string(c) + "\"";
        text += full ? "," + kSample : "}";
    }
    text += "]}";
    const std::string path = gRoot + "/cities-" + (full ? "full-" : "one-") + std::to_string(count) + ".json";
    g_file_set_contents(path.c_str(), text.c_str(), static_cast<gssize>(text.size()), nullptr);
    return path;
}

// Runs weatherctl import; its peak RSS in KiB, -1 when it failed.
long Import(const std::string& file)
{
    const std::string tool = std::string(WEATHER_BUILD_DIR) + "/tools/weatherctl";
    const pid_t pid = fork();
    if (pid == 0) {
        freopen("/dev/null", "w", stdout);
        execl(tool.c_str(), tool.c_str(), "import", file.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    struct rusage usage = {};
    int status = 0;
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss;
}

void BM_Import(benchmark::State& state, bool full)
{
    const int count = static_cast<int>(state.range(0));
    const std::string file = WriteCities(count, full);
    const std::string key = std::string(full ? "full" : "one-member") + "/" + std::to_string(count);
    for (auto _ : state) {
        const int64_t started = g_get_monotonic_time();
        const long rss = Import(file);
        const int64_t done = g_get_monotonic_time();
        if (rss < 0) {
            state.SkipWithError("weatherctl import failed");
            break;
        }
        gPeakKiB[key] = std::max(gPeakKiB[key], rss);
        state.SetIterationTime((done - started) / 1e6 / count);
    }
}

void Manual(benchmark::internal::Benchmark* b)
{
    b->Arg(250)->Arg(1000)->Iterations(1)->UseManualTime();
    bench::Trusted(b);
}

BENCHMARK_CAPTURE(BM_Import, one_member, false)->Apply(Manual);
BENCHMARK_CAPTURE(BM_Import, full, true)->Apply(Manual);

} // namespace

int main(int argc, char** argv)
{
    bench::TempDevice device("import-bench-XXXXXX", "com.velurio.weather");
    if (!device.Ready())
        return 1;
    gRoot = device.Root();
    bench::RatioReporter reporter("import_bench", "the same import of 250 cities (time per city)");
    for (const char* kind : {"one_member", "full"})
        reporter.Pair(std::string("BM_Import/") + kind + "/1000", std::string("BM_Import/") + kind + "/250");
    bench::Run(&argc, argv, reporter);
    std::string peaks = "weatherctl import peak resident size, KiB (per city):";
    for (const auto& [name, kib] : gPeakKiB) {
        const double cities = std::stod(name.substr(name.rfind('/') + 1));
        char cell[96];
        snprintf(cell, sizeof cell, " %s %ld (%.1f);", name.c_str(), kib, kib / cities);
        peaks += cell;
    }
    reporter.Note(peaks);
    if (gPeakKiB.count("one-member/250") && gPeakKiB.count("one-member/1000"))
        reporter.Note("one-member city, peak growth from 250 to 1000 cities per city, KiB: " +
                      std::to_string((gPeakKiB["one-member/1000"] - gPeakKiB["one-member/250"]) / 750.0));
    if (gPeakKiB.count("full/250") && gPeakKiB.count("full/1000"))
        reporter.Note("full city, peak growth from 250 to 1000 cities per city, KiB: " +
                      std::to_string((gPeakKiB["full/1000"] - gPeakKiB["full/250"]) / 750.0));
    reporter.PrintTable();
    return 0;
}
