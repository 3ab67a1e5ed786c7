// Lists and records of cloud.h.
//
// Every live list and record is registered: a handle destroyed twice is
// refused instead of freed twice, and what a caller never released is freed
// when the library is deinitialised. Like the whole library, this is used
// from the main-loop thread only.

#include <memory>
#include <unordered_set>

#include "CloudHandles.h"
#include "JobRunner.h"
#include "Faults.h"

namespace {
std::unordered_set<velurio_cloud_list_h> gLists;
std::unordered_set<velurio_cloud_record_h> gRecords; // in a list or not

void DestroyList(velurio_cloud_list_h list)
{
    for (const auto& record : list->records)
        gRecords.erase(record.get());
    delete list;
}
} // namespace

namespace cloud {

velurio_cloud_list_h NewList(const std::vector<Record>& records)
{
    auto* list = new velurio_cloud_list_s();
    gLists.insert(list);
    for (const Record& r : records) {
        auto record = std::make_unique<velurio_cloud_record_s>();
        record->data = r;
        record->owner = list;
        gRecords.insert(record.get());
        list->records.push_back(std::move(record));
    }
    return list;
}

void ReleaseAllHandles()
{
    for (velurio_cloud_list_h list : gLists)
        DestroyList(list);
    gLists.clear();
    for (velurio_cloud_record_h record : gRecords)
        delete record; // only loose ones are left
    gRecords.clear();
}

std::vector<Record> ListRecords(velurio_cloud_list_h list)
{
    std::vector<Record> records;
    if (list == nullptr)
        return records;
    for (const auto& record : list->records)
        records.push_back(record->data);
    return records;
}

} // namespace cloud

namespace {

int SetText(velurio_cloud_record_h record, std::optional<std::string> cloud::Record::*field, const char* text,
            bool nullClears)
{
    if (record == nullptr || (text == nullptr && !nullClears))
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    if (text == nullptr)
        (record->data.*field).reset();
    else
        record->data.*field = std::string(text);
    return VELURIO_CLOUD_ERROR_NONE;
}

int GetText(velurio_cloud_record_h record, std::optional<std::string> cloud::Record::*field, const char** text)
{
    if (record == nullptr || text == nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    const auto& value = record->data.*field;
    *text = value ? value->c_str() : nullptr;
    return VELURIO_CLOUD_ERROR_NONE;
}

} // namespace

extern "C" {

int velurio_cloud_list_create(velurio_cloud_list_h* list)
{
    if (list == nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    *list = nullptr;
    if (cloud::FaultActive(cloud::kFaultListCreate))
        return VELURIO_CLOUD_ERROR_OUT_OF_MEMORY;
    *list = new velurio_cloud_list_s();
    gLists.insert(*list);
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_list_add(velurio_cloud_list_h list, velurio_cloud_record_h record)
{
    if (gLists.count(list) == 0 || gRecords.count(record) == 0)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    if (record->owner != nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_STATE;
    if (list->records.size() >= cloud::kMaxRecords)
        return VELURIO_CLOUD_ERROR_OUT_OF_MEMORY;
    list->records.emplace_back(record);
    record->owner = list;
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_list_get_record_count(velurio_cloud_list_h list, int* count)
{
    if (list == nullptr || count == nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    *count = static_cast<int>(list->records.size());
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_list_move_to_first(velurio_cloud_list_h list)
{
    if (list == nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    if (cloud::FaultActive(cloud::kFaultMoveFirst))
        return VELURIO_CLOUD_ERROR_INVALID_STATE;
    if (list->records.empty())
        return VELURIO_CLOUD_ERROR_NO_DATA;
    list->cursor = 0;
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_list_move_to_next(velurio_cloud_list_h list)
{
    if (list == nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    if (cloud::FaultActive(cloud::kFaultMoveNext))
        return VELURIO_CLOUD_ERROR_INVALID_STATE;
    if (list->cursor + 1 >= list->records.size())
        return VELURIO_CLOUD_ERROR_NO_DATA;
    ++list->cursor;
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_list_get_current_record(velurio_cloud_list_h list, velurio_cloud_record_h* record)
{
    if (list == nullptr || record == nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    *record = nullptr;
    if (cloud::FaultActive(cloud::kFaultGetCurrent))
        return VELURIO_CLOUD_ERROR_INVALID_STATE;
    if (list->cursor >= list->records.size())
        return VELURIO_CLOUD_ERROR_NO_DATA;
    *record = list->records[list->cursor].get();
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_list_destroy(velurio_cloud_list_h list)
{
    if (list == nullptr || gLists.erase(list) == 0)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    DestroyList(list);
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_record_create(velurio_cloud_record_h* record)
{
    if (record == nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    *record = new velurio_cloud_record_s();
    gRecords.insert(*record);
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_record_destroy(velurio_cloud_record_h record)
{
    if (gRecords.count(record) == 0)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    if (record->owner != nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_STATE;
    gRecords.erase(record);
    delete record;
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_record_set_key(velurio_cloud_record_h record, const char* key)
{
    return SetText(record, &cloud::Record::key, key, false);
}

int velurio_cloud_record_set_date(velurio_cloud_record_h record, const char* date)
{
    return SetText(record, &cloud::Record::date, date, true);
}

int velurio_cloud_record_set_value(velurio_cloud_record_h record, const char* value)
{
    return SetText(record, &cloud::Record::value, value, false);
}

int velurio_cloud_record_get_key(velurio_cloud_record_h record, const char** key)
{
    return GetText(record, &cloud::Record::key, key);
}

int velurio_cloud_record_get_date(velurio_cloud_record_h record, const char** date)
{
    return GetText(record, &cloud::Record::date, date);
}

int velurio_cloud_record_get_value(velurio_cloud_record_h record, const char** value)
{
    return GetText(record, &cloud::Record::value, value);
}

int velurio_cloud_record_set_fail(velurio_cloud_record_h record)
{
    if (record == nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    record->data.failed = true;
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_record_is_failed(velurio_cloud_record_h record, bool* failed)
{
    if (record == nullptr || failed == nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    *failed = record->data.failed;
    return VELURIO_CLOUD_ERROR_NONE;
}

int velurio_cloud_file_create_file(velurio_cloud_list_h list, const char* path)
{
    if (list == nullptr || path == nullptr || *path == '\0')
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    const int ret = cloud::WriteRecordsFile(path, cloud::ListRecords(list));
    if (ret == VELURIO_CLOUD_ERROR_NONE)
        cloud::NoteWrittenFile(path);
    return ret;
}

int velurio_cloud_file_create_record_list(const char* path, velurio_cloud_list_h* list)
{
    if (path == nullptr || list == nullptr)
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    *list = nullptr;
    std::vector<cloud::Record> records;
    int ret = cloud::ReadRecordsFile(path, records);
    if (ret != VELURIO_CLOUD_ERROR_NONE)
        return ret;
    // A file without records gives no list, so a caller that stops at a
    // count of 0 has nothing to release.
    if (records.empty())
        return VELURIO_CLOUD_ERROR_NO_DATA;
    *list = cloud::NewList(records);
    return VELURIO_CLOUD_ERROR_NONE;
}

} // extern "C"
