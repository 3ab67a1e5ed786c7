// libFuzzer target: arbitrary bytes as a records file (backup.dat, restore.dat).
//
// Each input is decoded twice: as it is (a digest that rarely matches keeps
// most inputs at the door) and with its last 32 bytes replaced by the digest
// of what precedes them, so the record parser behind the digest check gets
// the fuzzer's attention. Whatever decodes must encode and decode back to the
// same records.

#include <glib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cloud/RecordsFile.h"

namespace {

constexpr size_t kDigestSize = 32;

bool Same(const std::vector<cloud::Record>& a, const std::vector<cloud::Record>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].key != b[i].key || a[i].date != b[i].date || a[i].value != b[i].value || a[i].failed != b[i].failed)
            return false;
    return true;
}

void CheckRoundTrip(const std::string& image)
{
    std::vector<cloud::Record> records;
    if (cloud::DecodeRecords(image.data(), image.size(), records) != 0)
        return;
    std::string again;
    if (!cloud::EncodeRecords(records, again))
        std::abort(); // a file the reader accepts must be writable
    std::vector<cloud::Record> back;
    if (cloud::DecodeRecords(again.data(), again.size(), back) != 0 || !Same(records, back))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string raw(reinterpret_cast<const char*>(data), size);
    CheckRoundTrip(raw);
    if (size < kDigestSize)
        return 0;
    std::string fixed = raw.substr(0, size - kDigestSize);
    GChecksum* sum = g_checksum_new(G_CHECKSUM_SHA256);
    g_checksum_update(sum, reinterpret_cast<const guchar*>(fixed.data()), static_cast<gssize>(fixed.size()));
    guint8 digest[kDigestSize];
    gsize length = kDigestSize;
    g_checksum_get_digest(sum, digest, &length);
    g_checksum_free(sum);
    fixed.append(reinterpret_cast<const char*>(digest), kDigestSize);
    CheckRoundTrip(fixed);
    return 0;
}
