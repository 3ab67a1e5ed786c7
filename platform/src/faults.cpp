// Fault injection for tests: in-process table plus WEATHER_DEVICE_FAULTS.

#include <device/host.h>

#include <glib.h>

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace device {

namespace {

// A fault and the number of checks it still fails; kUnlimited never runs out.
struct Entry {
    Fault fault = Fault::None;
    unsigned remaining = 0;
};
constexpr unsigned kUnlimited = 0;

std::mutex gFaultMutex;
std::map<std::string, Entry> gFaults;
// gFaults.size(), read without the lock: checks are made on every key read,
// and with no fault set anywhere they cost no lock and no allocation.
std::atomic<size_t> gFaultCount{0};
// Checks already failed by count-limited entries of kFaultsEnv, by entry text,
// so a limit holds in this process while the variable stays the same.
std::map<std::string, unsigned> gEnvSpent;

// kFaultsEnv parsed once per value it takes.
struct EnvItem {
    std::string name; // "function" or "function:key"
    std::string text; // the whole entry, as gEnvSpent knows it
    Entry entry;
};
bool gEnvParsed = false;
std::string gEnvText;
std::vector<EnvItem> gEnvItems;

Fault ParseFault(const char* text)
{
    if (g_ascii_strcasecmp(text, "error") == 0)
        return Fault::Error;
    if (g_ascii_strcasecmp(text, "null") == 0)
        return Fault::Null;
    if (g_ascii_strcasecmp(text, "empty") == 0)
        return Fault::Empty;
    return Fault::None;
}

// "error", or "error*N" for the next N checks; None when malformed.
Entry ParseEntry(const char* text)
{
    g_auto(GStrv) parts = g_strsplit(text, "*", 2);
    Entry entry;
    if (!parts[0])
        return entry;
    guint64 count = kUnlimited;
    if (parts[1] && (!g_ascii_string_to_unsigned(g_strstrip(parts[1]), 10, 1, G_MAXUINT, &count, nullptr)))
        return entry;
    entry.fault = ParseFault(g_strstrip(parts[0]));
    entry.remaining = static_cast<unsigned>(count);
    return entry;
}

// Caller holds gFaultMutex.
void ParseEnv(const char* env)
{
    if (gEnvParsed && gEnvText == env)
        return;
    gEnvParsed = true;
    gEnvText = env;
    gEnvItems.clear();
    g_auto(GStrv) entries = g_strsplit(env, ",", -1);
    for (gchar** item = entries; *item; ++item) {
        g_strstrip(*item);
        g_auto(GStrv) parts = g_strsplit(*item, "=", 2);
        if (!parts[0] || !parts[1])
            continue;
        gEnvItems.push_back({g_strstrip(parts[0]), *item, ParseEntry(parts[1])});
    }
}

// want == name, or name + ":" + key, without building the text.
bool Matches(const std::string& want, const char* name, const char* key)
{
    if (!key)
        return want == name;
    const size_t length = std::strlen(name);
    return want.size() == length + 1 + std::strlen(key) && want.compare(0, length, name) == 0 && want[length] == ':' &&
           want.compare(length + 1, std::string::npos, key) == 0;
}

// Caller holds gFaultMutex.
Fault EnvFault(const char* env, const char* name, const char* key)
{
    if (!env || !*env)
        return Fault::None;
    ParseEnv(env);
    for (const EnvItem& item : gEnvItems) {
        if (!Matches(item.name, name, key))
            continue;
        if (item.entry.fault == Fault::None || item.entry.remaining == kUnlimited)
            return item.entry.fault;
        unsigned& spent = gEnvSpent[item.text];
        if (spent >= item.entry.remaining)
            return Fault::None;
        ++spent;
        return item.entry.fault;
    }
    return Fault::None;
}

// Caller holds gFaultMutex.
Fault Lookup(const char* env, const char* name, const char* key)
{
    if (!gFaults.empty()) {
        auto it = gFaults.find(key ? std::string(name) + ":" + key : std::string(name));
        if (it != gFaults.end()) {
            const Fault fault = it->second.fault;
            if (it->second.remaining != kUnlimited && --it->second.remaining == 0) {
                gFaults.erase(it);
                gFaultCount = gFaults.size();
            }
            return fault;
        }
    }
    return EnvFault(env, name, key);
}

} // namespace

void SetFault(const std::string& name, Fault fault, unsigned calls)
{
    std::lock_guard<std::mutex> guard(gFaultMutex);
    if (fault == Fault::None)
        gFaults.erase(name);
    else
        gFaults[name] = Entry{fault, calls};
    gFaultCount = gFaults.size();
}

void SetFault(const std::string& name, Fault fault)
{
    SetFault(name, fault, kUnlimited);
}

void ClearFault(const std::string& name)
{
    SetFault(name, Fault::None);
}

void ClearFaults()
{
    std::lock_guard<std::mutex> guard(gFaultMutex);
    gFaults.clear();
    gFaultCount = 0;
    gEnvSpent.clear();
}

Fault ActiveFault(const char* name, const char* key)
{
    if (!name)
        return Fault::None;
    const char* env = g_getenv(kFaultsEnv);
    if (gFaultCount == 0 && (!env || !*env))
        return Fault::None;
    std::lock_guard<std::mutex> guard(gFaultMutex);
    if (key) {
        Fault keyed = Lookup(env, name, key);
        if (keyed != Fault::None)
            return keyed;
    }
    return Lookup(env, name, nullptr);
}

} // namespace device
