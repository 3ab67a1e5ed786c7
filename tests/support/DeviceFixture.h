#ifndef WEATHER_TEST_DEVICE_FIXTURE_H
#define WEATHER_TEST_DEVICE_FIXTURE_H

// Test support shared by every suite.
//
// DeviceFixture: one fresh device root per test process (the data layer caches
// paths for the whole process, so the root never changes). Including this
// header registers a gtest environment that creates it before the first test:
// a directory under /tmp, WEATHER_DEVICE_ROOT and WEATHER_DEVICE_APP_ID set
// (children inherit them), the default device installed. The root is removed
// when the process that made it exits; WEATHER_TEST_KEEP_ROOT=1 keeps it.
//
// TempDir: a scratch directory a test owns, removed with all it holds.
//
// LogCapture: records every device log line while alive. Captures nest.

#include <gtest/gtest.h>

#include <device/log.h>

#include <sys/types.h>

#include <mutex>
#include <string>
#include <vector>

class DeviceFixture {
public:
    static constexpr const char* kDefaultAppId = "com.velurio.weather-backuprestore";

    // Creates the root on first call (idempotent); aborts the test program
    // when the device cannot be made.
    static void Ensure();
    // The root, without a trailing "/". Calls Ensure.
    static std::string Root();
    // Changes this process's own identity (WEATHER_DEVICE_APP_ID).
    static void SetAppId(const std::string& appId);
    // Back to kDefaultAppId, and no injected faults (in-process or from the environment).
    static void Reset();
    // rm -r, for temporary trees a test makes.
    static void RemoveTree(const std::string& path);

    class Environment : public ::testing::Environment {
    public:
        void SetUp() override { Ensure(); }
    };
};

namespace device_fixture_detail {
// Registered once per test program, whichever test files include the header.
inline const bool kEnvironmentRegistered = (::testing::AddGlobalTestEnvironment(new DeviceFixture::Environment), true);
} // namespace device_fixture_detail

// The other user of the tests that need one (nobody).
constexpr uid_t kOtherUid = 65534;

// A fresh directory /tmp/<prefix>-XXXXXX with the given mode (0755 lets
// other users pass through to what a test makes under it); aborts the test
// program when it cannot be made.
class TempDir {
public:
    explicit TempDir(const char* prefix, mode_t mode = 0700);
    ~TempDir() { DeviceFixture::RemoveTree(mPath); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return mPath; }

private:
    std::string mPath;
};

// A file's whole content; "" when it cannot be read.
std::string ReadText(const std::string& path);

class LogCapture {
public:
    struct Line {
        log_priority priority;
        std::string tag;
        std::string message;
    };

    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<Line> Lines() const;
    std::vector<std::string> Messages() const;
    // True when some message holds `text`.
    bool Contains(const std::string& text) const;
    // Number of messages that hold `text`.
    size_t Count(const std::string& text) const;
    // True when some line with this tag holds `text`.
    bool Contains(const std::string& tag, const std::string& text) const;
    void Clear();

    // Called by the device log for every line.
    void Record(log_priority priority, const char* tag, const char* message);

private:
    mutable std::mutex mMutex;
    std::vector<Line> mLines;
};

#endif
