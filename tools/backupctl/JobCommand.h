#ifndef BACKUPCTL_JOB_COMMAND_H
#define BACKUPCTL_JOB_COMMAND_H

// One backup, restore or get-info job requested the way the cloud backup
// client does: a ticket naming the job, the launch request to the service,
// then the job's report.

#include <string>

#include "cloud/CloudStore.h"

namespace backupctl {

struct JobOptions {
    cloud::JobType type = cloud::JobType::Backup;
    std::string backupId;     // restore only; empty: the newest
    cloud::FaultSet faults = 0;
    int timeoutSeconds = 30;
    bool json = false;
};

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitJobFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitRefused = 3;   // the service did not take the request
constexpr int kExitTimedOut = 4;  // no report in time

int RunJob(const JobOptions& options);

} // namespace backupctl

#endif
