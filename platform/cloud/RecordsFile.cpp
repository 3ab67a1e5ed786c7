#include "RecordsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <glib.h>

#include <device/cloud.h>
#include <device/host.h>

namespace cloud {
namespace {

constexpr char kMagic[8] = {'V', 'C', 'L', 'D', 'R', 'E', 'C', '\n'};
constexpr size_t kHeaderSize = sizeof(kMagic) + 4 + 4; // magic, version, count
constexpr size_t kRecordHeaderSize = 1 + 4 + 4 + 4;    // flags, three lengths
constexpr size_t kDigestSize = 32;                     // SHA-256

enum : uint8_t {
    kHasKey = 1,
    kHasDate = 2,
    kHasValue = 4,
    kFailed = 8,
    kKnownFlags = kHasKey | kHasDate | kHasValue | kFailed,
};

void PutU32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

uint32_t GetU32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

void Digest(const char* data, size_t size, uint8_t out[kDigestSize])
{
    g_autoptr(GChecksum) sum = g_checksum_new(G_CHECKSUM_SHA256);
    g_checksum_update(sum, reinterpret_cast<const guchar*>(data), static_cast<gssize>(size));
    gsize len = kDigestSize;
    g_checksum_get_digest(sum, out, &len);
}

// A text field must be usable as a C string: no embedded NUL.
bool FieldOk(const std::optional<std::string>& field)
{
    return !field || (field->size() <= kMaxFieldLength && field->find('\0') == std::string::npos);
}

uint32_t FieldLength(const std::optional<std::string>& field)
{
    return field ? static_cast<uint32_t>(field->size()) : 0;
}

} // namespace

bool EncodeRecords(const std::vector<Record>& records, std::string& out)
{
    out.clear();
    if (records.size() > kMaxRecords)
        return false;
    out.append(kMagic, sizeof(kMagic));
    PutU32(out, kFormatVersion);
    PutU32(out, static_cast<uint32_t>(records.size()));
    for (const Record& r : records) {
        if (!FieldOk(r.key) || !FieldOk(r.date) || !FieldOk(r.value))
            return false;
        uint8_t flags =
            (r.key ? kHasKey : 0) | (r.date ? kHasDate : 0) | (r.value ? kHasValue : 0) | (r.failed ? kFailed : 0);
        out.push_back(static_cast<char>(flags));
        PutU32(out, FieldLength(r.key));
        PutU32(out, FieldLength(r.date));
        PutU32(out, FieldLength(r.value));
        if (r.key)
            out += *r.key;
        if (r.date)
            out += *r.date;
        if (r.value)
            out += *r.value;
        if (out.size() + kDigestSize > kMaxFileSize)
            return false;
    }
    uint8_t digest[kDigestSize];
    Digest(out.data(), out.size(), digest);
    out.append(reinterpret_cast<const char*>(digest), kDigestSize);
    return true;
}

int DecodeRecords(const char* data, size_t size, std::vector<Record>& out)
{
    out.clear();
    if (data == nullptr || size < kHeaderSize + kDigestSize || size > kMaxFileSize)
        return VELURIO_CLOUD_ERROR_INVALID_FILE;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    if (memcmp(bytes, kMagic, sizeof(kMagic)) != 0)
        return VELURIO_CLOUD_ERROR_INVALID_FILE;
    if (GetU32(bytes + 8) != kFormatVersion)
        return VELURIO_CLOUD_ERROR_INVALID_FILE;

    const size_t bodyEnd = size - kDigestSize;
    uint8_t digest[kDigestSize];
    Digest(data, bodyEnd, digest);
    if (memcmp(digest, bytes + bodyEnd, kDigestSize) != 0)
        return VELURIO_CLOUD_ERROR_INVALID_FILE;

    const uint32_t count = GetU32(bytes + 12);
    // Every record needs at least its header: a declared count that cannot fit
    // is refused before reserving anything.
    if (count > kMaxRecords || count > (bodyEnd - kHeaderSize) / kRecordHeaderSize)
        return VELURIO_CLOUD_ERROR_INVALID_FILE;

    std::vector<Record> records;
    records.reserve(count);
    size_t pos = kHeaderSize;
    for (uint32_t i = 0; i < count; ++i) {
        if (bodyEnd - pos < kRecordHeaderSize)
            return VELURIO_CLOUD_ERROR_INVALID_FILE;
        const uint8_t flags = bytes[pos];
        const uint32_t lengths[3] = {GetU32(bytes + pos + 1), GetU32(bytes + pos + 5), GetU32(bytes + pos + 9)};
        const uint8_t presence[3] = {kHasKey, kHasDate, kHasValue};
        pos += kRecordHeaderSize;
        if (flags & ~kKnownFlags)
            return VELURIO_CLOUD_ERROR_INVALID_FILE;
        Record record;
        std::optional<std::string>* fields[3] = {&record.key, &record.date, &record.value};
        for (int f = 0; f < 3; ++f) {
            const uint32_t len = lengths[f];
            if (!(flags & presence[f])) {
                if (len != 0)
                    return VELURIO_CLOUD_ERROR_INVALID_FILE;
                continue;
            }
            if (len > kMaxFieldLength || len > bodyEnd - pos)
                return VELURIO_CLOUD_ERROR_INVALID_FILE;
            if (memchr(bytes + pos, '\0', len) != nullptr)
                return VELURIO_CLOUD_ERROR_INVALID_FILE;
            fields[f]->emplace(data + pos, len);
            pos += len;
        }
        record.failed = (flags & kFailed) != 0;
        records.push_back(std::move(record));
    }
    if (pos != bodyEnd)
        return VELURIO_CLOUD_ERROR_INVALID_FILE;
    out = std::move(records);
    return VELURIO_CLOUD_ERROR_NONE;
}

int ReadRecordsFile(const std::string& path, std::vector<Record>& out)
{
    out.clear();
    if (path.empty())
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    std::string image;
    switch (device::ReadRegularFile(path, kMaxFileSize, &image)) {
    case device::ReadStatus::Ok:
        return DecodeRecords(image.data(), image.size(), out);
    case device::ReadStatus::TooLarge:
        return VELURIO_CLOUD_ERROR_INVALID_FILE;
    default:
        return VELURIO_CLOUD_ERROR_IO_ERROR;
    }
}

int WriteRecordsFile(const std::string& path, const std::vector<Record>& records)
{
    if (path.empty())
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    std::string image;
    if (!EncodeRecords(records, image))
        return VELURIO_CLOUD_ERROR_INVALID_PARAMETER;
    // A fresh file renamed into place in a trusted directory: whatever was
    // planted at the path is replaced, never written through.
    if (!device::WritePrivateFile(path, image))
        return VELURIO_CLOUD_ERROR_IO_ERROR;
    return VELURIO_CLOUD_ERROR_NONE;
}

} // namespace cloud
