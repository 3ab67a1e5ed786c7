// Fault injection for tests: in-process table plus WEATHER_DEVICE_FAULTS.

#include <device/host.h>

#include <glib.h>

#include <map>
#include <mutex>

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
// Checks already failed by count-limited entries of kFaultsEnv, by entry text,
// so a limit holds in this process while the variable stays the same.
std::map<std::string, unsigned> gEnvSpent;

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
Fault EnvFault(const std::string& name)
{
    const char* env = g_getenv(kFaultsEnv);
    if (!env || !*env)
        return Fault::None;
    g_auto(GStrv) entries = g_strsplit(env, ",", -1);
    for (gchar** item = entries; *item; ++item) {
        g_auto(GStrv) parts = g_strsplit(g_strstrip(*item), "=", 2);
        if (!parts[0] || !parts[1] || name != g_strstrip(parts[0]))
            continue;
        const Entry entry = ParseEntry(parts[1]);
        if (entry.fault == Fault::None || entry.remaining == kUnlimited)
            return entry.fault;
        unsigned& spent = gEnvSpent[*item];
        if (spent >= entry.remaining)
            return Fault::None;
        ++spent;
        return entry.fault;
    }
    return Fault::None;
}

Fault Lookup(const std::string& name)
{
    std::lock_guard<std::mutex> guard(gFaultMutex);
    auto it = gFaults.find(name);
    if (it == gFaults.end())
        return EnvFault(name);
    const Fault fault = it->second.fault;
    if (it->second.remaining != kUnlimited && --it->second.remaining == 0)
        gFaults.erase(it);
    return fault;
}

} // namespace

void SetFault(const std::string& name, Fault fault, unsigned calls)
{
    std::lock_guard<std::mutex> guard(gFaultMutex);
    if (fault == Fault::None)
        gFaults.erase(name);
    else
        gFaults[name] = Entry{fault, calls};
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
    gEnvSpent.clear();
}

Fault ActiveFault(const char* name, const char* key)
{
    if (!name)
        return Fault::None;
    if (key) {
        Fault keyed = Lookup(std::string(name) + ":" + key);
        if (keyed != Fault::None)
            return keyed;
    }
    return Lookup(name);
}

} // namespace device
