#include <gtest/gtest.h>

#include <device/host_locale.h>
#include <device/system_keys.h>
#include <device/vconf.h>

#include "DeviceFixture.h"
#include "utils/LanguageHelper.h"

// Exact texts only: a language without the ".UTF-8" suffix is not RTL.
TEST(LanguageHelperTest, DirectionByExactLanguage)
{
    const struct {
        const char* language;
        bool rtl, hebrew, arabic;
    } cases[] = {
        {"ar_AE.UTF-8", true, false, true}, {"ur_PK.UTF-8", true, false, false},  {"he_IL.UTF-8", false, true, false},
        {"ar_AE", false, false, false},     {"en_US.UTF-8", false, false, false},
    };
    LanguageHelper* helper = LanguageHelper::GetInstance();
    for (const auto& c : cases) {
        ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, c.language), VCONF_OK);
        helper->ClearLanguage();
        EXPECT_EQ(helper->GetLanguage(), c.language);
        EXPECT_EQ(helper->GetIsRTLLanguage(), c.rtl) << c.language;
        EXPECT_EQ(helper->GetIsHebrew(), c.hebrew) << c.language;
        EXPECT_EQ(helper->GetIsArabic(), c.arabic) << c.language;
    }
    // Cached until cleared.
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "ko_KR.UTF-8"), VCONF_OK);
    EXPECT_EQ(helper->GetLanguage(), "en_US.UTF-8");
    helper->ClearLanguage();
    EXPECT_EQ(helper->GetLanguage(), "ko_KR.UTF-8");
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "en_US.UTF-8"), VCONF_OK);
    helper->ClearLanguage();
}

// What the device's launcher and the tools put into a process's environment.
TEST(DeviceLocaleTest, EnvironmentFollowsTheLanguageKey)
{
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "zh_TW.UTF-8"), VCONF_OK);
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(device::DeviceLocaleEnvironment(),
              (Pairs{{"LC_TIME", "zh_TW.UTF-8"}, {"LC_MESSAGES", "zh_TW.UTF-8"}, {"LANGUAGE", "zh_TW:en_US"}}));
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, ""), VCONF_OK);
    EXPECT_TRUE(device::DeviceLocaleEnvironment().empty());
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "en_US.UTF-8"), VCONF_OK);
}

// A language without its own catalogue reads the nearest one that exists,
// never English first: Hong Kong and Macau the traditional Chinese one.
TEST(DeviceLocaleTest, CatalogueListGoesToTheNearestLanguage)
{
    const struct {
        const char* language;
        const char* list;
    } cases[] = {
        {"ko_KR.UTF-8", "ko_KR:en_US"},
        {"zh_TW.UTF-8", "zh_TW:en_US"},
        {"en_US.UTF-8", "en_US"},
        {"zh_HK.UTF-8", "zh_HK:zh_TW:en_US"},
        {"zh_MO", "zh_MO:zh_TW:en_US"},
        {"zh_SG.UTF-8", "zh_SG:zh_CN:en_US"},
        {"de_AT.UTF-8", "de_AT:de_DE:en_US"},
        {"de_CH.UTF-8", "de_CH:de_DE:en_US"},
        {"ko_KP.UTF-8", "ko_KP:ko_KR:en_US"},
        {"ja_XX", "ja_XX:ja_JP:en_US"},
        {"en_GB.UTF-8", "en_GB:en_US"},
        {"pa_IN.UTF-8", "pa_IN:en_US"},
        {"zh_HK.UTF-8@stroke", "zh_HK:zh_TW:en_US"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(device::CatalogueList(c.language), c.list) << c.language;
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "zh_HK.UTF-8"), VCONF_OK);
    EXPECT_EQ(device::DeviceLocaleEnvironment().back().second, "zh_HK:zh_TW:en_US");
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "en_US.UTF-8"), VCONF_OK);
}
