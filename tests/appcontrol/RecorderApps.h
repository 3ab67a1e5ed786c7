#ifndef TESTS_APPCONTROL_RECORDER_APPS_H
#define TESTS_APPCONTROL_RECORDER_APPS_H

// Test side of fixture_recorder: installs it under a test's own app id, reads
// what it recorded and makes sure no instance outlives the test.

#include <device/app_control.h>

#include <sys/types.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "DeviceFixture.h"

using RecordLine = std::map<std::string, std::string>;
using Extras = std::vector<std::pair<std::string, std::string>>;

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Installs fixture_recorder as `appId` (ends its instances at TearDown).
    void InstallRecorder(const std::string& appId);
    // The recorded lines of `appId`, optionally only those with this event.
    std::vector<RecordLine> Record(const std::string& appId, const std::string& event = "") const;
    // Polls until `done` holds for the record (or 5 s pass); returns the record.
    std::vector<RecordLine> WaitFor(const std::string& appId,
                                    const std::function<bool(const std::vector<RecordLine>&)>& done) const;
    std::vector<RecordLine> WaitForRequests(const std::string& appId, size_t count) const;

    int Send(const std::string& appId, const Extras& extras, app_control_reply_cb callback = nullptr,
             void* userData = nullptr) const;
    // Installs `identity` with its own executable (a link to fixture_sender); its path.
    static std::string InstallSender(const std::string& identity);
    // Runs that executable (plain fixture_sender, installed as nothing, when
    // `identity` is empty) claiming `claimed` in WEATHER_DEVICE_APP_ID; its exit status.
    int RunSender(const std::string& identity, const std::vector<std::string>& args,
                  const std::string& claimed = "com.velurio.cloud-backup-client") const;

    static bool ProcessGone(pid_t pid);
    static bool WaitGone(pid_t pid);
    static std::string SocketOf(const std::string& appId);

    std::vector<std::string> mApps;
};

#endif
