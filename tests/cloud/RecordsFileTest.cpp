// The records file format and the list/record handles around it.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <random>

#include <glib.h>
#include <glib/gstdio.h>

#include <device/cloud.h>

#include "cloud/RecordsFile.h"
#include "DeviceFixture.h"

using cloud::Record;

namespace {

class RecordsFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mDir = DeviceFixture::Root() + "/records-test";
        g_mkdir_with_parents(mDir.c_str(), 0755);
    }
    std::string Path(const char* name) const { return mDir + "/" + name; }

    std::string mDir;
};

std::vector<Record> SampleRecords()
{
    Record full{std::string("backup_item_tavo_weather"), std::string("1733400000123"),
                std::string("{\"tempUnit\":1,\"x\":\"\xc3\xa9\\n\"}"), false};
    Record sparse{std::nullopt, std::string(""), std::nullopt, true};
    Record binary{std::string("k"), std::nullopt, std::string("\x01\xff\x7f bytes", 9), false};
    return {full, sparse, binary};
}

bool Same(const std::vector<Record>& a, const std::vector<Record>& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].key != b[i].key || a[i].date != b[i].date || a[i].value != b[i].value || a[i].failed != b[i].failed)
            return false;
    return true;
}

void PutU32(std::string& image, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        image[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

// Recomputes the trailing SHA-256 so that a crafted body reaches the parser.
std::string Resign(std::string image)
{
    image.resize(image.size() - 32);
    GChecksum* sum = g_checksum_new(G_CHECKSUM_SHA256);
    g_checksum_update(sum, reinterpret_cast<const guchar*>(image.data()), static_cast<gssize>(image.size()));
    guint8 digest[32];
    gsize len = sizeof(digest);
    g_checksum_get_digest(sum, digest, &len);
    g_checksum_free(sum);
    image.append(reinterpret_cast<const char*>(digest), sizeof(digest));
    return image;
}

long MaxRssKb()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

TEST_F(RecordsFileTest, RoundTripKeepsEveryFieldIncludingAbsentOnes)
{
    const std::vector<Record> records = SampleRecords();
    ASSERT_EQ(cloud::WriteRecordsFile(Path("a.dat"), records), VELURIO_CLOUD_ERROR_NONE);
    std::vector<Record> back;
    ASSERT_EQ(cloud::ReadRecordsFile(Path("a.dat"), back), VELURIO_CLOUD_ERROR_NONE);
    EXPECT_TRUE(Same(records, back));

    // The same through the public list API.
    velurio_cloud_list_h list = nullptr;
    ASSERT_EQ(velurio_cloud_file_create_record_list(Path("a.dat").c_str(), &list), VELURIO_CLOUD_ERROR_NONE);
    int count = 0;
    ASSERT_EQ(velurio_cloud_list_get_record_count(list, &count), VELURIO_CLOUD_ERROR_NONE);
    ASSERT_EQ(count, 3);
    velurio_cloud_record_h record = nullptr;
    const char* text = nullptr;
    bool failed = false;
    ASSERT_EQ(velurio_cloud_list_move_to_next(list), VELURIO_CLOUD_ERROR_NONE);
    ASSERT_EQ(velurio_cloud_list_get_current_record(list, &record), VELURIO_CLOUD_ERROR_NONE);
    EXPECT_EQ(velurio_cloud_record_get_key(record, &text), VELURIO_CLOUD_ERROR_NONE);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(velurio_cloud_record_get_date(record, &text), VELURIO_CLOUD_ERROR_NONE);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(velurio_cloud_record_is_failed(record, &failed), VELURIO_CLOUD_ERROR_NONE);
    EXPECT_TRUE(failed);
    ASSERT_EQ(velurio_cloud_file_create_file(list, Path("b.dat").c_str()), VELURIO_CLOUD_ERROR_NONE);
    velurio_cloud_list_destroy(list);
    ASSERT_EQ(cloud::ReadRecordsFile(Path("b.dat"), back), VELURIO_CLOUD_ERROR_NONE);
    EXPECT_TRUE(Same(records, back));

    // No records: the file is valid but yields no list.
    ASSERT_EQ(cloud::WriteRecordsFile(Path("empty.dat"), {}), VELURIO_CLOUD_ERROR_NONE);
    list = reinterpret_cast<velurio_cloud_list_h>(1);
    EXPECT_EQ(velurio_cloud_file_create_record_list(Path("empty.dat").c_str(), &list), VELURIO_CLOUD_ERROR_NO_DATA);
    EXPECT_EQ(list, nullptr);
}

TEST_F(RecordsFileTest, EveryTruncationAndEveryFlippedByteReadsAsNoRecords)
{
    std::string image;
    ASSERT_TRUE(cloud::EncodeRecords(SampleRecords(), image));
    std::vector<Record> out;
    for (size_t len = 0; len < image.size(); ++len) {
        out.assign(1, Record());
        EXPECT_EQ(cloud::DecodeRecords(image.data(), len, out), VELURIO_CLOUD_ERROR_INVALID_FILE) << len;
        EXPECT_TRUE(out.empty());
    }
    for (size_t at = 0; at < image.size(); ++at) {
        std::string damaged = image;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x5a);
        EXPECT_EQ(cloud::DecodeRecords(damaged.data(), damaged.size(), out), VELURIO_CLOUD_ERROR_INVALID_FILE) << at;
        EXPECT_TRUE(out.empty());
    }
    // Through a file too: a truncated file gives no list and an error.
    ASSERT_TRUE(g_file_set_contents(Path("cut.dat").c_str(), image.data(), 40, nullptr));
    velurio_cloud_list_h list = nullptr;
    EXPECT_EQ(velurio_cloud_file_create_record_list(Path("cut.dat").c_str(), &list), VELURIO_CLOUD_ERROR_INVALID_FILE);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(velurio_cloud_file_create_record_list(Path("missing.dat").c_str(), &list), VELURIO_CLOUD_ERROR_IO_ERROR);
}

TEST_F(RecordsFileTest, WellSignedButInconsistentContentIsRefused)
{
    std::string image;
    ASSERT_TRUE(cloud::EncodeRecords({Record{std::string("key"), std::string("1"), std::string("v"), false}}, image));
    // Offsets: magic 0-7, version 8, count 12, flags 16, key/date/value lengths 17/21/25, bytes 29-33.
    struct Case {
        const char* what;
        std::function<void(std::string&)> damage;
    } cases[] = {
        {"foreign magic", [](std::string& s) { s[0] = 'X'; }},
        {"newer version", [](std::string& s) { PutU32(s, 8, 2); }},
        {"a million records", [](std::string& s) { PutU32(s, 12, 1000000); }},
        {"more records than bytes", [](std::string& s) { PutU32(s, 12, 2); }},
        {"fewer records than bytes", [](std::string& s) { PutU32(s, 12, 0); }},
        {"key length beyond the file", [](std::string& s) { PutU32(s, 17, 0xffffffffu); }},
        {"value length beyond the file", [](std::string& s) { PutU32(s, 25, 2); }},
        {"unknown flag", [](std::string& s) { s[16] = static_cast<char>(s[16] | 0x80); }},
        {"absent field with a length", [](std::string& s) { s[16] = static_cast<char>(s[16] & ~0x01); }},
        {"embedded NUL", [](std::string& s) { s[29] = '\0'; }},
        {"trailing bytes", [](std::string& s) { s.insert(s.size() - 32, "zz"); }},
    };
    std::vector<Record> out;
    for (const Case& c : cases) {
        std::string damaged = image;
        c.damage(damaged);
        damaged = Resign(damaged);
        out.assign(1, Record());
        EXPECT_EQ(cloud::DecodeRecords(damaged.data(), damaged.size(), out), VELURIO_CLOUD_ERROR_INVALID_FILE)
            << c.what;
        EXPECT_TRUE(out.empty()) << c.what;
    }
    // Random bodies behind a valid header and digest: an error or a full
    // parse, never anything in between (ASan watches the reads).
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i) {
        std::string body = image.substr(0, 16);
        body.resize(16 + random() % 64);
        for (size_t j = 12; j < body.size(); ++j)
            body[j] = static_cast<char>(random() % (j < 16 ? 3 : 256));
        body = Resign(body + std::string(32, '\0'));
        int ret = cloud::DecodeRecords(body.data(), body.size(), out);
        if (ret != VELURIO_CLOUD_ERROR_NONE) {
            EXPECT_TRUE(out.empty());
        }
    }
}

TEST_F(RecordsFileTest, OversizedFilesAreRefusedBeforeAllocation)
{
    const long before = MaxRssKb();
    // A 100 MB (sparse) file.
    const std::string big = Path("big.dat");
    FILE* f = fopen(big.c_str(), "w");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(ftruncate(fileno(f), 100L * 1024 * 1024), 0);
    fclose(f);
    std::vector<Record> out;
    EXPECT_EQ(cloud::ReadRecordsFile(big, out), VELURIO_CLOUD_ERROR_INVALID_FILE);
    g_unlink(big.c_str());

    // A small, correctly signed file that declares a million records each
    // claiming the largest field.
    std::string image;
    ASSERT_TRUE(cloud::EncodeRecords({Record{std::string("k"), std::nullopt, std::nullopt, false}}, image));
    PutU32(image, 12, 1000000);
    PutU32(image, 17, cloud::kMaxFieldLength + 1);
    image = Resign(image);
    EXPECT_EQ(cloud::DecodeRecords(image.data(), image.size(), out), VELURIO_CLOUD_ERROR_INVALID_FILE);
    EXPECT_LT(MaxRssKb() - before, 20 * 1024);

    // The writer refuses what the reader would refuse.
    std::vector<Record> tooMany(cloud::kMaxRecords + 1);
    EXPECT_EQ(cloud::WriteRecordsFile(Path("many.dat"), tooMany), VELURIO_CLOUD_ERROR_INVALID_PARAMETER);
    std::vector<Record> withNul{Record{std::string("a\0b", 3), std::nullopt, std::nullopt, false}};
    EXPECT_EQ(cloud::WriteRecordsFile(Path("nul.dat"), withNul), VELURIO_CLOUD_ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(g_file_test(Path("many.dat").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(RecordsFileTest, FailedWriteLeavesTheOldFileIntact)
{
    const std::string path = Path("backup.dat");
    const std::vector<Record> old{Record{std::string("k"), std::string("1"), std::string("old"), false}};
    ASSERT_EQ(cloud::WriteRecordsFile(path, old), VELURIO_CLOUD_ERROR_NONE);

    // A file size limit makes the write of a larger image fail half way.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*savedHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::vector<Record> large{Record{std::string("k"), std::string("2"), std::string(64 * 1024, 'n'), false}};
    const int ret = cloud::WriteRecordsFile(path, large);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, savedHandler);
    EXPECT_EQ(ret, VELURIO_CLOUD_ERROR_IO_ERROR);

    std::vector<Record> back;
    ASSERT_EQ(cloud::ReadRecordsFile(path, back), VELURIO_CLOUD_ERROR_NONE);
    EXPECT_TRUE(Same(old, back));
    // No temporary file is left behind.
    GDir* dir = g_dir_open(mDir.c_str(), 0, nullptr);
    ASSERT_NE(dir, nullptr);
    while (const gchar* name = g_dir_read_name(dir))
        EXPECT_FALSE(g_str_has_prefix(name, "backup.dat.")) << name;
    g_dir_close(dir);

    EXPECT_EQ(cloud::WriteRecordsFile(Path("no/such/dir/x.dat"), old), VELURIO_CLOUD_ERROR_IO_ERROR);
}

TEST(CloudHandlesTest, ListsOwnRecordsAndCursorStopsAtTheEnds)
{
    velurio_cloud_list_h list = nullptr;
    ASSERT_EQ(velurio_cloud_list_create(&list), VELURIO_CLOUD_ERROR_NONE);
    EXPECT_EQ(velurio_cloud_list_move_to_first(list), VELURIO_CLOUD_ERROR_NO_DATA);
    velurio_cloud_record_h first = nullptr, second = nullptr, current = nullptr;
    // An empty list has no current record (nothing is read past its end).
    current = reinterpret_cast<velurio_cloud_record_h>(&list);
    EXPECT_EQ(velurio_cloud_list_get_current_record(list, &current), VELURIO_CLOUD_ERROR_NO_DATA);
    EXPECT_EQ(current, nullptr);
    velurio_cloud_record_create(&first);
    velurio_cloud_record_create(&second);
    EXPECT_EQ(velurio_cloud_record_set_key(first, nullptr), VELURIO_CLOUD_ERROR_INVALID_PARAMETER);
    velurio_cloud_record_set_key(first, "a");
    velurio_cloud_record_set_date(first, "5");
    EXPECT_EQ(velurio_cloud_record_set_date(first, nullptr), VELURIO_CLOUD_ERROR_NONE);
    const char* text = "unset";
    velurio_cloud_record_get_date(first, &text);
    EXPECT_EQ(text, nullptr);
    ASSERT_EQ(velurio_cloud_list_add(list, first), VELURIO_CLOUD_ERROR_NONE);
    EXPECT_EQ(velurio_cloud_list_add(list, first), VELURIO_CLOUD_ERROR_INVALID_STATE);
    EXPECT_EQ(velurio_cloud_record_destroy(first), VELURIO_CLOUD_ERROR_INVALID_STATE);
    ASSERT_EQ(velurio_cloud_list_add(list, second), VELURIO_CLOUD_ERROR_NONE);

    EXPECT_EQ(velurio_cloud_list_move_to_first(list), VELURIO_CLOUD_ERROR_NONE);
    velurio_cloud_list_get_current_record(list, &current);
    EXPECT_EQ(current, first);
    EXPECT_EQ(velurio_cloud_list_move_to_next(list), VELURIO_CLOUD_ERROR_NONE);
    EXPECT_EQ(velurio_cloud_list_move_to_next(list), VELURIO_CLOUD_ERROR_NO_DATA);
    velurio_cloud_list_get_current_record(list, &current);
    EXPECT_EQ(current, second);
    EXPECT_EQ(velurio_cloud_list_destroy(list), VELURIO_CLOUD_ERROR_NONE); // frees both records

    velurio_cloud_record_h loose = nullptr;
    velurio_cloud_record_create(&loose);
    EXPECT_EQ(velurio_cloud_record_destroy(loose), VELURIO_CLOUD_ERROR_NONE);
    int count = 0;
    EXPECT_EQ(velurio_cloud_list_get_record_count(nullptr, &count), VELURIO_CLOUD_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(velurio_cloud_list_destroy(list), VELURIO_CLOUD_ERROR_INVALID_PARAMETER) << "second destroy";
    EXPECT_EQ(velurio_cloud_record_destroy(loose), VELURIO_CLOUD_ERROR_INVALID_PARAMETER) << "second destroy";

    // What a caller never released is freed by deinitialize (the sanitizer
    // build would report the leak otherwise).
    velurio_cloud_list_h forgotten = nullptr;
    velurio_cloud_list_create(&forgotten);
    velurio_cloud_record_create(&loose);
    ASSERT_EQ(velurio_cloud_initialize(), VELURIO_CLOUD_ERROR_NONE);
    ASSERT_EQ(velurio_cloud_deinitialize(), VELURIO_CLOUD_ERROR_NONE);
    EXPECT_EQ(velurio_cloud_list_destroy(forgotten), VELURIO_CLOUD_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(velurio_cloud_record_destroy(loose), VELURIO_CLOUD_ERROR_INVALID_PARAMETER);
}
