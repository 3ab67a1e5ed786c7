// Request dispatch and the two timers that end the service.

#include <gtest/gtest.h>

#include <device/host.h>

#include <glib.h>

#include <device/app_control.h>
#include <device/service_app.h>

#include "BackupRestoreLaunchScenarioFactory.h"
#include "BackupRestoreLaunchScenarioProxy.h"
#include "BackupRestoreLaunchScenarioReal.h"
#include "BackupRestoreMain.h"
#include "CloudOperation.h"
#include "DeviceFixture.h"

using namespace NSWeatherService;

namespace {

app_control_h NewHandle()
{
    app_control_h handle = nullptr;
    EXPECT_EQ(app_control_create(&handle), APP_CONTROL_ERROR_NONE);
    return handle;
}

std::shared_ptr<BackupRestoreController> ListNew(app_control_h handle)
{
    auto controllerPtr = BackupRestoreController::Make(handle);
    BackupRestoreMain::GetInstance()->GetBackupRestoreControllerPtrVector()->push_back(controllerPtr);
    return controllerPtr;
}

// Runs the real framework loop with `body` called from its first idle; the
// result tells whether the loop ended through service_app_exit (false: the
// safety timeout ended it).
bool RunInServiceLoop(const std::function<void()>& body, guint safetyMs = 4000)
{
    static std::function<void()> sBody;
    static bool sTimedOut, sRan;
    sBody = body;
    sTimedOut = sRan = false;
    service_app_lifecycle_callback_s callbacks = {};
    callbacks.create = [](void*) -> bool {
        g_idle_add(
            [](gpointer) -> gboolean {
                sRan = true;
                sBody();
                return G_SOURCE_REMOVE;
            },
            nullptr);
        return true;
    };
    guint safety = g_timeout_add(
        safetyMs,
        [](gpointer) -> gboolean {
            sTimedOut = true;
            service_app_exit();
            return G_SOURCE_REMOVE;
        },
        nullptr);
    char arg0[] = "test_service";
    char* argv[] = {arg0, nullptr};
    device::AllowServiceWithoutStartRequest(true); // no start request in this process
    EXPECT_EQ(service_app_main(1, argv, &callbacks, nullptr), APP_ERROR_NONE);
    if (!sTimedOut)
        g_source_remove(safety);
    EXPECT_TRUE(sRan);
    return sRan && !sTimedOut;
}

class ServiceHostTest : public ::testing::Test {
protected:
    void SetUp() override { DeviceFixture::Reset(); }
    void TearDown() override
    {
        BackupRestoreMain* main = BackupRestoreMain::GetInstance();
        for (auto& controllerPtr : *main->GetBackupRestoreControllerPtrVector())
            app_control_destroy(controllerPtr->GetAppControl());
        main->GetBackupRestoreControllerPtrVector()->clear();
        if (main->GetServiceTerminateTimer() != 0) {
            // Drop the pending wait without ending anything: with a request listed it only clears.
            ListNew(nullptr);
            BackupRestoreMain::ServiceTerminateTimerCB(nullptr);
            main->GetBackupRestoreControllerPtrVector()->clear();
        }
    }
    LogCapture mLog;
};

} // namespace

TEST_F(ServiceHostTest, OperationTableMatchesPrefixesAndRejectsTheRest)
{
    const std::string longer = std::string(kOperationBackupUri) + "_and_more";
    const std::string shorter(kOperationRestoreUri, strlen(kOperationRestoreUri) - 1);
    const std::pair<const char*, const char*> operations[] = {{kOperationBackupUri, kOperationBackup},
                                                              {kOperationRestoreUri, kOperationRestore},
                                                              {kOperationGetInfoUri, kOperationGetInfo},
                                                              {longer.c_str(), kOperationBackup},
                                                              {shorter.c_str(), kOperationNone},
                                                              {APP_CONTROL_OPERATION_DEFAULT, kOperationNone},
                                                              {nullptr, kOperationNone}};
    for (const auto& [uri, name] : operations)
        EXPECT_EQ(BackupRestoreLaunchScenarioProxy::MapOperation(uri), name) << (uri ? uri : "(null)");

    auto factory = BackupRestoreLaunchScenarioFactory::Make();
    EXPECT_NE(dynamic_cast<ScenBackup*>(factory->MakeScenario(true, kOperationBackup).get()), nullptr);
    EXPECT_NE(dynamic_cast<ScenRestore*>(factory->MakeScenario(true, kOperationRestore).get()), nullptr);
    EXPECT_NE(dynamic_cast<ScenGetInfo*>(factory->MakeScenario(true, kOperationGetInfo).get()), nullptr);
    for (const char* name : {"", kOperationNone, "VELURIO_CLOUD_OPERATION_BACKUPX"})
        EXPECT_NE(dynamic_cast<ScenNone*>(factory->MakeScenario(true, name).get()), nullptr) << name;
    // A caller that failed the certificate check gets nothing, whatever it asked for.
    EXPECT_NE(dynamic_cast<ScenNone*>(factory->MakeScenario(false, kOperationBackup).get()), nullptr);
}

TEST_F(ServiceHostTest, NullHandleAndUnreceivedHandleFailTheLaunch)
{
    auto proxy = BackupRestoreLaunchScenarioProxy::Make();
    EXPECT_FALSE(proxy->Launch(nullptr));
    EXPECT_TRUE(proxy->GetOperation().empty());
    EXPECT_TRUE(mLog.Contains("weather-backuprestore", "(appControl == NULL) [return]"));
    EXPECT_TRUE(mLog.Contains("(mAppId.length() < 1) [return]"));
    // The failed launch still starts the wait, as nothing is listed.
    EXPECT_NE(BackupRestoreMain::GetInstance()->GetServiceTerminateTimer(), 0u);

    // A handle this process made itself names no caller: the check fails and
    // the listed request is dropped with its handle.
    app_control_h handle = NewHandle();
    app_control_set_operation(handle, kOperationBackupUri);
    ListNew(handle);
    auto proxy2 = BackupRestoreLaunchScenarioProxy::Make();
    EXPECT_FALSE(proxy2->Launch(handle));
    EXPECT_EQ(proxy2->GetOperation(), kOperationBackup);
    EXPECT_TRUE(mLog.Contains("app_control_get_caller failed"));
    EXPECT_TRUE(BackupRestoreMain::GetInstance()->GetBackupRestoreControllerPtrVector()->empty());
}

TEST_F(ServiceHostTest, WaitStartsOnlyAfterTheLastListedRequest)
{
    BackupRestoreMain* main = BackupRestoreMain::GetInstance();
    app_control_h first = NewHandle(), second = NewHandle(), stranger = NewHandle();
    auto firstPtr = ListNew(first);
    ListNew(second);
    EXPECT_EQ(main->FindBackupRestoreController(first), firstPtr);

    // Unknown handle: nothing erased, nothing destroyed, no wait while requests run.
    main->StartServiceTerminateTimer(stranger);
    EXPECT_EQ(main->GetBackupRestoreControllerPtrVector()->size(), 2u);
    EXPECT_EQ(main->GetServiceTerminateTimer(), 0u);

    main->StartServiceTerminateTimer(first);
    EXPECT_EQ(main->GetBackupRestoreControllerPtrVector()->size(), 1u);
    EXPECT_EQ(main->FindBackupRestoreController(first), nullptr);
    EXPECT_EQ(main->GetServiceTerminateTimer(), 0u);
    EXPECT_EQ(mLog.Count("Fail to ServiceTerminateTimer, Alreay Timer Exist"), 2u);

    main->StartServiceTerminateTimer(second);
    EXPECT_TRUE(main->GetBackupRestoreControllerPtrVector()->empty());
    EXPECT_NE(main->GetServiceTerminateTimer(), 0u);
    EXPECT_EQ(mLog.Count("there is same appControl. we should erase it from mBackupRestoreControllerPtrVector"), 2u);
    EXPECT_EQ(mLog.Count("Start ServiceTerminateTimer. Wait ..."), 1u);

    // An unknown handle with nothing listed: the pending wait is kept, the handle is not ours.
    guint pending = main->GetServiceTerminateTimer();
    main->StartServiceTerminateTimer(stranger);
    EXPECT_EQ(main->GetServiceTerminateTimer(), pending);
    EXPECT_EQ(app_control_destroy(stranger), APP_CONTROL_ERROR_NONE); // still valid: not destroyed
}

TEST_F(ServiceHostTest, RequestDuringTheWaitKeepsTheServiceThenTheNextWaitEndsIt)
{
    BackupRestoreMain* main = BackupRestoreMain::GetInstance();
    bool ended = RunInServiceLoop([this, main] {
        main->StartServiceTerminateTimer(nullptr);
        ASSERT_NE(main->GetServiceTerminateTimer(), 0u);
        app_control_h late = NewHandle();
        ListNew(late);
        BackupRestoreMain::ServiceTerminateTimerCB(nullptr); // the wait fires with a request listed
        EXPECT_EQ(main->GetServiceTerminateTimer(), 0u);
        EXPECT_EQ(mLog.Count("TerminateService"), 0u);
        main->StartServiceTerminateTimer(late); // its completion: a new, real 1-second wait
        EXPECT_NE(main->GetServiceTerminateTimer(), 0u);
    });
    EXPECT_TRUE(ended);
    EXPECT_EQ(mLog.Count("TerminateService"), 1u);
    EXPECT_EQ(main->GetServiceTerminateTimer(), 0u);
}

TEST_F(ServiceHostTest, SelfKillTimerIsReArmedAndEndsTheService)
{
    BackupRestoreMain* main = BackupRestoreMain::GetInstance();
    BackupRestoreMain::SetSelfKillTimer(nullptr);
    EXPECT_TRUE(mLog.Contains("(pThis == NULL) [return]"));

    BackupRestoreMain::SetSelfKillTimer(main);
    guint first = main->GetSelfKillTimer();
    BackupRestoreMain::SetSelfKillTimer(main);
    guint second = main->GetSelfKillTimer();
    EXPECT_NE(first, 0u);
    EXPECT_NE(second, first);
    EXPECT_EQ(g_main_context_find_source_by_id(nullptr, first), nullptr); // the old one was removed
    // Armed for 142 s; a seconds timer may be moved by up to a second.
    GSource* armed = g_main_context_find_source_by_id(nullptr, second);
    ASSERT_NE(armed, nullptr);
    EXPECT_NEAR((g_source_get_ready_time(armed) - g_get_monotonic_time()) / G_USEC_PER_SEC, 142, 1);

    // The callback ends the service even while a request is listed.
    ListNew(NewHandle());
    bool ended = RunInServiceLoop([main] { EXPECT_FALSE(BackupRestoreMain::BackupRestoreSelfKillTimeoutCb(main)); });
    EXPECT_TRUE(ended);
    EXPECT_TRUE(mLog.Contains("BackupRestoreSelfKillTimeoutCb"));
    g_source_remove(main->GetSelfKillTimer()); // the 142-second source itself never fired here
}
