// Which programs a device registers and runs: those of the running program's
// own tree, and only when nobody else can change that tree.

#include <gtest/gtest.h>

#include <device/host.h>

#include <glib.h>
#include <glib/gstdio.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "../../platform/src/ProgramTree.h"
#include "DeviceFixture.h"
#include "TestProcess.h"

namespace {

bool MakeDirs(const std::string& dir, const std::vector<std::string>& subs)
{
    for (const std::string& sub : subs)
        if (g_mkdir_with_parents((dir + "/" + sub).c_str(), 0755) != 0)
            return false;
    return true;
}

class ProgramTreeTest : public ::testing::Test {
protected:
    const TempDir mDir{"weather-tree", 0755};
    const std::string& mTemp = mDir.Path();
};

// The tree is found at the one place the program's own layout puts it, and
// refused, by the directory's name, when another user could change it.
TEST_F(ProgramTreeTest, TheTreeIsTheProgramsOwnAndTrustedOrNone)
{
    const bool root = geteuid() == 0;
    struct Case {
        const char* what;
        bool needsRoot;
        std::vector<std::string> dirs; // made under the case's directory
        const char* program;           // relative to it
        const char* buildTop;          // as the program would carry it
        std::function<bool(const std::string& base)> spoil;
        const char* service;  // relative to the case's directory, "" for none
        const char* offender; // relative, the directory the refusal names; nullptr: no refusal
    };
    auto chownTo = [](const std::string& path) { return chown(path.c_str(), kOtherUid, kOtherUid) == 0; };
    const Case cases[] = {
        {"installed",
         false,
         {"bin", "libexec", "share/weather-backup-restore/res"},
         "bin/devicectl",
         "",
         nullptr,
         "libexec/weather-backup-restore",
         nullptr},
        {"installed service",
         false,
         {"bin", "libexec", "share/weather-backup-restore/res"},
         "libexec/weather-backup-restore",
         "",
         nullptr,
         "libexec/weather-backup-restore",
         nullptr},
        {"installed beside another user's share",
         true,
         {"bin", "libexec", "share/weather-backup-restore/res"},
         "bin/devicectl",
         "",
         [&](const std::string& b) { return chownTo(b + "/share"); },
         "",
         "share"},
        {"installed beside another user's libexec",
         true,
         {"bin", "libexec", "share/weather-backup-restore/res"},
         "bin/devicectl",
         "",
         [&](const std::string& b) { return chownTo(b + "/libexec"); },
         "",
         "libexec"},
        {"installed with a group-writable res",
         false,
         {"bin", "libexec", "share/weather-backup-restore/res"},
         "bin/devicectl",
         "",
         [](const std::string& b) { return chmod((b + "/share/weather-backup-restore/res").c_str(), 0775) == 0; },
         "",
         "share/weather-backup-restore/res"},
        {"build program",
         false,
         {"src", "tools", "res"},
         "tools/devicectl",
         "../",
         nullptr,
         "src/weather-backup-restore",
         nullptr},
        {"build test two levels down",
         false,
         {"src", "tools", "res", "tests/fixtures"},
         "tests/fixtures/fixture_sender",
         "../../",
         nullptr,
         "src/weather-backup-restore",
         nullptr},
        {"no build top carried, a marker above",
         false,
         {"src", "tools", "res", "a/b"},
         "a/b/devicectl",
         "",
         [](const std::string& b) { return g_file_set_contents((b + "/.weather-build-tree").c_str(), "", 0, nullptr); },
         "",
         nullptr},
        {"build with another user's src",
         true,
         {"src", "tools", "res"},
         "tools/devicectl",
         "../",
         [&](const std::string& b) { return chownTo(b + "/src"); },
         "",
         "src"},
        {"build top given absolute", false, {"src", "tools", "res"}, "tools/devicectl", "/", nullptr, "", nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        if (c.needsRoot && !root) {
            std::printf("[  SKIPPED ] %s: another user's directory needs root\n", c.what);
            continue;
        }
        SCOPED_TRACE(c.what);
        const std::string base = mTemp + "/t" + std::to_string(n++);
        ASSERT_TRUE(MakeDirs(base, c.dirs));
        if (c.spoil) {
            ASSERT_TRUE(c.spoil(base));
        }
        LogCapture log;
        const device::internal::ProgramTree tree =
            device::internal::FindProgramTree(base + "/" + c.program, c.buildTop);
        EXPECT_EQ(tree.service, *c.service ? base + "/" + c.service : "");
        if (c.offender) {
            EXPECT_EQ(tree.refusal.rfind("refused directory [" + base + "/" + c.offender + "]: ", 0), 0u)
                << tree.refusal;
        } else {
            EXPECT_EQ(tree.refusal, "");
        }
    }
}

// A copy of an installed program beside another user's share/ and libexec/
// (as in /tmp) registers nothing and runs nothing of theirs, and a set-up
// that fails leaves no registry behind.
TEST_F(ProgramTreeTest, AnotherUsersTreeBesideACopyOfAProgramIsNeverRegistered)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "another user's tree needs root";
    const std::string prefix = mTemp + "/prefix", marker = mTemp + "/ran-as-victim", root = mTemp + "/device";
    ASSERT_TRUE(MakeDirs(prefix, {"bin", "libexec", "share/weather-backup-restore/res"}));
    for (const char* tool : {"devicectl", "backupctl"}) {
        const std::string copy = prefix + "/bin/" + tool;
        // As installed: without the way to this build.
        ASSERT_EQ(system(("cp '" + std::string(WEATHER_BUILD_DIR) + "/tools/" + tool + "' '" + copy +
                          "' && objcopy --remove-section " + device::internal::kBuildTopSection + " '" + copy + "'")
                             .c_str()),
                  0);
    }
    const std::string theirs = prefix + "/libexec/weather-backup-restore";
    ASSERT_TRUE(g_file_set_contents(theirs.c_str(), ("#!/bin/sh\ntouch " + marker + "\n").c_str(), -1, nullptr));
    ASSERT_EQ(chmod(theirs.c_str(), 0755), 0);
    ASSERT_EQ(system(("chown -R 65534:65534 '" + prefix + "/libexec' '" + prefix + "/share'").c_str()), 0);
    auto run = [&](const std::string& tool, std::vector<std::string> args) {
        args.insert(args.begin(), {"timeout", "-s", "KILL", "20", prefix + "/bin/" + tool});
        return test_process::RunTool(args, {std::string(device::kRootEnv) + "=" + root});
    };
    test_process::ToolRun init = run("devicectl", {"init"});
    EXPECT_NE(init.exit, 0);
    EXPECT_NE(init.err.find("refused directory [" + prefix + "/libexec]"), std::string::npos) << init.err;
    EXPECT_FALSE(g_file_test((root + "/registry.ini").c_str(), G_FILE_TEST_EXISTS));
    test_process::ToolRun backup = run("backupctl", {"backup", "--timeout", "5"});
    EXPECT_NE(backup.exit, 0);
    EXPECT_FALSE(g_file_test(marker.c_str(), G_FILE_TEST_EXISTS));
    EXPECT_FALSE(g_file_test((root + "/registry.ini").c_str(), G_FILE_TEST_EXISTS));
}

// The registry is written last and only when the rest of the set-up worked:
// a resource that cannot be copied fails the set-up and registers nothing.
TEST_F(ProgramTreeTest, AFailedSetUpLeavesNoRegistry)
{
    const std::string staging = mTemp + "/res", root = mTemp + "/device";
    ASSERT_EQ(g_mkdir(staging.c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((staging + "/planted").c_str(), 0600), 0);
    test_process::ToolRun init = test_process::RunTool(
        {"timeout", "-s", "KILL", "20", std::string(WEATHER_BUILD_DIR) + "/tools/devicectl", "init"},
        {std::string(device::kRootEnv) + "=" + root, "WEATHER_RES_STAGING_DIR=" + staging});
    EXPECT_NE(init.exit, 0);
    EXPECT_NE(init.err.find("refused file [" + staging + "/planted]: not a regular file"), std::string::npos)
        << init.err;
    EXPECT_FALSE(g_file_test((root + "/registry.ini").c_str(), G_FILE_TEST_EXISTS));
}

} // namespace
