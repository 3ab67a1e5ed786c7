#include <gtest/gtest.h>

#include <device/system_keys.h>
#include <device/vconf.h>

#include <device/host.h>

#include <string>
#include <vector>

#include "LogLines.h"
#include "TestProcess.h"
#include "utils/VconfUtilFactory.h"
#include "utils/VconfWatchUtil.h"

namespace {

class VconfUtilTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        vconf_set_int(SYSKEY_RETAIL_MODE_ENABLED, 0); // as a new device has it
        vconf_set_int(SYSKEY_TIME_FORMAT_1224, 1);
        vconf_set_str(SYSKEY_HOST_VENDOR, "");
        vconf_set_bool(SYSKEY_HOST_CONNECTED, 0);
    }
};

} // namespace

TEST_F(VconfUtilTest, WatchReadsTheKeysWithDefaults)
{
    std::shared_ptr<VconfUtil> watch = VconfUtilFactory::Make();
    ASSERT_TRUE(std::dynamic_pointer_cast<VconfWatchUtil>(watch));
    int stored = -1; // a new device defines the key, as a watch does
    EXPECT_EQ(VCONF_OK, vconf_get_int(SYSKEY_RETAIL_MODE_ENABLED, &stored));
    EXPECT_EQ(0, stored);
    // Roots made before the key was defined lack it: not retail either.
    ASSERT_EQ(VCONF_OK, vconf_unset(SYSKEY_RETAIL_MODE_ENABLED));
    LogCapture log;
    EXPECT_FALSE(watch->GetIsRetailMode());
    EXPECT_TRUE(utils_test::HasLine(log, "VconfUtil.cpp", "GetVconfIntValue",
                                    "Failed vconf_get_int [ret : -1, key : db/retailmode/enabled, value : -1]"));
    for (int value : {1, 2}) {
        ASSERT_EQ(VCONF_OK, vconf_set_int(SYSKEY_RETAIL_MODE_ENABLED, value));
        EXPECT_EQ(watch->GetIsRetailMode(), value == 1);
    }
    ASSERT_EQ(VCONF_OK, vconf_set_int(SYSKEY_TIME_FORMAT_1224, 0));
    EXPECT_EQ(0, watch->GetTimeFormat());
    vconf_unset(SYSKEY_TIME_FORMAT_1224);
    EXPECT_EQ(1, watch->GetTimeFormat()); // twelve-hour by default
}

TEST_F(VconfUtilTest, PlainKindAnswersNeutralDefaultsWhateverTheKeysSay)
{
    ASSERT_EQ(VCONF_OK, vconf_set_int(SYSKEY_RETAIL_MODE_ENABLED, 1));
    ASSERT_EQ(VCONF_OK, vconf_set_str(SYSKEY_HOST_VENDOR, "LO"));
    ASSERT_EQ(VCONF_OK, vconf_set_bool(SYSKEY_HOST_CONNECTED, 1));
    std::shared_ptr<VconfUtil> plain = VconfUtil::Make(), watch = VconfUtilFactory::Make();
    ASSERT_TRUE(plain);
    EXPECT_EQ("Velurio", plain->GetHostVendor());
    EXPECT_FALSE(plain->GetIsRetailMode());
    EXPECT_FALSE(plain->GetIsHostConnected());
    EXPECT_EQ(-1, plain->GetHostConnectionType());
    // The watch reads the same keys for real.
    EXPECT_EQ("LO", watch->GetHostVendor());
    EXPECT_TRUE(watch->GetIsHostConnected());
}

namespace {

struct KeyReader {
    const char* key;
    vconf_t type;
    int stored; // for strings: the text "v<stored>"
    std::string (*read)(VconfUtil&);
    const char* expected;
    const char* absent;
};

std::string Text(int value)
{
    return std::to_string(value);
}

// Each reader on a device where only its own key is set: no reader reads another's key.
const KeyReader kReaders[] = {
    {SYSKEY_TIME_FORMAT_1224, VCONF_TYPE_INT, 7, [](VconfUtil& u) { return Text(u.GetTimeFormat()); }, "7", "1"},
    {SYSKEY_COUNTRY_ISO, VCONF_TYPE_STRING, 1, [](VconfUtil& u) { return u.GetCountryIso(); }, "v1", ""},
    {SYSKEY_LANGUAGE, VCONF_TYPE_STRING, 2, [](VconfUtil& u) { return u.GetLanguage(); }, "v2", ""},
    {SYSKEY_RETAIL_MODE_RES_PATH, VCONF_TYPE_STRING, 3, [](VconfUtil& u) { return u.GetRetailModeResPath(); }, "v3",
     ""},
    {SYSKEY_HOST_VENDOR, VCONF_TYPE_STRING, 4, [](VconfUtil& u) { return u.GetHostVendor(); }, "v4", ""},
    {SYSKEY_LOCKSCREEN_WEATHER_DISPLAY, VCONF_TYPE_BOOL, 1,
     [](VconfUtil& u) { return Text(u.GetIsWeatherDisplayOnLockscreen()); }, "1", "0"},
    {SYSKEY_HOST_CONNECTED, VCONF_TYPE_BOOL, 1, [](VconfUtil& u) { return Text(u.GetIsHostConnected()); }, "1", "0"},
    {SYSKEY_COMPANION_SERVICE_CONNECTED, VCONF_TYPE_INT, 2,
     [](VconfUtil& u) { return Text(u.GetIsCompanionServiceConnected()); }, "1", "0"},
    {SYSKEY_NOTIFICATION_BRIDGE_CONNECTED, VCONF_TYPE_INT, 3,
     [](VconfUtil& u) { return Text(u.GetIsNotificationBridgeConnected()); }, "1", "0"},
    {SYSKEY_IOS_HOST_CONNECTED, VCONF_TYPE_INT, 4, [](VconfUtil& u) { return Text(u.GetIsIosConnected()); }, "1", "0"},
    {SYSKEY_STANDALONE, VCONF_TYPE_INT, 5, [](VconfUtil& u) { return Text(u.GetIsStandalone()); }, "1", "0"},
    {SYSKEY_HOST_CONNECTION_TYPE, VCONF_TYPE_INT, 6, [](VconfUtil& u) { return Text(u.GetHostConnectionType()); }, "6",
     "-1"},
    {SYSKEY_HOST_DATA_NETWORK_STATUS, VCONF_TYPE_INT, 8,
     [](VconfUtil& u) { return Text(u.GetHostDataNetworkStatus()); }, "8", "-1"},
    {SYSKEY_RETAIL_MODE_ENABLED, VCONF_TYPE_INT, 1, [](VconfUtil& u) { return Text(u.GetIsRetailMode()); }, "1", "0"},
};

void Store(const KeyReader& reader)
{
    const std::string text = "v" + std::to_string(reader.stored);
    ASSERT_EQ(VCONF_OK, reader.type == VCONF_TYPE_STRING ? vconf_set_str(reader.key, text.c_str())
                        : reader.type == VCONF_TYPE_BOOL ? vconf_set_bool(reader.key, reader.stored)
                                                         : vconf_set_int(reader.key, reader.stored))
        << reader.key;
}

struct Listener {
    const char* key;
    void (VconfUtil::*add)(vconf_callback_fn, void*);
    void (VconfUtil::*remove)(vconf_callback_fn);
};

// Each listener and the system key whose change it hears, as the platform
// names the keys.
const Listener kListeners[] = {
    {"memory/system/timechanged", &VconfUtil::AddTimeChangedListener, &VconfUtil::RemoveTimeChangedListener},
    {"db/setting/timezone_id", &VconfUtil::AddTimeZoneListener, &VconfUtil::RemoveTimeZoneListener},
    {"db/setting/date_format", &VconfUtil::AddDateFormatListener, &VconfUtil::RemoveDateFormatListener},
    {"db/menu_widget/regionformat_time1224", &VconfUtil::AddTimeFormatListener, &VconfUtil::RemoveTimeFormatListener},
    {"db/retailmode/enabled", &VconfUtil::AddRetailModeEnabledListener, &VconfUtil::RemoveRetailModeEnabledListener},
    {"db/retailmode/res_path", &VconfUtil::AddRetailModeResPathListener, &VconfUtil::RemoveRetailModeResPathListener},
    {"memory/phonelink/host_connected", &VconfUtil::AddHostConnectedListener, &VconfUtil::RemoveHostConnectedListener},
};

void Heard(keynode_t* node, void* data)
{
    static_cast<std::vector<std::string>*>(data)->push_back(vconf_keynode_get_name(node));
}

} // namespace

TEST_F(VconfUtilTest, EachReaderReadsItsOwnKeyAndAnswersItsDefaultWithoutIt)
{
    std::shared_ptr<VconfUtil> watch = VconfUtilFactory::Make();
    for (const KeyReader& reader : kReaders)
        vconf_unset(reader.key);
    for (const KeyReader& reader : kReaders)
        EXPECT_EQ(reader.read(*watch), reader.absent) << reader.key;
    for (const KeyReader& set : kReaders) {
        Store(set);
        for (const KeyReader& reader : kReaders)
            EXPECT_EQ(reader.read(*watch), &reader == &set ? reader.expected : reader.absent)
                << reader.key << " with " << set.key << " set";
        vconf_unset(set.key);
    }
    LogCapture log;
    EXPECT_EQ(watch->GetCountryIso(), "");
    EXPECT_TRUE(utils_test::HasLine(log, "VconfUtil.cpp", "GetVconfStrValue",
                                    "Failed vconf_get_str [ret : (null), key : db/csc/country_iso, value : ]"));
    EXPECT_FALSE(watch->GetIsHostConnected());
    EXPECT_TRUE(
        utils_test::HasLine(log, "VconfUtil.cpp", "GetVconfBoolValue",
                            "Failed vconf_get_bool [ret : -1, key : memory/phonelink/host_connected, value : 0]"));

    watch->SetIsWeatherDisplayOnLockscreen(true);
    EXPECT_TRUE(watch->GetIsWeatherDisplayOnLockscreen());
    watch->SetIsWeatherDisplayOnLockscreen(false);
    EXPECT_FALSE(watch->GetIsWeatherDisplayOnLockscreen());
    device::SetFault("vconf_set_bool", device::Fault::Error);
    watch->SetIsWeatherDisplayOnLockscreen(true);
    device::ClearFaults();
    EXPECT_FALSE(watch->GetIsWeatherDisplayOnLockscreen());
    EXPECT_TRUE(utils_test::HasLine(log, "VconfUtil.cpp", "SetVconfBoolValue", "Failed vconf_set_bool [ret : -1]"));
}

TEST_F(VconfUtilTest, ListenersHearTheirOwnKeyUntilRemoved)
{
    std::shared_ptr<VconfUtil> watch = VconfUtilFactory::Make();
    for (const Listener& listener : kListeners) {
        std::vector<std::string> heard;
        ((*watch).*listener.add)(Heard, &heard);
        for (const Listener& other : kListeners)
            if (&other != &listener)
                vconf_set_int(other.key, 1);
        ASSERT_EQ(VCONF_OK, vconf_set_str(listener.key, "changed"));
        EXPECT_TRUE(test_process::PumpUntil([&] { return !heard.empty(); })) << listener.key;
        EXPECT_EQ(heard, std::vector<std::string>{listener.key});
        ((*watch).*listener.remove)(Heard);
        vconf_set_str(listener.key, "again");
        test_process::PumpUntil([] { return false; }, 200);
        EXPECT_EQ(heard.size(), 1u) << listener.key;
        vconf_unset(listener.key);
    }
    // Registration failures are logged.
    LogCapture log;
    std::vector<std::string> heard;
    device::SetFault("vconf_notify_key_changed", device::Fault::Error);
    device::SetFault("vconf_ignore_key_changed", device::Fault::Error);
    watch->AddTimeZoneListener(Heard, &heard);
    watch->RemoveTimeZoneListener(Heard);
    device::ClearFaults();
    EXPECT_TRUE(log.Contains("Failed vconf_notify_key_changed [key : db/setting/timezone_id, ret : -1]"));
    EXPECT_TRUE(log.Contains("Failed vconf_ignore_key_changed [key : db/setting/timezone_id, ret : -1]"));
    // The plain kind registers nothing of its own.
    std::shared_ptr<VconfUtil> plain = VconfUtil::Make();
    plain->AddRetailModeEnabledListener(Heard, &heard);
    plain->AddHostConnectedListener(Heard, &heard);
    vconf_set_int(SYSKEY_RETAIL_MODE_ENABLED, 1);
    vconf_set_bool(SYSKEY_HOST_CONNECTED, 1);
    test_process::PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(heard.empty());
}
