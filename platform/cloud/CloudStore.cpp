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

constexpr const char* kMetaGroup = "backup";

bool EnsureDir(const std::string& dir)
{
    return device::MakePrivateDirs(dir);
}

bool SaveKeyFile(GKeyFile* file, const std::string& path)
{
    gsize length = 0;
    g_autofree gchar* data = g_key_file_to_data(file, &length, nullptr);
    return device::WritePrivateFile(path, std::string(data, length));
}

std::vector<std::string> SortedEntries(const std::string& dir)
{
    std::vector<std::string> names;
    g_autoptr(GDir) handle = g_dir_open(dir.c_str(), 0, nullptr);
    if (handle == nullptr)
        return names;
    while (const gchar* name = g_dir_read_name(handle))
        names.emplace_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

// Ids name files: keep them to a safe alphabet.
bool SafeId(const std::string& id)
{
    if (id.empty() || id.size() > 128 || id[0] == '.')
        return false;
    return std::all_of(id.begin(), id.end(),
                       [](char c) { return g_ascii_isalnum(c) || c == '-' || c == '_' || c == '.'; });
}

std::string TimeStamp(int64_t ms)
{
    g_autoptr(GDateTime) time = g_date_time_new_from_unix_utc(ms / 1000);
    if (time == nullptr)
        return "0";
    g_autofree gchar* text = g_date_time_format(time, "%Y%m%dT%H%M%S");
    std::string stamp = text ? text : "0";
    char millis[8];
    g_snprintf(millis, sizeof(millis), "%03d", static_cast<int>(ms % 1000));
    return stamp + millis;
}

} // namespace

const char* JobTypeName(JobType type)
{
    switch (type) {
    case JobType::Backup:
        return "backup";
    case JobType::GetInfo:
        return "get_info";
    case JobType::Restore:
        return "restore";
    }
    return "unknown";
}

std::optional<JobType> JobTypeFromName(const std::string& name)
{
    for (JobType type : {JobType::Backup, JobType::GetInfo, JobType::Restore})
        if (name == JobTypeName(type))
            return type;
    return std::nullopt;
}

std::string CloudDir()
{
    return device::Root() + "/cloud";
}
std::string FaultsFilePath()
{
    return CloudDir() + "/faults";
}
std::string ReportsDir()
{
    return CloudDir() + "/reports";
}
std::string BackupsDir()
{
    return CloudDir() + "/server/backups";
}
std::string ReportPath(const std::string& jobId)
{
    return ReportsDir() + "/" + jobId + ".json";
}

int64_t NowMs()
{
    return g_get_real_time() / 1000;
}

std::string NewJobId()
{
    static std::atomic<unsigned> sequence{0};
    char suffix[32];
    g_snprintf(suffix, sizeof(suffix), "-%d-%u", static_cast<int>(getpid()), sequence++);
    return TimeStamp(NowMs()) + suffix;
}

void AddJobParameters(app_control_h request, const JobParameters& parameters)
{
    if (!parameters.id.empty())
        app_control_add_extra_data(request, kExtraJobId, parameters.id.c_str());
    if (!parameters.backupId.empty())
        app_control_add_extra_data(request, kExtraBackupId, parameters.backupId.c_str());
    std::string faults;
    for (const std::string& name : FaultNames(parameters.faults))
        faults += (faults.empty() ? "" : ",") + name;
    if (!faults.empty())
        app_control_add_extra_data(request, kExtraFaults, faults.c_str());
}

JobParameters JobParametersOf(app_control_h request)
{
    JobParameters parameters;
    if (request == nullptr)
        return parameters;
    auto text = [request](const char* key) {
        char* value = nullptr;
        std::string result;
        if (app_control_get_extra_data(request, key, &value) == APP_CONTROL_ERROR_NONE && value)
            result = value;
        free(value);
        return result;
    };
    parameters.id = text(kExtraJobId);
    if (!SafeId(parameters.id))
        parameters.id.clear();
    parameters.backupId = text(kExtraBackupId);
    parameters.faults = ParseFaults(text(kExtraFaults));
    return parameters;
}

bool IsSafeId(const std::string& id)
{
    return SafeId(id);
}

std::string StoreBackup(const std::vector<Record>& records, int64_t nowMs, std::string* error)
{
    if (!EnsureDir(BackupsDir())) {
        if (error)
            *error = "cannot create " + BackupsDir();
        return "";
    }
    // Ids sort in creation order; a second backup in the same millisecond
    // gets a suffix.
    std::string base = TimeStamp(nowMs);
    std::string id = base;
    std::string dir;
    for (int n = 1;; ++n) {
        dir = BackupsDir() + "/" + id;
        // Its parents were just checked; a directory this call made is ours,
        // and 0700 whatever the umask.
        if (g_mkdir(dir.c_str(), 0700) == 0 && g_chmod(dir.c_str(), 0700) == 0)
            break;
        if (errno != EEXIST || n > 999) {
            if (error)
                *error = "cannot create " + dir;
            return "";
        }
        char suffix[8];
        g_snprintf(suffix, sizeof(suffix), "-%03d", n);
        id = base + suffix;
    }
    const std::string dataPath = dir + "/backup.dat";
    if (WriteRecordsFile(dataPath, records) != VELURIO_CLOUD_ERROR_NONE) {
        if (error)
            *error = "cannot write " + dataPath;
        g_rmdir(dir.c_str());
        return "";
    }
    GStatBuf st{};
    g_stat(dataPath.c_str(), &st);
    g_autoptr(GKeyFile) meta = g_key_file_new();
    g_key_file_set_string(meta, kMetaGroup, "id", id.c_str());
    g_key_file_set_int64(meta, kMetaGroup, "created_ms", nowMs);
    g_key_file_set_int64(meta, kMetaGroup, "file_size", st.st_size);
    if (!SaveKeyFile(meta, dir + "/meta.ini")) {
        if (error)
            *error = "cannot write meta.ini of " + id;
        g_unlink(dataPath.c_str());
        g_rmdir(dir.c_str());
        return "";
    }
    return id;
}

std::optional<StoredBackup> LoadBackup(const std::string& id)
{
    if (!SafeId(id))
        return std::nullopt;
    const std::string dir = BackupsDir() + "/" + id;
    StoredBackup backup;
    backup.id = id;
    if (ReadRecordsFile(dir + "/backup.dat", backup.records) != VELURIO_CLOUD_ERROR_NONE)
        return std::nullopt;
    g_autoptr(GKeyFile) meta = g_key_file_new();
    std::string metaText;
    if (device::ReadRegularFile(dir + "/meta.ini", device::kMaxStoreFileSize, &metaText) == device::ReadStatus::Ok &&
        g_key_file_load_from_data(meta, metaText.data(), metaText.size(), G_KEY_FILE_NONE, nullptr)) {
        backup.createdMs = g_key_file_get_int64(meta, kMetaGroup, "created_ms", nullptr);
        backup.fileSize = g_key_file_get_int64(meta, kMetaGroup, "file_size", nullptr);
    }
    return backup;
}

std::vector<StoredBackup> ListBackups()
{
    std::vector<StoredBackup> backups;
    for (const std::string& name : SortedEntries(BackupsDir()))
        if (auto backup = LoadBackup(name))
            backups.push_back(std::move(*backup));
    return backups;
}

bool WriteReport(const std::string& jobId, const std::string& json)
{
    if (!SafeId(jobId) || !EnsureDir(ReportsDir()))
        return false;
    return device::WritePrivateFile(ReportPath(jobId), json);
}

} // namespace cloud
