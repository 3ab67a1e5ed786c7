// Application information, directories and certificates from the registry,
// with the fault seam reaching each failure the callers must handle.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <device/app_common.h>
#include <device/app_manager.h>
#include <device/host.h>
#include <device/package_manager.h>

#include <glib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "DeviceFixture.h"
#include "TestProcess.h"

namespace {

constexpr const char* kService = "com.velurio.weather-backuprestore";
constexpr const char* kAgent = "com.velurio.weather-agent";
constexpr const char* kCloudClient = "com.velurio.cloud-backup-client";

class AppsTest : public ::testing::Test {
protected:
    // Checked in SetUp: a failed assertion at suite level would read as skips.
    static void SetUpTestSuite()
    {
        DeviceFixture::Ensure();
        sInstalled = device::InstallApp({"org.stranger.app", "org.stranger", "stranger-cert", "", "2.1"}) &&
                     device::InstallApp({"org.unsigned.one", "org.unsigned", "", "", "1.0.0"}) &&
                     device::InstallApp({"org.unsigned.two", "org.unsigned", "", "", "1.0.0"});
    }
    void SetUp() override
    {
        DeviceFixture::Reset();
        ASSERT_TRUE(sInstalled) << "the test applications could not be installed";
    }
    static inline bool sInstalled = false;
    void TearDown() override { DeviceFixture::Reset(); }

    // Runs a getter and returns {rc, text}, freeing the text.
    static std::pair<int, std::string> Path(int (*getter)(const char*, char**), const char* appId, bool* isNull)
    {
        char* path = reinterpret_cast<char*>(0x1);
        int rc = getter(appId, &path);
        *isNull = path == nullptr;
        std::string text = path ? path : "";
        free(path);
        return {rc, text};
    }
};

std::string Root()
{
    return DeviceFixture::Root();
}

} // namespace

TEST_F(AppsTest, OwnApplicationInformation)
{
    char* res = app_get_resource_path();
    ASSERT_NE(res, nullptr);
    EXPECT_EQ(std::string(res), Root() + "/apps/com.velurio.weather/res/");
    free(res);
    char* version = nullptr;
    ASSERT_EQ(app_get_version(&version), APP_ERROR_NONE);
    EXPECT_STREQ(version, "1.0.0");
    free(version);

    DeviceFixture::SetAppId("org.stranger.app");
    ASSERT_EQ(app_get_version(&version), APP_ERROR_NONE);
    EXPECT_STREQ(version, "2.1");
    free(version);

    DeviceFixture::SetAppId("not.installed");
    EXPECT_EQ(app_get_resource_path(), nullptr);
    EXPECT_EQ(app_get_version(&version), APP_ERROR_INVALID_CONTEXT);
    EXPECT_EQ(version, nullptr);
}

TEST_F(AppsTest, AppIdOfProcesses)
{
    char* id = nullptr;
    ASSERT_EQ(app_manager_get_app_id(getpid(), &id), APP_MANAGER_ERROR_NONE);
    EXPECT_STREQ(id, kService);
    free(id);

    // Another process is the application whose executable it runs; what it
    // says about itself (here: to be the agent) counts for nothing.
    const std::string agentExe = DeviceFixture::Root() + "/agent-sleep";
    ASSERT_TRUE(test_process::CopyExecutable("/bin/sleep", agentExe));
    // Later tests launch the agent as the device registers it: without a program.
    const std::optional<device::AppInfo> registered = device::FindApp(kAgent);
    ASSERT_TRUE(registered);
    struct Reregister {
        device::AppInfo app;
        ~Reregister() { device::InstallApp(app); }
    } reregister{*registered};
    ASSERT_TRUE(device::InstallApp({kAgent, "com.velurio.weather", "velurio-platform", agentExe}));
    gchar** envp = g_environ_setenv(g_get_environ(), device::kAppIdEnv, kAgent, TRUE);
    gchar* agentArgv[] = {const_cast<gchar*>(agentExe.c_str()), const_cast<gchar*>("10"), nullptr};
    GPid agent = 0;
    ASSERT_TRUE(g_spawn_async(nullptr, agentArgv, envp, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &agent, nullptr));
    gchar* argv[] = {const_cast<gchar*>("/bin/sleep"), const_cast<gchar*>("10"), nullptr};
    GPid stranger = 0;
    ASSERT_TRUE(g_spawn_async(nullptr, argv, envp, G_SPAWN_DO_NOT_REAP_CHILD, nullptr, nullptr, &stranger, nullptr));
    g_strfreev(envp);

    EXPECT_EQ(app_manager_get_app_id(agent, &id), APP_MANAGER_ERROR_NONE);
    EXPECT_STREQ(id, kAgent);
    free(id);
    id = nullptr;
    EXPECT_EQ(app_manager_get_app_id(stranger, &id), APP_MANAGER_ERROR_NO_SUCH_APP);
    EXPECT_EQ(id, nullptr);
    for (GPid pid : {agent, stranger}) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    EXPECT_EQ(app_manager_get_app_id(agent, &id), APP_MANAGER_ERROR_NO_SUCH_APP);
    EXPECT_EQ(app_manager_get_app_id(getpid(), nullptr), APP_MANAGER_ERROR_INVALID_PARAMETER);

    g_unsetenv(device::kAppIdEnv);
    EXPECT_EQ(app_manager_get_app_id(getpid(), &id), APP_MANAGER_ERROR_NO_SUCH_APP);
}

TEST_F(AppsTest, SharedDirectoriesOfInstalledApps)
{
    bool isNull = false;
    auto data = Path(app_manager_get_shared_data_path, kService, &isNull);
    EXPECT_EQ(data.first, APP_MANAGER_ERROR_NONE);
    EXPECT_EQ(data.second, Root() + "/apps/com.velurio.weather/shared/data/");
    EXPECT_TRUE(g_file_test(data.second.c_str(), G_FILE_TEST_IS_DIR));
    auto res = Path(app_manager_get_shared_resource_path, kAgent, &isNull);
    EXPECT_EQ(res.second, Root() + "/apps/com.velurio.weather/shared/res/");
    auto trusted = Path(app_manager_get_shared_trusted_path, kCloudClient, &isNull);
    EXPECT_EQ(trusted.second, Root() + "/apps/com.velurio.cloud-backup/shared/trusted/");
    EXPECT_TRUE(g_file_test(trusted.second.c_str(), G_FILE_TEST_IS_DIR));

    auto unknown = Path(app_manager_get_shared_data_path, "not.installed", &isNull);
    EXPECT_EQ(unknown.first, APP_MANAGER_ERROR_NO_SUCH_APP);
    EXPECT_TRUE(isNull);
    EXPECT_EQ(app_manager_get_shared_data_path(nullptr, nullptr), APP_MANAGER_ERROR_INVALID_PARAMETER);
}

TEST_F(AppsTest, FaultsGiveErrorNullAndEmpty)
{
    bool isNull = false;
    device::SetFault("app_manager_get_shared_data_path", device::Fault::Error);
    auto error = Path(app_manager_get_shared_data_path, kService, &isNull);
    EXPECT_NE(error.first, APP_MANAGER_ERROR_NONE);
    EXPECT_TRUE(isNull);

    device::SetFault("app_manager_get_shared_data_path", device::Fault::Null);
    auto null = Path(app_manager_get_shared_data_path, kService, &isNull);
    EXPECT_EQ(null.first, APP_MANAGER_ERROR_NONE);
    EXPECT_TRUE(isNull);

    device::SetFault("app_manager_get_shared_data_path", device::Fault::Empty);
    auto empty = Path(app_manager_get_shared_data_path, kService, &isNull);
    EXPECT_EQ(empty.first, APP_MANAGER_ERROR_NONE);
    EXPECT_FALSE(isNull);
    EXPECT_EQ(empty.second, "");
    // Other getters are untouched.
    EXPECT_EQ(Path(app_manager_get_shared_trusted_path, kService, &isNull).second,
              Root() + "/apps/com.velurio.weather/shared/trusted/");

    char* id = nullptr;
    device::SetFault("app_manager_get_app_id", device::Fault::Error);
    EXPECT_NE(app_manager_get_app_id(getpid(), &id), APP_MANAGER_ERROR_NONE);
    device::SetFault("app_manager_get_app_id", device::Fault::Null);
    EXPECT_EQ(app_manager_get_app_id(getpid(), &id), APP_MANAGER_ERROR_NONE);
    EXPECT_EQ(id, nullptr);

    device::SetFault("app_get_resource_path", device::Fault::Empty);
    char* res = app_get_resource_path();
    ASSERT_NE(res, nullptr);
    EXPECT_STREQ(res, "");
    free(res);
    device::SetFault("app_get_resource_path", device::Fault::Null);
    EXPECT_EQ(app_get_resource_path(), nullptr);

    package_manager_compare_result_type_e result;
    device::SetFault("package_manager_compare_app_cert_info", device::Fault::Error);
    EXPECT_NE(package_manager_compare_app_cert_info(kService, kAgent, &result), PACKAGE_MANAGER_ERROR_NONE);
}

TEST_F(AppsTest, CertificateComparisonHasFiveResults)
{
    struct Case {
        const char* lhs;
        const char* rhs;
        package_manager_compare_result_type_e expected;
    };
    const Case cases[] = {
        {kCloudClient, kAgent, PACKAGE_MANAGER_COMPARE_MATCH},
        {"org.stranger.app", kAgent, PACKAGE_MANAGER_COMPARE_MISMATCH},
        {"org.unsigned.one", kAgent, PACKAGE_MANAGER_COMPARE_LHS_NO_CERT},
        {kAgent, "org.unsigned.one", PACKAGE_MANAGER_COMPARE_RHS_NO_CERT},
        {"org.unsigned.one", "org.unsigned.two", PACKAGE_MANAGER_COMPARE_BOTH_NO_CERT},
    };
    for (const Case& c : cases) {
        package_manager_compare_result_type_e result = PACKAGE_MANAGER_COMPARE_MATCH;
        ASSERT_EQ(package_manager_compare_app_cert_info(c.lhs, c.rhs, &result), PACKAGE_MANAGER_ERROR_NONE) << c.lhs;
        EXPECT_EQ(result, c.expected) << c.lhs << " vs " << c.rhs;
    }
    package_manager_compare_result_type_e result;
    EXPECT_EQ(package_manager_compare_app_cert_info("not.installed", kAgent, &result),
              PACKAGE_MANAGER_ERROR_NO_SUCH_PACKAGE);
    EXPECT_EQ(package_manager_compare_app_cert_info(kAgent, "not.installed", &result),
              PACKAGE_MANAGER_ERROR_NO_SUCH_PACKAGE);
    EXPECT_EQ(package_manager_compare_app_cert_info(kAgent, nullptr, &result), PACKAGE_MANAGER_ERROR_INVALID_PARAMETER);
}

TEST_F(AppsTest, RegistryResolvesTheServiceAndForgetsUninstalledApps)
{
    auto service = device::FindApp(kService);
    ASSERT_TRUE(service.has_value());
    // Found from this program's place in the build tree.
    EXPECT_EQ(service->executable, WEATHER_BUILD_DIR "/src/weather-backup-restore");
    g_setenv(device::kServiceBinaryEnv, "/opt/other/weather-backup-restore", TRUE);
    EXPECT_EQ(device::FindApp(kService)->executable, "/opt/other/weather-backup-restore");
    g_unsetenv(device::kServiceBinaryEnv);

    ASSERT_TRUE(device::InstallApp({"org.temporary.app", "org.temporary", "", "", "1.0.0"}));
    EXPECT_TRUE(device::FindApp("org.temporary.app").has_value());
    EXPECT_TRUE(device::UninstallApp("org.temporary.app"));
    EXPECT_FALSE(device::FindApp("org.temporary.app").has_value());
    EXPECT_FALSE(device::UninstallApp("org.temporary.app"));
    EXPECT_FALSE(device::InstallApp({"bad.pkg", "../escape", "", "", "1"}));
}
