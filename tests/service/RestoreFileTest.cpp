// The restoration callback against damaged files: only a well-formed records
// file may change the settings.

#include <gtest/gtest.h>

#include <glib.h>

#include <device/cloud.h>

#include <string>

#include "BackupRestoreLaunchScenarioReal.h"
#include "typedef/DataManager.h"
#include "DeviceFixture.h"
#include "SqliteTestUtil.h"

using namespace NSWeatherService;

namespace {

std::string Snapshot()
{
    DataManager* data = DataManager::GetInstance();
    data->LoadData();
    return std::to_string(data->GetTemperatureUnit()) + "/" + std::to_string(data->GetAutoRefreshInterval()) + "/" +
           std::to_string(data->GetShowCurrentCityAgreement()) + "/" + std::to_string(data->GetNotificationOn());
}

// A records file holding one record with `value`, as the library writes it.
std::string RecordsFile(const std::string& path, const char* value)
{
    velurio_cloud_list_h list = nullptr;
    velurio_cloud_record_h record = nullptr;
    EXPECT_EQ(velurio_cloud_list_create(&list), VELURIO_CLOUD_ERROR_NONE);
    velurio_cloud_record_create(&record);
    velurio_cloud_record_set_key(record, "backup_item_tavo_weather");
    velurio_cloud_record_set_value(record, value);
    velurio_cloud_list_add(list, record);
    EXPECT_EQ(velurio_cloud_file_create_file(list, path.c_str()), VELURIO_CLOUD_ERROR_NONE);
    velurio_cloud_list_destroy(list);
    return ReadText(path);
}

} // namespace

TEST(RestoreFileTest, DamagedFilesChangeNoSettingAndAGoodOneDoes)
{
    DeviceFixture::Reset();
    DataManager* data = DataManager::GetInstance();
    data->InitializeDB();
    data->LoadData();
    data->SetTemperatureUnit(0);
    data->SetAutoRefreshInterval(3);
    data->SetShowCurrentCityAgreement(true);
    data->SetNotificationOn(true);
    const std::string before = Snapshot();
    ASSERT_EQ(before, "0/3/1/1");

    const std::string path = DeviceFixture::Root() + "/restore-test.dat";
    const std::string good = RecordsFile(
        path,
        "{\"tempUnit\":1,\"autoRefreshTimeInterval\":12,\"useCurrentLocationAgreed\":false,\"useNotification\":false}");
    std::string corrupt = good;
    corrupt[corrupt.size() / 2] ^= 0x5a;
    const std::string damaged[] = {
        good.substr(0, good.size() / 2),                   // truncated
        corrupt,                                           // bit rot
        "{\"tempUnit\":1,\"autoRefreshTimeInterval\":12}", // a bare document, not a records file
        "",
    };
    ScenRestore scenario;
    LogCapture log;
    for (const std::string& bytes : damaged) {
        ASSERT_TRUE(g_file_set_contents(path.c_str(), bytes.data(), bytes.size(), nullptr));
        ScenRestore::RestoreRecordCb(path.c_str(), &scenario);
        EXPECT_EQ(Snapshot(), before) << bytes.size() << " bytes";
    }
    EXPECT_EQ(log.Count("velurio_cloud_file_create_record_list() failed, errorCode = ["), 4u);
    ScenRestore::RestoreRecordCb((path + ".missing").c_str(), &scenario);
    ScenRestore::RestoreRecordCb(path.c_str(), nullptr);
    EXPECT_TRUE(log.Contains("(pThis == NULL) [return]"));
    EXPECT_EQ(Snapshot(), before);

    // The intact file is applied; "useNotification" false turns the pop-up off too.
    ASSERT_TRUE(g_file_set_contents(path.c_str(), good.data(), good.size(), nullptr));
    ScenRestore::RestoreRecordCb(path.c_str(), &scenario);
    EXPECT_EQ(Snapshot(), "1/12/0/0");
    EXPECT_TRUE(log.Contains("restore data, tempUnit:1, autoRefreshTimeInterval:12, useCurrentLocationAgreed:0, "
                             "useNotification:0"));
}
