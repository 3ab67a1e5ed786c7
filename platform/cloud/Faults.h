#ifndef VELURIO_CLOUD_FAULTS_H
#define VELURIO_CLOUD_FAULTS_H

// Failures the library can be told to simulate, so that every error path of
// its callers can be exercised on the host. Chosen from outside the process:
// env WEATHER_CLOUD_FAULTS, the control file <root>/cloud/faults, or a job
// request (see README.md). Names are the ones in kFaultNames.

#include <cstdint>
#include <string>
#include <vector>

namespace cloud {

enum Fault : uint32_t {
    kFaultListCreate = 1u << 0,     // velurio_cloud_list_create fails
    kFaultMoveFirst = 1u << 1,      // velurio_cloud_list_move_to_first fails
    kFaultMoveNext = 1u << 2,       // velurio_cloud_list_move_to_next fails
    kFaultGetCurrent = 1u << 3,     // velurio_cloud_list_get_current_record fails
    kFaultNoKey = 1u << 4,          // first record handed to the service has no key
    kFaultNoValue = 1u << 5,        // first record handed to the service has no value
    kFaultTwoRecords = 1u << 6,     // two records are handed to the service
    kFaultEmptyFile = 1u << 7,      // no record at all is handed to the service
    kFaultCompleteFailed = 1u << 8, // completion is reported as failed
    kFaultCompleteNever = 1u << 9,  // completion is never reported
};
using FaultSet = uint32_t;

struct FaultName {
    const char* name;
    Fault fault;
};
extern const FaultName kFaultNames[10];

// Parses names separated by commas, semicolons, spaces or new lines; '#'
// starts a comment up to the end of the line. Unknown names are collected.
FaultSet ParseFaults(const std::string& text, std::vector<std::string>* unknown = nullptr);
std::vector<std::string> FaultNames(FaultSet faults);

// Faults chosen for the whole device: the environment plus the control file.
FaultSet ConfiguredFaults();

// Faults of the job in progress; the list functions consult them.
void SetActiveFaults(FaultSet faults);
bool FaultActive(Fault fault);

} // namespace cloud

#endif
