// The trust boundary of the host layer: whose device root it uses, what it
// creates, what it reads, how much it logs, and what backupctl says when a
// job cannot be done. Cross-user cases need root and are skipped otherwise.

#include <gtest/gtest.h>

#include <device/host.h>
#include <device/log.h>
#include <device/trusted_file.h>
#include <device/vconf.h>

#include <glib.h>
#include <glib/gstdio.h>

#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "../../platform/src/launch/launch_common.h"
#include "../../platform/src/launch/launch_transport.h"
#include "DeviceFixture.h"
#include "TestProcess.h"

namespace {

constexpr const char* kKilled = "killed"; // err text of a run that hung and was killed

struct ToolRun {
    int status = -1;
    std::string err;
    double seconds = 0;
};

struct ChildSetup {
    mode_t umask = 022;
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

void ApplyChildSetup(gpointer data)
{
    const auto* setup = static_cast<const ChildSetup*>(data);
    umask(setup->umask);
    struct rlimit limit {
        setup->fileSizeLimit, setup->fileSizeLimit
    };
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_DFL);
}

// Runs build/tools/<tool> on `root`, killed after 60 s (a hang shows as kKilled).
ToolRun Tool(const std::string& tool, const std::string& root, std::vector<std::string> args,
             const std::map<std::string, std::string>& env = {}, ChildSetup setup = {})
{
    args.insert(args.begin(), {"timeout", "-s", "KILL", "60", std::string(WEATHER_BUILD_DIR) + "/tools/" + tool});
    std::vector<std::string> environment{std::string(device::kRootEnv) + "=" + root};
    for (const auto& [name, value] : env)
        environment.push_back(name + "=" + value);
    const gint64 started = g_get_monotonic_time();
    test_process::ToolRun ran = test_process::RunTool(args, environment, [&setup] { ApplyChildSetup(&setup); });
    ToolRun run;
    run.status = ran.exit;
    run.seconds = static_cast<double>(g_get_monotonic_time() - started) / G_USEC_PER_SEC;
    run.err = run.status == 137 ? kKilled : ran.err;
    return run;
}

class TrustTest : public ::testing::Test {
protected:
    void SetUp() override { DeviceFixture::Reset(); }
    void TearDown() override { DeviceFixture::Reset(); }
    // Others may pass through to the roots under it.
    const TempDir mDir{"weather-trust", 0755};
    const std::string& mTemp = mDir.Path();
};

TEST_F(TrustTest, RootsAndDirectoriesOfOthersAreRefusedWithTheirPath)
{
    const bool root = geteuid() == 0;
    struct Case {
        const char* name;
        bool needsRoot;
        const char* offender; // below the root, "" for the root itself, ".." for its parent
        std::function<void(const std::string& path)> spoil;
    };
    const Case cases[] = {
        {"root writable by others", false, "", [](const std::string& p) { g_chmod(p.c_str(), 0777); }},
        {"parent writable by others without the sticky bit", false, "..",
         [](const std::string& p) { g_chmod(p.c_str(), 0777); }},
        {"root writable by its group", false, "", [](const std::string& p) { g_chmod(p.c_str(), 0770); }},
        {"key store directory writable by others", false, "/vconf",
         [](const std::string& p) { g_chmod(p.c_str(), 0777); }},
        {"root of another user", true, "",
         [](const std::string& p) { ASSERT_EQ(chown(p.c_str(), kOtherUid, kOtherUid), 0); }},
        {"log directory of another user", true, "/log",
         [](const std::string& p) { ASSERT_EQ(chown(p.c_str(), kOtherUid, kOtherUid), 0); }},
    };
    for (const Case& c : cases) {
        if (c.needsRoot && !root) {
            std::printf("[  SKIPPED ] %s: making a directory another user's needs root\n", c.name);
            continue;
        }
        const std::string device = mTemp + "/" + c.name + "/device";
        ASSERT_EQ(Tool("devicectl", device, {"init"}).status, 0) << c.name;
        const std::string offender = std::string(c.offender) == ".." ? mTemp + "/" + c.name : device + c.offender;
        c.spoil(offender);
        ToolRun run = Tool("devicectl", device, {"init"});
        EXPECT_NE(run.status, 0) << c.name;
        EXPECT_NE(run.err.find("[" + offender + "]"), std::string::npos) << c.name << ": " << run.err;
    }
}

// Writes `text` over `path` as another user, in a child that drops to that user.
bool WriteAsOtherUser(const std::string& path, const std::string& text)
{
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(kOtherUid) != 0 || setuid(kOtherUid) != 0)
            _exit(2);
        const int fd = open(path.c_str(), O_WRONLY | O_TRUNC);
        _exit(fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    int status = -1;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(TrustTest, AnotherUserNeverRunsTheirProgramAsYou)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "acting as another user needs root";
    const std::string marker = mTemp + "/ran-as-victim";
    const std::string program = mTemp + "/theirs.sh";
    ASSERT_TRUE(g_file_set_contents(program.c_str(), ("#!/bin/sh\ntouch " + marker + "\n").c_str(), -1, nullptr));
    g_chmod(program.c_str(), 0755);
    const std::vector<std::string> installTheirs = {"install", "com.velurio.weather-backuprestore",
                                                    "--pkg",   "com.velurio.weather",
                                                    "--cert",  "velurio-platform",
                                                    "--exec",  program};
    struct Case {
        const char* name;
        // Prepares the device made at `device`; returns the root to use and the path the refusal names.
        std::function<std::pair<std::string, std::string>(const std::string& device)> attack;
    };
    const Case cases[] = {
        {"a root of theirs with their program registered",
         [&](const std::string& device) {
             EXPECT_EQ(Tool("devicectl", device, installTheirs).status, 0);
             const std::string owner = std::to_string(kOtherUid) + ":" + std::to_string(kOtherUid);
             EXPECT_EQ(system(("chown -R " + owner + " '" + device + "'").c_str()), 0);
             return std::make_pair(device, device);
         }},
        {"your registry left writable, rewritten by them",
         [&](const std::string& device) {
             const std::string registry = device + "/registry.ini";
             g_chmod(device.c_str(), 0755);
             g_chmod(registry.c_str(), 0666);
             std::string text = ReadText(registry);
             const std::string token = std::string("executable=") + device::kServiceBinaryToken;
             EXPECT_NE(text.find(token), std::string::npos);
             text.replace(text.find(token), token.size(), "executable=" + program);
             EXPECT_TRUE(WriteAsOtherUser(registry, text));
             // A root others may enter is refused before anything in it is read.
             return std::make_pair(device, device);
         }},
        {"your root behind a link of theirs",
         [&](const std::string& device) {
             const std::string link = device + ".link";
             EXPECT_EQ(symlink(device.c_str(), link.c_str()), 0);
             EXPECT_EQ(lchown(link.c_str(), kOtherUid, kOtherUid), 0);
             return std::make_pair(link, link);
         }},
    };
    for (const Case& c : cases) {
        const std::string device = mTemp + "/" + c.name;
        ASSERT_EQ(Tool("devicectl", device, {"init"}).status, 0) << c.name;
        const auto [root, offender] = c.attack(device);
        ToolRun run = Tool("backupctl", root, {"backup", "--timeout", "5"});
        EXPECT_EQ(run.status, 2) << c.name << ": " << run.err;
        EXPECT_NE(run.err.find("[" + offender + "]"), std::string::npos) << c.name << ": " << run.err;
        EXPECT_FALSE(g_file_test(marker.c_str(), G_FILE_TEST_EXISTS)) << c.name;
        EXPECT_FALSE(g_file_test((device + "/cloud").c_str(), G_FILE_TEST_EXISTS)) << c.name;
    }
}

// A link of your own is followed once: flipping it later cannot move a
// device that a process is using.
TEST_F(TrustTest, ARootBehindYourOwnLinkIsResolvedOnce)
{
    const std::string first = mTemp + "/first", second = mTemp + "/second", link = mTemp + "/link";
    ASSERT_EQ(g_mkdir(first.c_str(), 0700), 0);
    ASSERT_EQ(g_mkdir(second.c_str(), 0700), 0);
    ASSERT_EQ(symlink(first.c_str(), link.c_str()), 0);
    const std::string saved = g_getenv(device::kRootEnv);
    g_setenv(device::kRootEnv, link.c_str(), TRUE);
    const std::string root = device::Root();
    const bool made = device::EnsureDefaultDevice();
    const bool flipped = unlink(link.c_str()) == 0 && symlink(second.c_str(), link.c_str()) == 0;
    const int rc = vconf_set_int("test/trust/flipped", 1);
    g_setenv(device::kRootEnv, saved.c_str(), TRUE);
    EXPECT_EQ(root, first);
    ASSERT_TRUE(made && flipped);
    EXPECT_EQ(rc, VCONF_OK);
    EXPECT_NE(ReadText(first + "/vconf/keys.ini").find("[test/trust/flipped]"), std::string::npos);
    EXPECT_FALSE(g_file_test((second + "/vconf").c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(TrustTest, AnOlderRootsClientGetsBackupctlAsItsExecutable)
{
    const std::string device = mTemp + "/older";
    ASSERT_EQ(Tool("devicectl", device,
                   {"install", "com.velurio.cloud-backup-client", "--pkg", "com.velurio.cloud-backup", "--cert",
                    "velurio-platform"})
                  .status,
              0);
    ToolRun backup = Tool("backupctl", device, {"backup"});
    EXPECT_EQ(backup.status, 0) << backup.err;
}

TEST_F(TrustTest, WithoutHomeTheRootIsTheAccountsOwnNeverAShared)
{
    const std::string savedRoot = g_getenv(device::kRootEnv);
    const char* home = g_getenv("HOME");
    const std::string savedHome = home ? home : "";
    g_unsetenv(device::kRootEnv);
    g_unsetenv("HOME");
    const std::string root = device::Root();
    g_setenv(device::kRootEnv, savedRoot.c_str(), TRUE);
    if (home)
        g_setenv("HOME", savedHome.c_str(), TRUE);
    struct passwd* account = getpwuid(getuid());
    ASSERT_NE(account, nullptr);
    EXPECT_EQ(root, std::string(account->pw_dir) + "/.weather-device");
}

TEST_F(TrustTest, EverythingUnderTheRootIsPrivateWhateverTheUmask)
{
    const std::string device = mTemp + "/device";
    ChildSetup open;
    open.umask = 0;
    ASSERT_EQ(Tool("devicectl", device, {"key", "set", "db/test/key", "1"}, {}, open).status, 0);
    ToolRun backup = Tool("backupctl", device, {"backup"}, {}, open);
    ASSERT_EQ(backup.status, 0) << backup.err;
    ASSERT_EQ(Tool("backupctl", device, {"restore"}, {}, open).status, 0);

    // The listening socket of a service, made here under umask 000.
    const mode_t saved = umask(0);
    device::launch::FrameServer server(
        device::launch::kRequestMagic,
        [](const std::string&, const device::launch::Peer&, uint64_t) { return device::launch::Verdict::Reject; });
    const std::string socket = device + "/run/test.sock";
    const bool listening = server.Listen(socket);
    umask(saved);
    ASSERT_TRUE(listening);

    size_t checked = 0;
    std::function<void(const std::string&)> walk = [&](const std::string& path) {
        struct stat info;
        ASSERT_EQ(lstat(path.c_str(), &info), 0) << path;
        ++checked;
        EXPECT_EQ(info.st_mode & 077, 0u) << path << " mode " << std::oct << (info.st_mode & 0777);
        if (!S_ISDIR(info.st_mode))
            return;
        GDir* dir = g_dir_open(path.c_str(), 0, nullptr);
        while (const gchar* name = dir ? g_dir_read_name(dir) : nullptr)
            walk(path + "/" + name);
        if (dir)
            g_dir_close(dir);
    };
    walk(device);
    EXPECT_GT(checked, 40u) << "databases, stores, cloud files, log and the socket were all looked at";
    server.Stop();
}

TEST_F(TrustTest, FifosAndLinksInTheRootHangNothingAndAreLogged)
{
    const std::string device = mTemp + "/device";
    ASSERT_EQ(Tool("backupctl", device, {"backup"}).status, 0);
    gchar** backups = nullptr;
    {
        GDir* dir = g_dir_open((device + "/cloud/server/backups").c_str(), 0, nullptr);
        ASSERT_NE(dir, nullptr);
        const gchar* name = g_dir_read_name(dir);
        ASSERT_NE(name, nullptr);
        backups = g_new0(gchar*, 2);
        backups[0] = g_strdup(name);
        g_dir_close(dir);
    }
    const std::string stored = device + "/cloud/server/backups/" + backups[0] + "/backup.dat";
    g_strfreev(backups);
    struct Case {
        std::string path;
        bool fifo; // else a link to /etc/passwd
        const char* command;
    };
    const Case cases[] = {
        {stored, true, "restore"},
        {device + "/cloud/faults", true, "backup"},
        {device + "/vconf/keys.ini", true, "backup"},
        {device + "/vconf/keys.ini", false, "backup"},
        {device + "/registry.ini", true, "info"},
    };
    for (const Case& c : cases) {
        const std::string saved = c.path + ".saved";
        g_rename(c.path.c_str(), saved.c_str());
        if (c.fifo)
            ASSERT_EQ(mkfifo(c.path.c_str(), 0600), 0) << c.path;
        else
            ASSERT_EQ(symlink("/etc/passwd", c.path.c_str()), 0) << c.path;
        ToolRun run = Tool("backupctl", device, {c.command, "--timeout", "20"});
        EXPECT_NE(run.err, kKilled) << c.path;
        EXPECT_LT(run.seconds, 15.0) << c.path;
        const std::string expected =
            "refused file [" + c.path + "]: " + (c.fifo ? "not a regular file" : "a symbolic link");
        EXPECT_NE(ReadText(device + "/log/device.log").find(expected), std::string::npos) << expected;
        g_unlink(c.path.c_str());
        g_rename(saved.c_str(), c.path.c_str());
    }
}

TEST_F(TrustTest, FilesOthersCouldHaveWrittenAreRefusedByName)
{
    const std::string device = mTemp + "/device";
    const std::string app = "com.velurio.weather";
    ASSERT_EQ(Tool("backupctl", device, {"backup"}).status, 0); // leaves the power lock file
    ASSERT_EQ(Tool("devicectl", device, {"pref", "set", "--app", app, "trust/key", "1"}).status, 0);
    ASSERT_EQ(Tool("devicectl", device, {"launch", app}).status, 0); // lands in the inbox
    ASSERT_TRUE(g_file_set_contents((device + "/cloud/faults").c_str(), "", 0, nullptr));
    struct Case {
        const char* file;
        const char* tool;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"/registry.ini", "devicectl", {"apps"}},
        {"/vconf/keys.ini", "devicectl", {"key", "get", "db/menu_widget/language"}},
        {"/preference/com.velurio.weather.ini", "devicectl", {"pref", "get", "--app", app, "trust/key"}},
        {"/power/cpu", "devicectl", {"show"}},
        {"/inbox/com.velurio.weather.jsonl", "devicectl", {"inbox", app}},
        {"/cloud/faults", "backupctl", {"backup", "--timeout", "20"}},
    };
    struct Spoil {
        bool needsRoot;
        uid_t owner;
        mode_t mode;
        const char* refusal;
    };
    const Spoil spoils[] = {
        {false, geteuid(), 0666, "writable by others (mode 666)"},
        {false, geteuid(), 0620, "writable by others (mode 620)"},
        {true, kOtherUid, 0600, "owned by uid 65534"},
    };
    if (geteuid() != 0)
        std::printf("[  SKIPPED ] files of another user: making a file another user's needs root\n");
    for (const Case& c : cases) {
        const std::string path = device + c.file;
        ASSERT_TRUE(g_file_test(path.c_str(), G_FILE_TEST_IS_REGULAR)) << path;
        for (const Spoil& spoil : spoils) {
            if (spoil.needsRoot && geteuid() != 0)
                continue;
            ASSERT_EQ(chown(path.c_str(), spoil.owner, static_cast<gid_t>(-1)), 0) << path;
            ASSERT_EQ(g_chmod(path.c_str(), spoil.mode), 0) << path;
            ToolRun run = Tool(c.tool, device, c.args);
            const std::string expected = "refused file [" + path + "]: " + spoil.refusal;
            EXPECT_NE(ReadText(device + "/log/device.log").find(expected), std::string::npos) << expected << "\n"
                                                                                              << run.err;
            ASSERT_EQ(chown(path.c_str(), geteuid(), static_cast<gid_t>(-1)), 0) << path;
            ASSERT_EQ(g_chmod(path.c_str(), 0600), 0) << path;
        }
    }
}

TEST_F(TrustTest, TheLogStaysBoundedAndRepeatedRefusalsAreCounted)
{
    const std::string line(200, 'x');
    for (size_t written = 0; written < 3 * device::kMaxLogBytes; written += line.size() + 60)
        dlog_print(DLOG_INFO, "trust-test", "%s", line.c_str());
    struct stat current, older;
    ASSERT_EQ(stat(device::LogPath().c_str(), &current), 0);
    ASSERT_EQ(stat((device::LogPath() + ".1").c_str(), &older), 0);
    EXPECT_LE(static_cast<size_t>(current.st_size), device::kMaxLogBytes + 512);
    EXPECT_LE(static_cast<size_t>(older.st_size), device::kMaxLogBytes + 512);
    EXPECT_GT(static_cast<size_t>(older.st_size), device::kMaxLogBytes);

    LogCapture log;
    device::launch::SetRefusalLogIntervalMs(300);
    for (int i = 0; i < 70; ++i)
        LAUNCH_REFUSAL("rejected connection: %d connections open", 64);
    EXPECT_EQ(log.Count("rejected connection"), 1u);
    g_usleep(350 * 1000);
    LAUNCH_REFUSAL("rejected connection: %d connections open", 64);
    EXPECT_EQ(log.Count("rejected connection"), 2u);
    EXPECT_TRUE(log.Contains("(69 more like it since the last line)"));
    device::launch::SetRefusalLogIntervalMs(10000);
}

TEST_F(TrustTest, BackupctlNamesEachFailureWithItsOwnExitCode)
{
    struct Case {
        const char* name;
        std::function<void(const std::string& device)> spoil;
        std::map<std::string, std::string> env;
        ChildSetup setup;
        int status;
        const char* message;
    };
    ChildSetup limited;
    limited.fileSizeLimit = 16 * 1024;
    const Case cases[] = {
        {"report directory is a file",
         [](const std::string& d) { g_file_set_contents((d + "/cloud/reports").c_str(), "", 0, nullptr); },
         {},
         {},
         7,
         "no job report could be written"},
        {"service not installed",
         [](const std::string& d) {
             ASSERT_EQ(Tool("devicectl", d, {"uninstall", "com.velurio.weather-backuprestore"}).status, 0);
         },
         {},
         {},
         5,
         "did not reach the service"},
        {"service refuses", nullptr, {{device::kFaultsEnv, "app_control_get_operation=null"}}, {}, 3, "refused"},
        {"service killed by the file size limit", nullptr, {}, limited, 6, "limits file sizes"},
    };
    for (const Case& c : cases) {
        const std::string device = mTemp + "/" + c.name;
        ASSERT_EQ(Tool("devicectl", device, {"init"}).status, 0) << c.name;
        g_mkdir_with_parents((device + "/cloud").c_str(), 0700);
        if (c.spoil)
            c.spoil(device);
        ToolRun run = Tool("backupctl", device, {"backup", "--timeout", "20"}, c.env, c.setup);
        EXPECT_EQ(run.status, c.status) << c.name << ": " << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.name << ": " << run.err;
        EXPECT_LT(run.seconds, 15.0) << c.name;
    }
}

} // namespace

// The seam judges the directory a path names however it is spelled: dots,
// doubled slashes and a path relative to the working directory reach the
// same directory, and only the one others can write is refused.
TEST_F(TrustTest, EverySpellingOfAPathIsJudgedByItsDirectory)
{
    const std::string ok = mTemp + "/ok", open = mTemp + "/open";
    for (const std::string& dir : {ok, ok + "/sub", open})
        ASSERT_EQ(g_mkdir(dir.c_str(), 0700), 0) << dir;
    ASSERT_EQ(g_chmod(open.c_str(), 0777), 0);
    for (const std::string& dir : {ok, open})
        ASSERT_TRUE(g_file_set_contents((dir + "/file").c_str(), "x", 1, nullptr)) << dir;
    g_autofree gchar* cwd = g_get_current_dir();
    ASSERT_EQ(chdir(mTemp.c_str()), 0);
    struct Case {
        std::string path;
        bool refused;
    };
    const Case cases[] = {
        {ok + "/./file", false},
        {mTemp + "//ok//file", false},
        {open + "/../ok/file", false},
        {"ok/sub/../file", false},
        {"./ok/./sub/.././file", false},
        {ok + "/../open/file", true},
        {ok + "/sub/../../open/file", true},
        {"open/file", true},
        {"ok/../open//file", true},
    };
    for (const Case& c : cases) {
        const device::FileTrust trust = device::CheckTrustedFile(c.path);
        EXPECT_EQ(trust, c.refused ? device::FileTrust::Refused : device::FileTrust::Ok) << c.path;
        if (c.refused) {
            EXPECT_NE(device::LastTrustRefusal().find("[" + open + "]"), std::string::npos)
                << c.path << ": " << device::LastTrustRefusal();
        }
    }
    EXPECT_EQ(chdir(cwd), 0);
}
