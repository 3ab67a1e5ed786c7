#include "CloudStore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <atomic>

#include <glib.h>
#include <glib/gstdio.h>

#include <device/cloud.h>
#include <device/host.h>

namespace cloud {
namespace {

constexpr const char* kTicketSuffix = ".ticket";
constexpr const char* kGroup = "ticket";
constexpr const char* kMetaGroup = "backup";

bool EnsureDir(const std::string& dir)
{
    return g_mkdir_with_parents(dir.c_str(), 0755) == 0;
}

std::vector<std::string> SortedEntries(const std::string& dir)
{
    std::vector<std::string> names;
    GDir* handle = g_dir_open(dir.c_str(), 0, nullptr);
    if (handle == nullptr) return names;
    while (const gchar* name = g_dir_read_name(handle)) names.emplace_back(name);
    g_dir_close(handle);
    std::sort(names.begin(), names.end());
    return names;
}

bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Ids name files: keep them to a safe alphabet.
bool SafeId(const std::string& id)
{
    if (id.empty() || id.size() > 128 || id[0] == '.') return false;
    return std::all_of(id.begin(), id.end(), [](char c) { return g_ascii_isalnum(c) || c == '-' || c == '_' || c == '.'; });
}

std::string TimeStamp(int64_t ms)
{
    GDateTime* time = g_date_time_new_from_unix_utc(ms / 1000);
    if (time == nullptr) return "0";
    gchar* text = g_date_time_format(time, "%Y%m%dT%H%M%S");
    std::string stamp = text ? text : "0";
    g_free(text);
    g_date_time_unref(time);
    char millis[8];
    g_snprintf(millis, sizeof(millis), "%03d", static_cast<int>(ms % 1000));
    return stamp + millis;
}

} // namespace

const char* JobTypeName(JobType type)
{
    switch (type) {
    case JobType::Backup: return "backup";
    case JobType::GetInfo: return "get_info";
    case JobType::Restore: return "restore";
    }
    return "unknown";
}

std::optional<JobType> JobTypeFromName(const std::string& name)
{
    for (JobType type : {JobType::Backup, JobType::GetInfo, JobType::Restore})
        if (name == JobTypeName(type)) return type;
    return std::nullopt;
}

std::string CloudDir() { return device::Root() + "/cloud"; }
std::string FaultsFilePath() { return CloudDir() + "/faults"; }
std::string TicketsDir() { return CloudDir() + "/tickets"; }
std::string ReportsDir() { return CloudDir() + "/reports"; }
std::string BackupsDir() { return CloudDir() + "/server/backups"; }
std::string ReportPath(const std::string& jobId) { return ReportsDir() + "/" + jobId + ".json"; }

int64_t NowMs()
{
    return g_get_real_time() / 1000;
}

std::string NewTicketId()
{
    static std::atomic<unsigned> sequence{0};
    char suffix[32];
    g_snprintf(suffix, sizeof(suffix), "-%d-%u", static_cast<int>(getpid()), sequence++);
    return TimeStamp(NowMs()) + suffix;
}

bool WriteTicket(const Ticket& ticket, std::string* error)
{
    if (!SafeId(ticket.id)) {
        if (error) *error = "invalid ticket id";
        return false;
    }
    if (!EnsureDir(TicketsDir())) {
        if (error) *error = "cannot create " + TicketsDir();
        return false;
    }
    GKeyFile* file = g_key_file_new();
    g_key_file_set_string(file, kGroup, "type", JobTypeName(ticket.type));
    if (!ticket.backupId.empty()) g_key_file_set_string(file, kGroup, "backup_id", ticket.backupId.c_str());
    std::string faults;
    for (const std::string& name : FaultNames(ticket.faults)) faults += (faults.empty() ? "" : ",") + name;
    if (!faults.empty()) g_key_file_set_string(file, kGroup, "faults", faults.c_str());
    GError* gerror = nullptr;
    std::string path = TicketsDir() + "/" + ticket.id + kTicketSuffix;
    bool ok = g_key_file_save_to_file(file, path.c_str(), &gerror);
    if (!ok && error) *error = gerror ? gerror->message : "cannot write ticket";
    g_clear_error(&gerror);
    g_key_file_free(file);
    return ok;
}

std::optional<Ticket> TakeTicket(JobType type)
{
    const std::string dir = TicketsDir();
    for (const std::string& name : SortedEntries(dir)) {
        if (!EndsWith(name, kTicketSuffix)) continue;
        const std::string path = dir + "/" + name;
        GKeyFile* file = g_key_file_new();
        bool loaded = g_key_file_load_from_file(file, path.c_str(), G_KEY_FILE_NONE, nullptr);
        gchar* typeName = loaded ? g_key_file_get_string(file, kGroup, "type", nullptr) : nullptr;
        std::optional<JobType> ticketType = typeName ? JobTypeFromName(typeName) : std::nullopt;
        g_free(typeName);
        if (!loaded || !ticketType) {
            // Unreadable tickets would block their slot forever.
            g_key_file_free(file);
            g_unlink(path.c_str());
            continue;
        }
        if (*ticketType != type) {
            g_key_file_free(file);
            continue;
        }
        Ticket ticket;
        ticket.id = name.substr(0, name.size() - strlen(kTicketSuffix));
        ticket.type = type;
        if (gchar* id = g_key_file_get_string(file, kGroup, "backup_id", nullptr)) {
            ticket.backupId = id;
            g_free(id);
        }
        if (gchar* faults = g_key_file_get_string(file, kGroup, "faults", nullptr)) {
            ticket.faults = ParseFaults(faults);
            g_free(faults);
        }
        g_key_file_free(file);
        g_unlink(path.c_str());
        return ticket;
    }
    return std::nullopt;
}

std::string StoreBackup(const std::vector<Record>& records, int64_t nowMs, std::string* error)
{
    if (!EnsureDir(BackupsDir())) {
        if (error) *error = "cannot create " + BackupsDir();
        return "";
    }
    // Ids sort in creation order; a second backup in the same millisecond
    // gets a suffix.
    std::string base = TimeStamp(nowMs);
    std::string id = base;
    std::string dir;
    for (int n = 1;; ++n) {
        dir = BackupsDir() + "/" + id;
        if (g_mkdir(dir.c_str(), 0755) == 0) break;
        if (errno != EEXIST || n > 999) {
            if (error) *error = "cannot create " + dir;
            return "";
        }
        char suffix[8];
        g_snprintf(suffix, sizeof(suffix), "-%03d", n);
        id = base + suffix;
    }
    const std::string dataPath = dir + "/backup.dat";
    if (WriteRecordsFile(dataPath, records) != VELURIO_CLOUD_ERROR_NONE) {
        if (error) *error = "cannot write " + dataPath;
        g_rmdir(dir.c_str());
        return "";
    }
    GStatBuf st {};
    g_stat(dataPath.c_str(), &st);
    GKeyFile* meta = g_key_file_new();
    g_key_file_set_string(meta, kMetaGroup, "id", id.c_str());
    g_key_file_set_int64(meta, kMetaGroup, "created_ms", nowMs);
    g_key_file_set_int64(meta, kMetaGroup, "file_size", st.st_size);
    bool ok = g_key_file_save_to_file(meta, (dir + "/meta.ini").c_str(), nullptr);
    g_key_file_free(meta);
    if (!ok) {
        if (error) *error = "cannot write meta.ini of " + id;
        g_unlink(dataPath.c_str());
        g_rmdir(dir.c_str());
        return "";
    }
    return id;
}

std::optional<StoredBackup> LoadBackup(const std::string& id)
{
    if (!SafeId(id)) return std::nullopt;
    const std::string dir = BackupsDir() + "/" + id;
    StoredBackup backup;
    backup.id = id;
    if (ReadRecordsFile(dir + "/backup.dat", backup.records) != VELURIO_CLOUD_ERROR_NONE) return std::nullopt;
    GKeyFile* meta = g_key_file_new();
    if (g_key_file_load_from_file(meta, (dir + "/meta.ini").c_str(), G_KEY_FILE_NONE, nullptr)) {
        backup.createdMs = g_key_file_get_int64(meta, kMetaGroup, "created_ms", nullptr);
        backup.fileSize = g_key_file_get_int64(meta, kMetaGroup, "file_size", nullptr);
    }
    g_key_file_free(meta);
    return backup;
}

std::vector<StoredBackup> ListBackups()
{
    std::vector<StoredBackup> backups;
    for (const std::string& name : SortedEntries(BackupsDir()))
        if (auto backup = LoadBackup(name)) backups.push_back(std::move(*backup));
    return backups;
}

bool WriteReport(const std::string& jobId, const std::string& json)
{
    if (!SafeId(jobId) || !EnsureDir(ReportsDir())) return false;
    return g_file_set_contents(ReportPath(jobId).c_str(), json.data(), static_cast<gssize>(json.size()), nullptr);
}

} // namespace cloud
