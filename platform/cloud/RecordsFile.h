#ifndef VELURIO_CLOUD_RECORDS_FILE_H
#define VELURIO_CLOUD_RECORDS_FILE_H

// The records file: the one format in which records travel between the
// service and the cloud (backup.dat, restore.dat, stored backups).
// Layout and limits are described in platform/cloud/README.md.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cloud {

struct Record {
    std::optional<std::string> key;
    std::optional<std::string> date;
    std::optional<std::string> value;
    bool failed = false;
};

// Limits checked before anything is allocated for a file.
constexpr size_t kMaxFileSize = 8u * 1024u * 1024u;
constexpr uint32_t kMaxRecords = 4096;
constexpr uint32_t kMaxFieldLength = 1024u * 1024u;
constexpr uint32_t kFormatVersion = 1;

// Serialises records; false when they exceed the limits (the reader would
// refuse the result).
bool EncodeRecords(const std::vector<Record>& records, std::string& out);

// Parses a whole file image. On any defect returns an error code of cloud.h
// and leaves `out` empty: never a partial result.
int DecodeRecords(const char* data, size_t size, std::vector<Record>& out);

// Reads a file, refusing one larger than kMaxFileSize before reading it.
int ReadRecordsFile(const std::string& path, std::vector<Record>& out);

// Writes atomically: temporary file in the same directory, fsync, rename.
// The previous file stays intact when anything fails.
int WriteRecordsFile(const std::string& path, const std::vector<Record>& records);

} // namespace cloud

#endif
