#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "DeviceFixture.h"
#include "I18nTestSupport.h"
#include "utils/ICUHelper.h"

#include <device/host.h>

namespace {

// 2024-12-06 13:05:00 UTC, a Friday.
constexpr unsigned int kFriday = 1733490300;

} // namespace

// Literal ICU 72 texts; the fixed patterns of 15 and 11 for their locales.
TEST(ICUHelperTest, SkeletonsByLocale)
{
    const struct {
        const char* locale;
        int format;
        const char* expected;
    } cases[] = {
        {"en_US.UTF-8", ICU_FORMAT_HHMM_24, "13:05"},
        {"en_US.UTF-8", ICU_FORMAT_HHMM_12, "1:05\u202fPM"},
        {"en_US.UTF-8", ICU_FORMAT_EEEDMMM_HHMM_24, "Fri, Dec 6, 13:05"},
        {"en_US.UTF-8", ICU_FORMAT_EEEDMMM_HHMM_12, "Fri, Dec 6, 1:05\u202fPM"},
        {"en_US.UTF-8", ICU_FORMAT_MMDD, "12/06"},
        {"ko_KR.UTF-8", ICU_FORMAT_MMDD, "12/06"},
        {"lo_LA.UTF-8", ICU_FORMAT_MMDD, "06/12"},
        {"ko_KR.UTF-8", ICU_FORMAT_EEEDMMM_HHMM_12, "12월 6일 (금) 오후 1:05"},
        {"zh_CN.UTF-8", ICU_FORMAT_EEE, "周五"},
        {"zh_TW.UTF-8", ICU_FORMAT_EEE, "週五"},
        {"pa_IN.UTF-8", ICU_FORMAT_EEE, "ਸ਼ੁੱਕਰ"},
        {"zh_CN.UTF-8", ICU_FORMAT_EEEDMMM_HHMM_24, "12月6日周五 13:05"},
        {"ja_JP.UTF-8", ICU_FORMAT_EEEDMMM_HHMM_24, "12月6日(金) 13:05"},
        {"ja_JP.UTF-8", ICU_FORMAT_HHMM_12, "午後1:05"},
        {"ar_AE.UTF-8", ICU_FORMAT_EEEDMMM_HHMM_12, "الجمعة، 6 ديسمبر، 1:05 م"},
        {"lo_LA.UTF-8", ICU_FORMAT_EEEDMMM_HHMM_24, "ສຸກ 6 ທ.ວ., 13:05"},
    };
    for (const auto& c : cases) {
        ScopedLocaleEnv env(c.locale, "UTC0");
        EXPECT_EQ(ICUHelper::GetInstance()->ConvertEpochTimeToICUDate(kFriday, c.format), c.expected)
            << c.locale << " " << c.format;
    }
}

// The zone is the device's own offset now, whole hours then absolute minutes.
TEST(ICUHelperTest, ZoneOfTheDevice)
{
    const struct {
        const char* tz;
        const char* expected;
    } cases[] = {
        {"UTC0", "13:05 GMT"},
        {"JST-9", "22:05 GMT+09:00"},
        {"NST3:30", "09:35 GMT-03:30"},
        {"NPT-5:45", "18:50 GMT+05:45"},
    };
    for (const auto& c : cases) {
        ScopedLocaleEnv env("en_US.UTF-8", c.tz);
        EXPECT_EQ(ICUHelper::GetInstance()->ConvertEpochTimeToICUDateCustom(kFriday, "HH:mm ZZZZ"), c.expected) << c.tz;
    }
}

TEST(ICUHelperTest, Numbers)
{
    const struct {
        const char* locale;
        int32_t number;
        double value;
        const char* integerText;
        const char* doubleText;
    } cases[] = {
        {"en_US.UTF-8", 1234567, 12.5, "1,234,567", "12.5"},
        {"ar_AE.UTF-8", -12, 0.25, "\u200e-12", "0.25"},
        {"ar_EG.UTF-8", 1234, 2.5, "١٬٢٣٤", "٢٫٥"}, // locale digits
        {"fr_FR.UTF-8", 1234567, -3.5, "1\u202f234\u202f567", "-3,5"},
    };
    for (const auto& c : cases) {
        ScopedLocaleEnv env(c.locale, "UTC0");
        EXPECT_EQ(ICUHelper::GetInstance()->ConvertNumberToLocaleString(c.number), c.integerText) << c.locale;
        EXPECT_EQ(ICUHelper::GetInstance()->ConvertDoubleToLocaleString(c.value), c.doubleText) << c.locale;
    }
}

TEST(ICUHelperTest, LocaleNameAndFailures)
{
    {
        ScopedLocaleEnv env("ko_KR.UTF-8", "UTC0");
        EXPECT_EQ(ICUHelper::GetInstance()->ConvertNumberToLocaleString(1), "1");
        EXPECT_EQ(ICUHelper::GetInstance()->GetLocaleStr(), "ko_KR");
    }
    ScopedLocaleEnv env(nullptr, "UTC0");
    {
        device::SetFault("i18n_ulocale_get_default", device::Fault::Error);
        EXPECT_EQ(ICUHelper::GetInstance()->GetLocaleStr(), "en_US");
        device::ClearFaults();
    }
    LogCapture log;
    EXPECT_EQ(ICUHelper::GetInstance()->ConvertEpochTimeToICUDateCustom(kFriday, ""), "");
    EXPECT_TRUE(log.Contains("(pattern.length() < 1) [return]"));
    EXPECT_EQ(ICUHelper::GetInstance()->ConvertEpochTimeToICUDate(kFriday, ICU_FORMAT_COUNT), "");
    device::SetFault("i18n_udate_create", device::Fault::Error);
    EXPECT_EQ(ICUHelper::GetInstance()->ConvertEpochTimeToICUDate(kFriday, ICU_FORMAT_HHMM_24), "");
    device::SetFault("i18n_unumber_create", device::Fault::Error);
    EXPECT_EQ(ICUHelper::GetInstance()->ConvertNumberToLocaleString(5), "");
    device::ClearFaults();
    EXPECT_EQ(ICUHelper::GetInstance()->ConvertNumberToLocaleString(5), "5");
}
