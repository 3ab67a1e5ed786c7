// Launch requests between processes: start for a request, delivery through the
// socket, caller identity, inbox, replies, stale sockets, bad input, foreign
// listeners, signals.

#include <device/app_control.h>
#include <device/host.h>
#include <device/system_keys.h>

#include <glib.h>

#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>

#include "../../platform/src/launch/launch_common.h"
#include "../../platform/src/launch/launch_transport.h"
#include "../../platform/src/launch/launch_wire.h"
#include "RecorderApps.h"
#include "TestProcess.h"

namespace {

struct ReplyRecord {
    int calls = 0;
    app_control_result_e result = APP_CONTROL_RESULT_FAILED;
    std::string echo;
    std::vector<std::string> pids;
    std::string caller;
    std::string requestTarget;
};

std::string Take(char* text)
{
    std::string result = text ? text : "";
    std::free(text);
    return result;
}

void OnReply(app_control_h request, app_control_h reply, app_control_result_e result, void* data)
{
    auto* record = static_cast<ReplyRecord*>(data);
    ++record->calls;
    record->result = result;
    char* text = nullptr;
    if (app_control_get_extra_data(reply, "echo", &text) == APP_CONTROL_ERROR_NONE)
        record->echo = Take(text);
    char** pids = nullptr;
    int length = 0;
    if (app_control_get_extra_data_array(reply, "pids", &pids, &length) == APP_CONTROL_ERROR_NONE) {
        for (int i = 0; i < length; ++i)
            record->pids.push_back(Take(pids[i]));
        std::free(pids);
    }
    if (app_control_get_caller(reply, &text) == APP_CONTROL_ERROR_NONE)
        record->caller = Take(text);
    if (app_control_get_app_id(request, &text) == APP_CONTROL_ERROR_NONE)
        record->requestTarget = Take(text);
}

std::string CommandLine(pid_t pid)
{
    gchar* text = nullptr;
    gsize length = 0;
    if (!g_file_get_contents(("/proc/" + std::to_string(pid) + "/cmdline").c_str(), &text, &length, nullptr))
        return "";
    std::string line(text, length);
    g_free(text);
    for (char& c : line)
        c = c ? c : ' ';
    return line;
}

std::string LogText()
{
    g_autofree gchar* log = nullptr;
    g_file_get_contents(device::LogPath().c_str(), &log, nullptr, nullptr);
    return log ? log : "";
}

size_t LogLinesOf(pid_t pid, const std::string& text)
{
    size_t count = 0;
    g_auto(GStrv) lines = g_strsplit(LogText().c_str(), "\n", -1);
    const std::string tag = "(" + std::to_string(pid) + "): ";
    for (gchar** line = lines; *line; ++line)
        if (strstr(*line, tag.c_str()) && strstr(*line, text.c_str()))
            ++count;
    return count;
}

pid_t PidOf(const RecordLine& line)
{
    return static_cast<pid_t>(std::stol(line.at("pid")));
}

using LaunchTest = RecorderTest;

TEST_F(LaunchTest, FirstRequestStartsTheAppAndEveryRequestUsesItsSocket)
{
    const std::string app = "com.test.rec-start";
    InstallRecorder(app);
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Send(app, {{"MESSAGE", "one"}}));
    auto requests = WaitForRequests(app, 1);
    ASSERT_EQ(1u, requests.size());
    const pid_t pid = PidOf(requests[0]);
    EXPECT_NE(std::string::npos, CommandLine(pid).find("--device-start")) << CommandLine(pid);
    EXPECT_EQ("one", requests[0]["extra.MESSAGE"]);
    EXPECT_EQ(APP_CONTROL_OPERATION_DEFAULT, requests[0]["operation"]);

    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Send(app, {{"MESSAGE", "two"}}));
    requests = WaitForRequests(app, 2);
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ(pid, PidOf(requests[1]));
    EXPECT_EQ("two", requests[1]["extra.MESSAGE"]);
    EXPECT_EQ(1u, Record(app, "create").size());
    // Same sender, same identity, whichever way the request travelled.
    EXPECT_EQ("com.test.client", requests[0]["caller"]);
    EXPECT_EQ("com.test.client", requests[1]["caller"]);
}

TEST_F(LaunchTest, CallerIsTheAppOfTheSendersExecutableNeverWhatTheSenderSays)
{
    const std::string app = "com.test.rec-caller";
    InstallRecorder(app);
    // Every sender claims to be the cloud backup client in its environment.
    struct Case {
        std::string executableOf; // "" runs an executable that no application has
        std::vector<std::string> args;
        const char* caller; // as the receiver records it
    };
    const Case cases[] = {
        {"com.test.sender", {app, "MESSAGE=plain"}, "com.test.sender"},
        {"com.test.forger", {app, "--forge", "com.velurio.weather-agent", "MESSAGE=forged"}, "com.test.forger"},
        {"", {app, "MESSAGE=nobody"}, "(none)"},
    };
    for (const Case& c : cases)
        ASSERT_EQ(0, RunSender(c.executableOf, c.args));
    // This process renaming itself changes nothing either.
    DeviceFixture::SetAppId("com.velurio.cloud-backup-client");
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Send(app, {{"MESSAGE", "renamed"}}));
    auto requests = WaitForRequests(app, 4);
    ASSERT_EQ(4u, requests.size());
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(cases[i].caller, requests[i]["caller"]) << cases[i].args.back();
    EXPECT_EQ("forged", requests[1]["extra.MESSAGE"]);
    EXPECT_EQ("com.test.client", requests[3]["caller"]);

    // Two applications sharing one executable: the sender could be either, so it is neither.
    device::AppInfo twin{"com.test.twin", "com.test.fixtures", "", InstallSender("com.test.sender")};
    ASSERT_TRUE(device::InstallApp(twin));
    ASSERT_EQ(0, RunSender("com.test.sender", {app, "MESSAGE=shared"}));
    requests = WaitForRequests(app, 5);
    ASSERT_EQ(5u, requests.size());
    EXPECT_EQ("(none)", requests[4]["caller"]);
}

size_t OpenFds()
{
    size_t count = 0;
    GDir* dir = g_dir_open("/proc/self/fd", 0, nullptr);
    while (dir && g_dir_read_name(dir))
        ++count;
    if (dir)
        g_dir_close(dir);
    return count;
}

TEST_F(LaunchTest, UnknownTargetsAreAppNotFound)
{
    EXPECT_EQ(APP_CONTROL_ERROR_APP_NOT_FOUND, Send("com.test.not-installed", {}));
    EXPECT_EQ(APP_CONTROL_ERROR_APP_NOT_FOUND, Send("../registry", {}));
    app_control_h request = nullptr;
    app_control_create(&request);
    EXPECT_EQ(APP_CONTROL_ERROR_APP_NOT_FOUND, app_control_send_launch_request(request, nullptr, nullptr));
    app_control_destroy(request);
}

TEST_F(LaunchTest, AppWithoutExecutableGetsTheRequestAsAnInboxLine)
{
    const std::string agent = "com.velurio.weather-agent";
    app_control_h request = nullptr;
    app_control_create(&request);
    app_control_set_app_id(request, agent.c_str());
    app_control_add_extra_data(request, "MESSAGE", "REQUEST_NOTIFY");
    const char* list[] = {"a", "quote \" back\\slash\nnew line\x01"};
    app_control_add_extra_data_array(request, "list", list, 2);
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, app_control_send_launch_request(request, nullptr, nullptr));
    app_control_destroy(request);

    gchar* text = nullptr;
    ASSERT_TRUE(g_file_get_contents((device::InboxDir() + agent + ".jsonl").c_str(), &text, nullptr, nullptr));
    std::string inbox = g_strstrip(text);
    g_free(text);
    const std::string line = inbox.substr(inbox.rfind('\n') + 1);
    using test_process::JsonValue;
    EXPECT_EQ(JsonValue(line, "$.caller"), "com.test.client");
    EXPECT_EQ(JsonValue(line, "$.operation"), APP_CONTROL_OPERATION_DEFAULT);
    EXPECT_GT(std::stoll(JsonValue(line, "$.time")), 1600000000);
    EXPECT_EQ(JsonValue(line, "$.extras.MESSAGE"), "REQUEST_NOTIFY");
    EXPECT_EQ(test_process::JsonValues(line, "$.extras.list[*]"), (std::vector<std::string>{list[0], list[1]}));
}

TEST_F(LaunchTest, CountLimitedFaultFailsTheNextSendsThenLetsThemThrough)
{
    const std::string agent = "com.velurio.weather-agent";
    auto inboxLines = [&agent] {
        gchar* text = nullptr;
        if (!g_file_get_contents((device::InboxDir() + agent + ".jsonl").c_str(), &text, nullptr, nullptr))
            return 0;
        int count = 0;
        for (const gchar* c = text; *c; ++c)
            count += *c == '\n';
        g_free(text);
        return count;
    };
    const int before = inboxLines();

    device::SetFault("app_control_send_launch_request", device::Fault::Error, 2);
    EXPECT_EQ(APP_CONTROL_ERROR_LAUNCH_FAILED, Send(agent, {{"n", "1"}}));
    EXPECT_EQ(APP_CONTROL_ERROR_LAUNCH_FAILED, Send(agent, {{"n", "2"}}));
    EXPECT_EQ(APP_CONTROL_ERROR_NONE, Send(agent, {{"n", "3"}}));
    EXPECT_EQ(APP_CONTROL_ERROR_NONE, Send(agent, {{"n", "4"}}));
    EXPECT_EQ(before + 2, inboxLines());

    // The environment form, keyed to one target: only that target's first send fails.
    const std::string faults = "app_control_send_launch_request:" + agent + "=error*1";
    g_setenv(device::kFaultsEnv, faults.c_str(), TRUE);
    EXPECT_EQ(APP_CONTROL_ERROR_APP_NOT_FOUND, Send("com.test.absent", {}));
    EXPECT_EQ(APP_CONTROL_ERROR_LAUNCH_FAILED, Send(agent, {}));
    EXPECT_EQ(APP_CONTROL_ERROR_NONE, Send(agent, {}));
    EXPECT_EQ(before + 3, inboxLines());
    // A malformed count injects nothing rather than failing forever.
    g_setenv(device::kFaultsEnv, "app_control_send_launch_request=error*x", TRUE);
    EXPECT_EQ(APP_CONTROL_ERROR_NONE, Send(agent, {}));
    g_unsetenv(device::kFaultsEnv);
    device::ClearFaults();
}

TEST_F(LaunchTest, ReplyCallbackGetsTheReplyAndItsExtraDataOnBothPaths)
{
    const std::string app = "com.test.rec-reply";
    InstallRecorder(app);
    size_t fds = 0;
    for (const char* message : {"by argv", "by socket", "again", "and again"}) {
        if (std::string(message) == "again")
            fds = OpenFds(); // after GLib made its lazily created descriptors
        ReplyRecord record;
        ASSERT_EQ(APP_CONTROL_ERROR_NONE, Send(app, {{"MESSAGE", message}}, OnReply, &record));
        ASSERT_TRUE(test_process::PumpUntil([&] { return record.calls > 0; })) << message;
        auto requests = Record(app, "request");
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(1, record.calls);
        EXPECT_EQ(APP_CONTROL_RESULT_SUCCEEDED, record.result);
        EXPECT_EQ(message, record.echo);
        EXPECT_EQ(std::vector<std::string>{requests.back()["pid"]}, record.pids);
        EXPECT_EQ(app, record.caller);
        EXPECT_EQ(app, record.requestTarget);
    }
    EXPECT_EQ(fds, OpenFds()) << "reply sockets and connections are closed";
}

TEST_F(LaunchTest, ServiceEndingWithoutAnsweringCancelsTheWaitingSender)
{
    const std::string app = "com.test.rec-cancel";
    InstallRecorder(app);
    for (const bool killed : {false, true}) {
        ReplyRecord record;
        Extras extras{{"noreply", "1"}};
        if (!killed)
            extras.emplace_back("exit", "1");
        ASSERT_EQ(APP_CONTROL_ERROR_NONE, Send(app, extras, OnReply, &record));
        auto requests = WaitForRequests(app, killed ? 2 : 1);
        ASSERT_EQ(killed ? 2u : 1u, requests.size());
        if (killed) {
            ASSERT_EQ(0, kill(PidOf(requests.back()), SIGKILL));
        }
        ASSERT_TRUE(test_process::PumpUntil([&] { return record.calls > 0; })) << killed;
        EXPECT_EQ(1, record.calls);
        EXPECT_EQ(APP_CONTROL_RESULT_CANCELED, record.result) << killed;
        if (killed)
            break;
        auto lines = WaitFor(
            app, [](const std::vector<RecordLine>& l) { return !l.empty() && l.back().at("event") == "terminate"; });
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ("terminate", lines.back()["event"]);
        EXPECT_TRUE(WaitGone(PidOf(lines.back())));
        EXPECT_FALSE(g_file_test(SocketOf(app).c_str(), G_FILE_TEST_EXISTS)) << "the service removes its socket";
    }
}

TEST_F(LaunchTest, StaleSocketOfAKilledServiceDoesNotBlockTheNextLaunch)
{
    const std::string app = "com.test.rec-stale";
    InstallRecorder(app);
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Send(app, {{"MESSAGE", "first"}}));
    auto requests = WaitForRequests(app, 1);
    ASSERT_EQ(1u, requests.size());
    const pid_t first = PidOf(requests[0]);
    ASSERT_EQ(0, kill(first, SIGKILL));
    ASSERT_TRUE(WaitGone(first));
    ASSERT_TRUE(g_file_test(SocketOf(app).c_str(), G_FILE_TEST_EXISTS)) << "a killed process leaves its socket";

    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Send(app, {{"MESSAGE", "second"}}));
    requests = WaitForRequests(app, 2);
    ASSERT_EQ(2u, requests.size());
    EXPECT_NE(first, PidOf(requests[1]));
    EXPECT_EQ("second", requests[1]["extra.MESSAGE"]);
}

TEST_F(LaunchTest, RequestsAfterTheServiceExitedReachAFreshInstance)
{
    const std::string app = "com.test.rec-exit";
    InstallRecorder(app);
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Send(app, {{"MESSAGE", "last"}, {"exit", "1"}}));
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Send(app, {{"MESSAGE", "next"}}));
    auto requests = WaitForRequests(app, 2);
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ("next", requests[1]["extra.MESSAGE"]);
    EXPECT_NE(requests[0]["pid"], requests[1]["pid"]);
}

TEST_F(LaunchTest, ConcurrentSendersStartOneProcess)
{
    const std::string app = "com.test.rec-race";
    InstallRecorder(app);
    std::vector<GPid> senders;
    const std::string program = std::string(WEATHER_FIXTURE_DIR) + "/fixture_sender";
    for (int i = 0; i < 4; ++i) {
        const std::string message = "MESSAGE=" + std::to_string(i);
        gchar* argv[] = {const_cast<gchar*>(program.c_str()), const_cast<gchar*>(app.c_str()),
                         const_cast<gchar*>(message.c_str()), nullptr};
        GPid pid = 0;
        ASSERT_TRUE(g_spawn_async(nullptr, argv, nullptr,
                                  static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL),
                                  nullptr, nullptr, &pid, nullptr));
        senders.push_back(pid);
    }
    for (GPid pid : senders) {
        int status = -1;
        ASSERT_EQ(pid, waitpid(pid, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto requests = WaitForRequests(app, 4);
    ASSERT_EQ(4u, requests.size());
    std::set<std::string> pids;
    for (auto& request : requests)
        pids.insert(request["pid"]);
    EXPECT_EQ(1u, pids.size());
    EXPECT_EQ(1u, Record(app, "create").size());
}

TEST_F(LaunchTest, FloodOfMalformedFramesIsCountedAndTheServiceGoesOn)
{
    using namespace device::launch;
    const std::string app = "com.test.rec-garbage";
    InstallRecorder(app);
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Send(app, {}));
    auto requests = WaitForRequests(app, 1);
    ASSERT_EQ(1u, requests.size());
    const pid_t pid = PidOf(requests[0]);
    const std::string socket = SocketOf(app);
    const std::string history = LogText();

    std::string huge = Frame(kRequestMagic, "");
    huge[4] = '\x7f'; // announces about 2 GiB
    struct Case {
        std::string frame;
        const char* logged;
    };
    const Case cases[] = {
        {"GET / HTTP/1.0\r\n\r\n", "not a frame of this socket"},
        {Frame(kReplyMagic, ""), "not a frame of this socket"},
        {Frame(kRequestMagic, "not gvariant"), "not a serialized request"},
        {huge, "bytes announced"},
    };
    // A flood: each kind is logged once per interval, the rest only counted.
    for (int round = 0; round < 50; ++round)
        for (const Case& c : cases)
            ASSERT_EQ(Delivery::Rejected, DeliverFrame(socket, c.frame, 2000)) << c.logged;
    // Cut off mid-payload: the writer closes, the service logs and drops it.
    std::string cut = Frame(kRequestMagic, std::string(100, 'x')).substr(0, 20);
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(0, connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(static_cast<ssize_t>(cut.size()), write(fd, cut.data(), cut.size()));
    close(fd);

    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Send(app, {{"MESSAGE", "still here"}}));
    requests = WaitForRequests(app, 2);
    ASSERT_EQ(2u, requests.size());
    EXPECT_EQ(pid, PidOf(requests[1]));
    EXPECT_EQ(4u, LogLinesOf(pid, "rejected request"));
    for (const Case& c : cases)
        EXPECT_EQ(1u, LogLinesOf(pid, c.logged)) << c.logged;
    EXPECT_EQ(1u, LogLinesOf(pid, "truncated after 12 of 100 bytes"));
    EXPECT_TRUE(g_str_has_prefix(LogText().c_str(), history.c_str())) << "the earlier history stays in the log";
}

// An impostor in its own user and mount namespace puts its program over a
// registered executable's path: /proc/<pid>/exe shows that path, yet the
// program is another file, so the request has no caller.
TEST_F(LaunchTest, ProgramMountedOverARegisteredPathIsNotThatApplication)
{
    if (test_process::RunTool({"unshare", "-Urm", "true"}).exit != 0)
        GTEST_SKIP() << "user and mount namespaces are not available here (unshare -Urm failed)";
    const std::string app = "com.test.rec-mount";
    InstallRecorder(app);
    // Running already, so nothing is started from inside a namespace.
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Send(app, {}));
    ASSERT_EQ(1u, WaitForRequests(app, 1).size());
    const std::string genuine = InstallSender("com.test.genuine");
    const std::string impostor = std::string(WEATHER_FIXTURE_DIR) + "/fixture_sender";
    struct Case {
        bool mounted;
        const char* message;
        const char* caller;
    };
    const Case cases[] = {{false, "genuine", "com.test.genuine"}, {true, "mounted", "(none)"}};
    for (const Case& c : cases) {
        const std::string script =
            std::string(c.mounted ? "mount --bind \"$1\" \"$2\" && " : "") + "exec \"$2\" \"$3\" MESSAGE=\"$4\"";
        EXPECT_EQ(
            0, test_process::RunTool({"unshare", "-Urm", "sh", "-c", script, "sh", impostor, genuine, app, c.message})
                   .exit)
            << c.message;
    }
    const auto requests = WaitForRequests(app, 3);
    ASSERT_EQ(3u, requests.size());
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(cases[i].message, requests[i + 1].at("extra.MESSAGE"));
        EXPECT_EQ(cases[i].caller, requests[i + 1].at("caller")) << cases[i].message;
    }
}

int ListenOn(const std::string& path)
{
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (fd >= 0 && (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 8) != 0)) {
        close(fd);
        return -1;
    }
    return fd;
}

TEST_F(LaunchTest, LinkAtTheSocketPathIsRefusedNotFollowed)
{
    const std::string app = "com.test.rec-link";
    InstallRecorder(app);
    ASSERT_TRUE(device::MakePrivateDirs(DeviceFixture::Root() + "/run"));
    const std::string decoy = DeviceFixture::Root() + "/run/decoy.sock";
    const int listener = ListenOn(decoy);
    ASSERT_GE(listener, 0);
    ASSERT_EQ(0, symlink(decoy.c_str(), SocketOf(app).c_str()));
    EXPECT_EQ(APP_CONTROL_ERROR_LAUNCH_FAILED, Send(app, {{"MESSAGE", "planted"}}));
    const int connected = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    EXPECT_LT(connected, 0) << "nothing connected to the socket behind the link";
    if (connected >= 0)
        close(connected);
    close(listener);
    unlink(decoy.c_str());
    unlink(SocketOf(app).c_str());
    EXPECT_TRUE(Record(app).empty());
}

// A socket file that looks like ours, served by another user: the client
// checks who listens before it writes anything.
TEST_F(LaunchTest, ListenerOfAnotherUserIsRefused)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to run a listener as another user";
    const std::string app = "com.test.rec-foreign";
    InstallRecorder(app);
    ASSERT_TRUE(device::MakePrivateDirs(DeviceFixture::Root() + "/run"));
    g_autofree gchar* dir = g_dir_make_tmp("foreign-XXXXXX", nullptr);
    ASSERT_NE(dir, nullptr);
    const std::string bound = std::string(dir) + "/x.sock";
    chmod(dir, 0777);
    int ready[2], go[2];
    ASSERT_EQ(0, pipe(ready));
    ASSERT_EQ(0, pipe(go));
    const pid_t child = fork();
    if (child == 0) {
        // Reports 'L' once listening, then whether a sender wrote to it ('W') or not ('N').
        alarm(10); // never outlives a test that failed half way
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(1);
        const int fd = ListenOn(bound);
        char byte = 0;
        if (fd < 0 || write(ready[1], "L", 1) != 1 || read(go[0], &byte, 1) != 1)
            _exit(1);
        const int connection = accept4(fd, nullptr, nullptr, 0);
        const bool wrote = connection >= 0 && recv(connection, &byte, 1, MSG_DONTWAIT) == 1;
        _exit(write(ready[1], wrote ? "W" : "N", 1) == 1 ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    char report = 0;
    ASSERT_EQ(1, read(ready[0], &report, 1));
    ASSERT_EQ('L', report);
    ASSERT_EQ(0, rename(bound.c_str(), SocketOf(app).c_str()));
    ASSERT_EQ(0, chown(SocketOf(app).c_str(), geteuid(), getegid()));
    EXPECT_EQ(APP_CONTROL_ERROR_LAUNCH_FAILED, Send(app, {{"MESSAGE", "foreign"}}));
    ASSERT_EQ(1, write(go[1], "g", 1));
    EXPECT_EQ(1, read(ready[0], &report, 1));
    EXPECT_EQ('N', report) << "nothing was written to the other user's listener";
    int status = -1;
    waitpid(child, &status, 0);
    for (int fd : {ready[0], ready[1], go[0], go[1]})
        close(fd);
    unlink(SocketOf(app).c_str());
    rmdir(dir);
    EXPECT_TRUE(Record(app).empty());
}

// A service started for a request takes the device as its sender set it up
// just before: its first key read sets nothing up again (no lock, no
// directories made, no resources copied). A program started by hand does.
TEST_F(LaunchTest, AServiceStartedForARequestTakesItsSendersDevice)
{
    const std::string app = "com.velurio.test.adopter";
    InstallRecorder(app);
    // Made by the set-up for every registered package, used by nothing here.
    const std::string dir = DeviceFixture::Root() + "/apps/com.test.fixtures/shared/trusted";
    const struct {
        const char* what;
        std::function<void()> start;
        bool setUp; // the directory is there again afterwards
    } cases[] = {
        {"a service started for a request",
         [&] {
             ASSERT_EQ(Send(app, {{"readkey", SYSKEY_TIME_FORMAT_1224}}), APP_CONTROL_ERROR_NONE);
             const std::vector<RecordLine> requests = WaitForRequests(app, 1);
             ASSERT_EQ(requests.size(), 1u);
             const auto key = requests[0].find("key");
             ASSERT_NE(key, requests[0].end()) << "the service read no key";
             EXPECT_EQ(key->second, "1");
         },
         false},
        {"a program started by hand", [&] { EXPECT_NE(RunSender("", {"com.velurio.test.nobody"}), 0); }, true},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(rmdir(dir.c_str()), 0) << c.what;
        c.start();
        EXPECT_EQ(g_file_test(dir.c_str(), G_FILE_TEST_IS_DIR), c.setUp) << c.what;
        g_mkdir_with_parents(dir.c_str(), 0700);
    }
}

TEST_F(LaunchTest, ServiceWithoutAValidStartRequestEndsBeforeItsCreateCallback)
{
    const std::string app = "com.test.rec-norequest";
    InstallRecorder(app);
    const std::string program = std::string(WEATHER_FIXTURE_DIR) + "/fixture_recorder";
    gchar** envp = g_environ_setenv(g_get_environ(), device::kAppIdEnv, app.c_str(), TRUE);
    struct Case {
        std::vector<std::string> args;
        bool garbageFirst; // a malformed frame arrives instead of the request
        const char* log;
    };
    const Case cases[] = {
        {{}, false, "started without a request"},
        {{"--device-request", "/etc/hostname"}, false, "started without a request"},
        {{"--device-start"}, true, "no valid start request within the start time"},
    };
    for (const Case& c : cases) {
        std::vector<gchar*> argv{const_cast<gchar*>(program.c_str())};
        for (const std::string& arg : c.args)
            argv.push_back(const_cast<gchar*>(arg.c_str()));
        argv.push_back(nullptr);
        GPid pid = 0;
        const gint64 started = g_get_monotonic_time();
        ASSERT_TRUE(
            g_spawn_async(nullptr, argv.data(), envp, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &pid, nullptr));
        if (c.garbageFirst) {
            ASSERT_TRUE(test_process::PumpUntil([&] { return device::launch::IsListening(SocketOf(app)); }));
            EXPECT_EQ(device::launch::Delivery::Rejected,
                      device::launch::DeliverFrame(SocketOf(app), "garbage!garbage!", 2000));
        }
        int status = -1;
        ASSERT_EQ(pid, waitpid(pid, &status, 0));
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << c.log;
        EXPECT_LT(g_get_monotonic_time() - started, 8 * G_USEC_PER_SEC) << c.log;
        EXPECT_EQ(1u, LogLinesOf(pid, c.log)) << c.log;
    }
    g_strfreev(envp);
    EXPECT_TRUE(Record(app, "create").empty()) << "no create callback, so no database was touched";
}

TEST_F(LaunchTest, LowMemoryAndLowBatterySignalsReachTheHandlers)
{
    const std::string app = "com.test.rec-signal";
    InstallRecorder(app);
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, Send(app, {}));
    auto requests = WaitForRequests(app, 1);
    ASSERT_EQ(1u, requests.size());
    const pid_t pid = PidOf(requests[0]);
    ASSERT_EQ(0, kill(pid, SIGUSR1));
    auto memory = WaitFor(app, [&](const std::vector<RecordLine>&) { return !Record(app, "low_memory").empty(); });
    ASSERT_EQ(1u, Record(app, "low_memory").size());
    EXPECT_EQ("memory", Record(app, "low_memory")[0]["data"]);
    ASSERT_EQ(0, kill(pid, SIGUSR2));
    WaitFor(app, [&](const std::vector<RecordLine>&) { return !Record(app, "low_battery").empty(); });
    ASSERT_EQ(1u, Record(app, "low_battery").size());
    EXPECT_EQ("battery", Record(app, "low_battery")[0]["data"]);
    EXPECT_FALSE(ProcessGone(pid));
}

} // namespace
