#include "Faults.h"

#include <device/host.h>

#include <cstdlib>

#include <glib.h>
#include <glib/gstdio.h>

#include "CloudStore.h"

namespace cloud {
namespace {
FaultSet gActiveFaults = 0;
constexpr const char* kFaultsEnv = "WEATHER_CLOUD_FAULTS";
constexpr gsize kMaxControlFileSize = 64 * 1024;
} // namespace

const FaultName kFaultNames[10] = {
    {"list_create", kFaultListCreate},       {"move_first", kFaultMoveFirst}, {"move_next", kFaultMoveNext},
    {"get_current", kFaultGetCurrent},       {"no_key", kFaultNoKey},         {"no_value", kFaultNoValue},
    {"two_records", kFaultTwoRecords},       {"empty_file", kFaultEmptyFile}, {"complete_failed", kFaultCompleteFailed},
    {"complete_never", kFaultCompleteNever},
};

FaultSet ParseFaults(const std::string& text, std::vector<std::string>* unknown)
{
    FaultSet faults = 0;
    std::string word;
    bool comment = false;
    auto flush = [&]() {
        if (word.empty())
            return;
        bool found = false;
        for (const FaultName& entry : kFaultNames) {
            if (word == entry.name) {
                faults |= entry.fault;
                found = true;
            }
        }
        if (!found && unknown)
            unknown->push_back(word);
        word.clear();
    };
    for (char c : text) {
        if (c == '\n') {
            comment = false;
            flush();
        } else if (comment) {
            continue;
        } else if (c == '#') {
            flush();
            comment = true;
        } else if (c == ',' || c == ';' || c == ' ' || c == '\t' || c == '\r') {
            flush();
        } else {
            word.push_back(c);
        }
    }
    flush();
    return faults;
}

std::vector<std::string> FaultNames(FaultSet faults)
{
    std::vector<std::string> names;
    for (const FaultName& entry : kFaultNames)
        if (faults & entry.fault)
            names.emplace_back(entry.name);
    return names;
}

FaultSet ConfiguredFaults()
{
    FaultSet faults = 0;
    if (const char* env = getenv(kFaultsEnv))
        faults |= ParseFaults(env);
    // A control file of any reasonable size; anything else is refused unread.
    std::string text;
    if (device::ReadRegularFile(FaultsFilePath(), kMaxControlFileSize, &text) == device::ReadStatus::Ok)
        faults |= ParseFaults(text);
    return faults;
}

void SetActiveFaults(FaultSet faults)
{
    gActiveFaults = faults;
}

bool FaultActive(Fault fault)
{
    return (gActiveFaults & fault) != 0;
}

} // namespace cloud
