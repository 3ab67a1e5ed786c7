#ifndef VELURIO_CLOUD_STORE_H
#define VELURIO_CLOUD_STORE_H

// The host's stand-in for the cloud server: a directory under the device root.
//
//   <root>/cloud/faults                     fault control file
//   <root>/cloud/reports/<job id>.json      one report per finished job
//   <root>/cloud/server/backups/<backup id>/backup.dat, meta.ini

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <device/app_control.h>

#include "Faults.h"
#include "RecordsFile.h"

namespace cloud {

enum class JobType { Backup, GetInfo, Restore };
const char* JobTypeName(JobType type);
std::optional<JobType> JobTypeFromName(const std::string& name);

std::string CloudDir();
std::string FaultsFilePath();
std::string ReportsDir();
std::string BackupsDir();
std::string ReportPath(const std::string& jobId);

// Parameters of a job. They come only from the launch request that started
// it, as extra data the client adds to the request: never from a file someone
// could leave in the root beforehand.
constexpr const char* kExtraJobId = "host.cloud.job_id";       // names the report
constexpr const char* kExtraBackupId = "host.cloud.backup_id"; // restore: which backup; default the newest
constexpr const char* kExtraFaults = "host.cloud.faults";      // faults for this job only
struct JobParameters {
    std::string id; // empty: the library makes one
    std::string backupId;
    FaultSet faults = 0;
};

// A new job id, unique and in creation order when sorted as text.
std::string NewJobId();
// Adds the parameters to a request (client side) / reads them from one.
void AddJobParameters(app_control_h request, const JobParameters& parameters);
JobParameters JobParametersOf(app_control_h request);
bool IsSafeId(const std::string& id);

struct StoredBackup {
    std::string id;
    int64_t createdMs = 0;
    int64_t fileSize = 0;
    std::vector<Record> records;
};

// Stores a new backup made of these records; returns its id or empty.
std::string StoreBackup(const std::vector<Record>& records, int64_t nowMs, std::string* error = nullptr);
// Stored backups, oldest first. Entries whose file does not read are skipped.
std::vector<StoredBackup> ListBackups();
std::optional<StoredBackup> LoadBackup(const std::string& id);

// Writes a report atomically.
bool WriteReport(const std::string& jobId, const std::string& json);

int64_t NowMs();

} // namespace cloud

#endif
