#ifndef BACKUPCTL_JOB_COMMAND_H
#define BACKUPCTL_JOB_COMMAND_H

// One backup, restore or get-info job requested the way the cloud backup
// client does: the launch request to the service, carrying the job's id and
// parameters, then the job's report.

#include <string>

#include "cloud/CloudStore.h"

namespace backupctl {

struct JobOptions {
    cloud::JobType type = cloud::JobType::Backup;
    std::string backupId; // restore only; empty: the newest
    cloud::FaultSet faults = 0;
    int timeoutSeconds = 30;
    bool json = false;
};

// Exit codes (listed in the README and --help).
constexpr int kExitOk = 0;
constexpr int kExitJobFailed = 1;    // the job ran and its report says it failed
constexpr int kExitUsage = 2;        // usage or local error
constexpr int kExitRefused = 3;      // the service answered the request with a refusal
constexpr int kExitTimedOut = 4;     // the service runs, but no report came in time
constexpr int kExitNotDelivered = 5; // the request never reached a service (not installed, no answer in time)
constexpr int kExitServiceDied = 6;  // the service could not start, or ended without answering or reporting
constexpr int kExitReportError = 7;  // the report directory cannot be written, or the report not read

int RunJob(const JobOptions& options);

} // namespace backupctl

#endif
