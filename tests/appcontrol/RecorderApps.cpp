#include "RecorderApps.h"
#include "TestProcess.h"

#include <device/host.h>

#include <glib.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

namespace {

constexpr gint64 kWaitUs = 5 * G_USEC_PER_SEC;

} // namespace

void RecorderTest::SetUp()
{
    DeviceFixture::Reset();
    DeviceFixture::SetAppId("com.test.client");
    // Receivers know this process by its executable.
    char* self = realpath("/proc/self/exe", nullptr);
    ASSERT_NE(self, nullptr);
    device::AppInfo client{"com.test.client", "com.test.fixtures", "", self};
    free(self);
    ASSERT_TRUE(device::InstallApp(client));
}

void RecorderTest::TearDown()
{
    std::set<pid_t> pids;
    for (const std::string& appId : mApps)
        for (const RecordLine& line : Record(appId))
            pids.insert(static_cast<pid_t>(std::stol(line.at("pid"))));
    for (pid_t pid : pids)
        if (!ProcessGone(pid))
            kill(pid, SIGTERM);
    for (pid_t pid : pids)
        if (!WaitGone(pid))
            kill(pid, SIGKILL);
    // Recorders share one executable, and a shared executable gives no
    // identity: a later test must not see this one's apps.
    for (const std::string& appId : mApps)
        device::UninstallApp(appId);
    DeviceFixture::Reset();
}

void RecorderTest::InstallRecorder(const std::string& appId)
{
    device::AppInfo app;
    app.appId = appId;
    app.pkgId = "com.test.fixtures";
    app.executable = std::string(WEATHER_FIXTURE_DIR) + "/fixture_recorder";
    ASSERT_TRUE(device::InstallApp(app));
    mApps.push_back(appId);
}

std::vector<RecordLine> RecorderTest::Record(const std::string& appId, const std::string& event) const
{
    std::vector<RecordLine> lines;
    gchar* text = nullptr;
    if (!g_file_get_contents((DeviceFixture::Root() + "/recorder/" + appId + ".log").c_str(), &text, nullptr, nullptr))
        return lines;
    gchar** rows = g_strsplit(text, "\n", -1);
    for (gchar** row = rows; *row; ++row) {
        if (!**row)
            continue;
        RecordLine line;
        gchar** fields = g_strsplit(*row, "\t", -1);
        for (gchar** field = fields; *field; ++field) {
            const char* equal = strchr(*field, '=');
            if (equal)
                line[std::string(*field, static_cast<size_t>(equal - *field))] = equal + 1;
        }
        g_strfreev(fields);
        if (event.empty() || line["event"] == event)
            lines.push_back(line);
    }
    g_strfreev(rows);
    g_free(text);
    return lines;
}

std::vector<RecordLine> RecorderTest::WaitFor(const std::string& appId,
                                              const std::function<bool(const std::vector<RecordLine>&)>& done) const
{
    const gint64 deadline = g_get_monotonic_time() + kWaitUs;
    std::vector<RecordLine> lines = Record(appId);
    while (!done(lines) && g_get_monotonic_time() < deadline) {
        g_usleep(5000);
        lines = Record(appId);
    }
    return lines;
}

std::vector<RecordLine> RecorderTest::WaitForRequests(const std::string& appId, size_t count) const
{
    WaitFor(appId, [&](const std::vector<RecordLine>&) { return Record(appId, "request").size() >= count; });
    return Record(appId, "request");
}

int RecorderTest::Send(const std::string& appId, const Extras& extras, app_control_reply_cb callback,
                       void* userData) const
{
    app_control_h request = nullptr;
    app_control_create(&request);
    app_control_set_app_id(request, appId.c_str());
    for (const auto& [key, value] : extras)
        app_control_add_extra_data(request, key.c_str(), value.c_str());
    int result = app_control_send_launch_request(request, callback, userData);
    app_control_destroy(request);
    return result;
}

std::string RecorderTest::InstallSender(const std::string& identity)
{
    // One executable per identity: a copy of fixture_sender under the root.
    const std::string dir = DeviceFixture::Root() + "/bin";
    const std::string program = dir + "/" + identity;
    g_mkdir_with_parents(dir.c_str(), 0700);
    if (!g_file_test(program.c_str(), G_FILE_TEST_EXISTS)) {
        EXPECT_TRUE(test_process::CopyExecutable(std::string(WEATHER_FIXTURE_DIR) + "/fixture_sender", program));
    }
    device::AppInfo app{identity, "com.test.fixtures", "", program};
    EXPECT_TRUE(device::InstallApp(app));
    return program;
}

int RecorderTest::RunSender(const std::string& identity, const std::vector<std::string>& args,
                            const std::string& claimed) const
{
    std::vector<std::string> argv{identity.empty() ? std::string(WEATHER_FIXTURE_DIR) + "/fixture_sender"
                                                   : InstallSender(identity)};
    argv.insert(argv.end(), args.begin(), args.end());
    // What the sender claims about itself is another identity: it never counts.
    return test_process::RunTool(argv, {std::string(device::kAppIdEnv) + "=" + claimed}).exit;
}

bool RecorderTest::ProcessGone(pid_t pid)
{
    if (kill(pid, 0) != 0 && errno == ESRCH)
        return true;
    // Detached processes are reaped by whatever init the host has; a zombie is gone too.
    gchar* stat = nullptr;
    if (!g_file_get_contents(("/proc/" + std::to_string(pid) + "/stat").c_str(), &stat, nullptr, nullptr))
        return true;
    const char* end = strrchr(stat, ')');
    bool zombie = end && end[1] == ' ' && (end[2] == 'Z' || end[2] == 'X');
    g_free(stat);
    return zombie;
}

bool RecorderTest::WaitGone(pid_t pid)
{
    const gint64 deadline = g_get_monotonic_time() + kWaitUs;
    while (!ProcessGone(pid) && g_get_monotonic_time() < deadline)
        g_usleep(5000);
    return ProcessGone(pid);
}

std::string RecorderTest::SocketOf(const std::string& appId)
{
    return DeviceFixture::Root() + "/run/" + appId + ".sock";
}
