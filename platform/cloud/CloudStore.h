#ifndef VELURIO_CLOUD_STORE_H
#define VELURIO_CLOUD_STORE_H

// The host's stand-in for the cloud server: a directory under the device root.
//
//   <root>/cloud/faults                     fault control file
//   <root>/cloud/tickets/<job id>.ticket    parameters of the next job of a type
//   <root>/cloud/reports/<job id>.json      one report per finished job
//   <root>/cloud/server/backups/<backup id>/backup.dat, meta.ini

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Faults.h"
#include "RecordsFile.h"

namespace cloud {

enum class JobType { Backup, GetInfo, Restore };
const char* JobTypeName(JobType type);
std::optional<JobType> JobTypeFromName(const std::string& name);

std::string CloudDir();
std::string FaultsFilePath();
std::string TicketsDir();
std::string ReportsDir();
std::string BackupsDir();
std::string ReportPath(const std::string& jobId);

struct Ticket {
    std::string id;         // also the name of the job's report
    JobType type = JobType::Backup;
    std::string backupId;   // restore: the stored backup to restore; empty: the newest
    FaultSet faults = 0;
};

// A new ticket id, unique and in creation order when sorted as text.
std::string NewTicketId();
bool WriteTicket(const Ticket& ticket, std::string* error = nullptr);
// Takes (reads and removes) the oldest ticket of that job type.
std::optional<Ticket> TakeTicket(JobType type);

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
