#ifndef VELURIO_CLOUD_HANDLES_H
#define VELURIO_CLOUD_HANDLES_H

// What the opaque list and record handles of cloud.h point to.

#include <memory>
#include <vector>

#include <device/cloud.h>

#include "RecordsFile.h"

struct velurio_cloud_record_s {
    cloud::Record data;
    velurio_cloud_list_s* owner = nullptr; // the list that owns it, if any
};

struct velurio_cloud_list_s {
    std::vector<std::unique_ptr<velurio_cloud_record_s>> records;
    size_t cursor = 0;
};

namespace cloud {

// A new list holding copies of the records (never fails; no fault applies).
velurio_cloud_list_h NewList(const std::vector<Record>& records);
std::vector<Record> ListRecords(velurio_cloud_list_h list);
// Frees every list and every record outside a list still alive.
void ReleaseAllHandles();

} // namespace cloud

#endif
