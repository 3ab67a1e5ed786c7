#include <gtest/gtest.h>

#include <device/host.h>

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include "utils/FileHelper.h"
#include "DeviceFixture.h"
#include "LogLines.h"
#include "SqliteTestUtil.h"

using utils_test::HasGuard;
using utils_test::HasLine;

namespace {

const char* const kFile = "FileHelper.cpp";

FileHelper* Files()
{
    return FileHelper::GetInstance();
}

// The directory caches live for the whole process, so their scenario runs in
// a fresh copy of this program and reports each failed check on stderr.
std::string gProblems;
#define CHECK(condition) gProblems += (condition) ? "" : "failed: " #condition "\n"

// Both directory caches: a failed lookup is not cached, a good one is kept.
void DirectoryCacheScenario()
{
    const std::string dir = device::PackageSharedDataDir("com.velurio.weather");
    {
        LogCapture log;
        device::SetFault("app_manager_get_app_id", device::Fault::Error);
        CHECK(Files()->GetSharedDataDirectoryPath().empty());
        CHECK(HasLine(log, kFile, "GetSharedDataDirectoryPath",
                      "[GetSharedDataDirectoryPath(): N] app_manager_get_app_id failed for pid:" +
                          std::to_string(getpid()) + " [return]"));
        device::ClearFaults();
    }
    const std::pair<device::Fault, const char*> cases[] = {
        {device::Fault::Error, "ret != ERR_OK"},
        {device::Fault::Null, "sharedDataDirPath == NULL"},
        {device::Fault::Empty, "sharedDataDirPath < 1"},
    };
    for (const auto& [fault, guard] : cases) {
        LogCapture log;
        device::SetFault("app_manager_get_shared_data_path", fault);
        CHECK(Files()->GetSharedDataDirectoryPath().empty());
        CHECK(HasGuard(log, kFile, "GetSharedDataDirectoryPath", guard));
        // Never the bare relative name.
        CHECK(Files()->GetSharedDataDummySettingDBFilePath().empty());
        CHECK(HasGuard(log, kFile, "GetSharedDataDummySettingDBFilePath", "ret.length() < 1"));
    }
    device::ClearFaults();
    CHECK(Files()->GetSharedDataDirectoryPath() == dir);
    // From now on the platform is not asked again.
    device::SetFault("app_manager_get_shared_data_path", device::Fault::Error);
    {
        LogCapture log;
        CHECK(Files()->GetSharedDataDummyDBFilePath() == dir + "db/.weather.db");
        CHECK(log.Lines().empty());
    }

    const std::string res = device::PackageResourceDir("com.velurio.weather");
    LogCapture log;
    device::SetFault("app_get_resource_path", device::Fault::Null);
    CHECK(Files()->GetResourceDirectoryPath().empty());
    CHECK(HasLine(log, kFile, "GetResourceDirectoryPath", "app_get_resource_path : (null)"));
    CHECK(HasGuard(log, kFile, "GetResourceDirectoryPath", "resourceDirPath == NULL"));
    device::SetFault("app_get_resource_path", device::Fault::Empty);
    CHECK(Files()->GetResourceDirectoryPath().empty());
    CHECK(HasGuard(log, kFile, "GetResourceDirectoryPath", "resourceDirPath < 1"));
    device::ClearFaults();
    CHECK(Files()->GetResourceDirectoryPath() == res);
    CHECK(HasLine(log, kFile, "GetResourceDirectoryPath", "app_get_resource_path : " + res));
    device::SetFault("app_get_resource_path", device::Fault::Null);
    CHECK(Files()->GetEdjResourceFilePath() == res + "edje/Resources.edj");
}

class FileHelperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeviceFixture::Reset();
        mDir = DeviceFixture::Root() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        mkdir(mDir.c_str(), 0755);
    }
    void TearDown() override { DeviceFixture::Reset(); }

    std::string mDir;
};

} // namespace

TEST_F(FileHelperTest, DirectoriesRetryAfterFailureThenCache)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            DirectoryCacheScenario();
            std::fputs(gProblems.c_str(), stderr);
            std::exit(gProblems.empty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(FileHelperTest, MakeDirectoryIsTrueOnlyWhenItCreates)
{
    LogCapture log;
    EXPECT_TRUE(Files()->MakeDirectory(mDir + "/db"));
    EXPECT_FALSE(Files()->MakeDirectory(mDir + "/db"));
    EXPECT_TRUE(log.Lines().empty()) << "an existing directory is not an error";

    EXPECT_FALSE(Files()->MakeDirectory(mDir + "/missing/db"));
    EXPECT_TRUE(HasLine(log, kFile, "MakeDirectory", "mkdir failed(path:" + mDir + "/missing/db), errno:2"));
    EXPECT_FALSE(Files()->MakeDirectory(""));
    EXPECT_TRUE(HasGuard(log, kFile, "MakeDirectory", "path.length() < 1"));
}

TEST_F(FileHelperTest, WriteToFileWritesZeroBytesAndTruncates)
{
    const std::string path = mDir + "/blob";
    const std::string content("a\0b\0\0c", 6);
    Files()->WriteToFile(std::string(100, 'x'), path);
    Files()->WriteToFile(content, path);
    EXPECT_EQ(ReadText(path), content);

    LogCapture log;
    Files()->RemoveFile(path);
    EXPECT_FALSE(Files()->IsExists(path));
    Files()->RemoveFile(path);
    EXPECT_TRUE(HasLine(log, kFile, "RemoveFile", "[RemoveFile(): N] " + path + " [return]"));
}

// Each file lies in its own directory under its own name; this process runs as
// the default service, whose package is the weather package.
TEST_F(FileHelperTest, EachFileHasItsOwnPlace)
{
    const std::string data = device::PackageSharedDataDir("com.velurio.weather");
    const std::string res = device::PackageSharedResourceDir("com.velurio.weather");
    const std::pair<std::string, std::string> paths[] = {
        {Files()->GetSharedDataDummyDBFilePath(), data + "db/.weather.db"},
        {Files()->GetSharedDataDummySettingDBFilePath(), data + "db/.setting.db"},
        {Files()->GetSharedDataDummyVersionDBFilePath(), data + "db/.version.db"},
        {Files()->GetSharedDataDummySharedTargetDBFilePath(), data + "db/.share_target.db"},
        {Files()->GetWeatherInfoJsonFilePath(), data + "db/.json.txt"},
        {Files()->GetSharedResourceDummyDBFilePath(), res + "db/.weather.db"},
        {Files()->GetSharedResourceDummySettingDBFilePath(), res + "db/.setting.db"},
        {Files()->GetSharedResourceDummyVersionDBFilePath(), res + "db/.version.db"},
        {Files()->GetSharedResourceDummySharedTargetDBFilePath(), res + "db/.share_target.db"},
        {Files()->GetSharedTrustedDirectoryPath(), device::PackageSharedTrustedDir("com.velurio.weather")},
        {Files()->GetSharedDataDirectoryPath("com.velurio.cloud-backup-client"),
         device::PackageSharedDataDir("com.velurio.cloud-backup")},
        {Files()->GetSharedDataDirectoryPath(""), ""},
    };
    for (const auto& [got, expected] : paths)
        EXPECT_EQ(got, expected);
}

TEST_F(FileHelperTest, CopyFileCopiesBytesAndLogsWhatCannotBeOpened)
{
    const std::string content("x\0y", 3);
    Files()->WriteToFile(content, mDir + "/from");
    Files()->CopyFile(mDir + "/from", mDir + "/to");
    EXPECT_EQ(ReadText(mDir + "/to"), content);

    LogCapture log;
    Files()->CopyFile(mDir + "/missing", mDir + "/to2");
    EXPECT_TRUE(HasGuard(log, kFile, "CopyFile", "!inStream.is_open()"));
    Files()->CopyFile(mDir + "/from", mDir + "/no/dir/to");
    EXPECT_TRUE(HasGuard(log, kFile, "CopyFile", "!outStream.is_open()"));
    EXPECT_EQ(ReadText(mDir + "/to"), content);
}

TEST_F(FileHelperTest, ReadLockWaitsForWriterAndGivesUpWhenInterrupted)
{
    // A database file, so that the writer holds its lock until released.
    const std::string path = mDir + "/locked.db";
    sqlite_test::WriteLockHolder writer;
    ASSERT_TRUE(writer.Start(path, -1));

    // The waiting lock can only end through a signal while the writer holds on.
    struct sigaction action = {};
    struct sigaction previous = {};
    action.sa_handler = [](int) {}; // no SA_RESTART: the wait fails with EINTR
    sigaction(SIGALRM, &action, &previous);
    struct itimerval timer = {};
    timer.it_value.tv_usec = 200000;
    int probe = dup(STDERR_FILENO); // the next open gets this number
    close(probe);

    int fileHandle = -1;
    LogCapture log;
    setitimer(ITIMER_REAL, &timer, nullptr);
    FILE* stream = Files()->FileOpenForRead(path.c_str(), &fileHandle);
    sigaction(SIGALRM, &previous, nullptr);
    EXPECT_EQ(nullptr, stream);
    EXPECT_EQ(0, fileHandle);
    EXPECT_TRUE(HasLine(log, kFile, "FileReadLockWait", "errno: " + std::to_string(EINTR)));
    EXPECT_EQ(-1, fcntl(probe, F_GETFD)) << "the stream must be closed again";

    writer.Release();
    ASSERT_EQ(writer.Wait(), 0);
    stream = Files()->FileOpenForRead(path.c_str(), &fileHandle);
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(fileno(stream), fileHandle);
    EXPECT_EQ(0, Files()->FileClose(stream, fileHandle));
    EXPECT_EQ(-1, Files()->FileClose(nullptr, 0));
    EXPECT_TRUE(HasGuard(log, kFile, "FileClose", "fd == NULL"));
}
