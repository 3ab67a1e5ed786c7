#include <gtest/gtest.h>

#include <device/host.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "FileHelper.h"
#include "LogLines.h"

using utils_test::HasGuard;
using utils_test::HasLine;

namespace {

const char* const kFile = "FileHelper.cpp";

FileHelper* Files()
{
    return FileHelper::GetInstance();
}

// The directory caches live for the whole process, so cache scenarios run in
// a fresh copy of this program; each returns the checks that failed.
struct Problems {
    std::string text;
    void Check(bool ok, const std::string& what) { text += ok ? "" : "failed: " + what + "\n"; }
};

#define EXPECT_IN_FRESH_PROCESS(scenario)                                                \
    GTEST_FLAG_SET(death_test_style, "threadsafe");                                      \
    EXPECT_EXIT(                                                                         \
        {                                                                                \
            std::string problems = scenario();                                           \
            std::fputs(problems.c_str(), stderr);                                        \
            std::exit(problems.empty() ? 0 : 1);                                         \
        },                                                                               \
        ::testing::ExitedWithCode(0), "")

std::string SharedDataCacheScenario()
{
    Problems p;
    const std::string dir = device::PackageSharedDataDir("com.velurio.weather");
    {
        LogCapture log;
        device::SetFault("app_manager_get_app_id", device::Fault::Error);
        p.Check(Files()->GetSharedDataDirectoryPath().empty(), "app id error");
        p.Check(HasLine(log, kFile, "GetSharedDataDirectoryPath",
                        "[GetSharedDataDirectoryPath(): N] app_manager_get_app_id failed for pid:" +
                            std::to_string(getpid()) + " [return]"),
                "app id failure line");
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
        p.Check(Files()->GetSharedDataDirectoryPath().empty(), guard);
        p.Check(HasGuard(log, kFile, "GetSharedDataDirectoryPath", guard), std::string("line ") + guard);
        // Never the bare relative name.
        p.Check(Files()->GetSharedDataDummySettingDBFilePath().empty(), "path getter");
        p.Check(HasGuard(log, kFile, "GetSharedDataDummySettingDBFilePath", "ret.length() < 1"), "path line");
    }
    device::ClearFaults();
    p.Check(Files()->GetSharedDataDirectoryPath() == dir, "retry after failures");
    // From now on the platform is not asked again.
    device::SetFault("app_manager_get_shared_data_path", device::Fault::Error);
    LogCapture log;
    p.Check(Files()->GetSharedDataDummyDBFilePath() == dir + "db/.weather.db", "cached weather db path");
    p.Check(log.Lines().empty(), "cached answer logs nothing");
    return p.text;
}

std::string ResourceCacheScenario()
{
    Problems p;
    const std::string dir = device::PackageResourceDir("com.velurio.weather");
    LogCapture log;
    device::SetFault("app_get_resource_path", device::Fault::Null);
    p.Check(Files()->GetResourceDirectoryPath().empty(), "null path");
    p.Check(HasLine(log, kFile, "GetResourceDirectoryPath", "app_get_resource_path : (null)"), "null result line");
    p.Check(HasGuard(log, kFile, "GetResourceDirectoryPath", "resourceDirPath == NULL"), "null line");
    device::SetFault("app_get_resource_path", device::Fault::Empty);
    p.Check(Files()->GetResourceDirectoryPath().empty(), "empty path");
    p.Check(HasGuard(log, kFile, "GetResourceDirectoryPath", "resourceDirPath < 1"), "empty line");
    device::ClearFaults();
    p.Check(Files()->GetResourceDirectoryPath() == dir, "retry after failures");
    p.Check(HasLine(log, kFile, "GetResourceDirectoryPath", "app_get_resource_path : " + dir), "result line");
    device::SetFault("app_get_resource_path", device::Fault::Null);
    p.Check(Files()->GetEdjResourceFilePath() == dir + "edje/Resources.edj", "cached edj path");
    return p.text;
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

TEST_F(FileHelperTest, SharedDataDirectoryRetriesAfterFailureThenCaches)
{
    EXPECT_IN_FRESH_PROCESS(SharedDataCacheScenario);
}

TEST_F(FileHelperTest, ResourceDirectoryRetriesAfterFailureThenCaches)
{
    EXPECT_IN_FRESH_PROCESS(ResourceCacheScenario);
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
    std::ifstream in(path, std::ios::binary);
    std::ostringstream read;
    read << in.rdbuf();
    EXPECT_EQ(content, read.str());

    LogCapture log;
    Files()->RemoveFile(path);
    EXPECT_FALSE(Files()->IsExists(path));
    Files()->RemoveFile(path);
    EXPECT_TRUE(HasLine(log, kFile, "RemoveFile", "[RemoveFile(): N] " + path + " [return]"));
}

namespace {

void IgnoreAlarm(int) {}

// A child process that holds a write lock on the whole file until killed.
pid_t HoldWriteLock(const std::string& path)
{
    int ready[2];
    if (pipe(ready) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(path.c_str(), O_RDWR);
        struct flock lock = {};
        lock.l_type = F_WRLCK;
        char ok = (fd >= 0 && fcntl(fd, F_SETLK, &lock) == 0) ? '1' : '0';
        if (write(ready[1], &ok, 1) == 1)
            for (;;)
                pause();
        _exit(1);
    }
    close(ready[1]);
    char ok = '0';
    if (pid > 0 && (read(ready[0], &ok, 1) != 1 || ok != '1')) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
    close(ready[0]);
    return pid;
}

} // namespace

TEST_F(FileHelperTest, ReadLockWaitsForWriterAndGivesUpWhenInterrupted)
{
    const std::string path = mDir + "/locked";
    Files()->WriteToFile("data", path);
    pid_t writer = HoldWriteLock(path);
    ASSERT_GT(writer, 0);

    // The waiting lock can only end through a signal while the writer holds on.
    struct sigaction action = {};
    struct sigaction previous = {};
    action.sa_handler = IgnoreAlarm; // no SA_RESTART: the wait fails with EINTR
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

    kill(writer, SIGKILL);
    waitpid(writer, nullptr, 0);
    stream = Files()->FileOpenForRead(path.c_str(), &fileHandle);
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(fileno(stream), fileHandle);
    EXPECT_EQ(0, Files()->FileClose(stream, fileHandle));
    EXPECT_EQ(-1, Files()->FileClose(nullptr, 0));
    EXPECT_TRUE(HasGuard(log, kFile, "FileClose", "fd == NULL"));
}
