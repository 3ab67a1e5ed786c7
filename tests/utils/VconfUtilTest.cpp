#include <gtest/gtest.h>

#include <device/system_keys.h>
#include <device/vconf.h>

#include "LogLines.h"
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
