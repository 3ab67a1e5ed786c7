#include <gtest/gtest.h>

#include <glib.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "DeviceFixture.h"
#include "I18nTestSupport.h"
#include "utils/ICUHelper.h"

#include <device/host.h>
#include <device/i18n.h>

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

// A text longer than the buffers keeps its longest prefix of whole
// characters within 64 UTF-16 units and 63 bytes of UTF-8 (plus the end).
TEST(ICUHelperTest, LongTextsKeepTheirLongestPrefix)
{
    for (const char* locale : {"en_US.UTF-8", "my_MM.UTF-8"}) {
        ScopedLocaleEnv env(locale, "UTC0");
        ICUHelper* icu = ICUHelper::GetInstance();
        const std::string day = icu->ConvertEpochTimeToICUDateCustom(kFriday, "EEEE");
        ASSERT_FALSE(day.empty()) << locale;
        std::string whole;
        for (int i = 0; i < 10; ++i)
            whole += day + " ";
        const std::string text =
            icu->ConvertEpochTimeToICUDateCustom(kFriday, "EEEE EEEE EEEE EEEE EEEE EEEE EEEE EEEE EEEE EEEE ");
        // The expected cut: whole characters while both limits hold.
        size_t bytes = 0, units = 0;
        for (const char* p = whole.c_str(); *p != '\0'; p = g_utf8_next_char(p)) {
            const size_t size = g_utf8_next_char(p) - p;
            const size_t unitCount = size == 4 ? 2 : 1;
            if (bytes + size > 63 || units + unitCount > 64)
                break;
            bytes += size;
            units += unitCount;
        }
        EXPECT_EQ(text, whole.substr(0, bytes)) << locale;
    }
    // A pattern cut at its 64 bytes keeps its whole characters: "E" and 20 of 30 "年".
    {
        ScopedLocaleEnv env("en_US.UTF-8", "UTC0");
        std::string pattern = "E", expected = "Fri";
        for (int i = 0; i < 30; ++i)
            pattern += "年";
        for (int i = 0; i < 20; ++i)
            expected += "年";
        EXPECT_EQ(ICUHelper::GetInstance()->ConvertEpochTimeToICUDateCustom(kFriday, pattern), expected);
    }
    // The long city time of a Burmese device in 12-hour mode is not blank.
    ScopedLocaleEnv env("my_MM.UTF-8", "UTC0");
    const std::string longTime =
        ICUHelper::GetInstance()->ConvertEpochTimeToICUDate(kFriday, ICU_FORMAT_EEEDMMM_HHMM_12);
    EXPECT_FALSE(longTime.empty());
    EXPECT_TRUE(g_utf8_validate(longTime.c_str(), -1, nullptr)) << longTime;
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

// Formatters are kept between calls: each call in turn must still follow the
// locale and zone of its own moment, back and forth.
TEST(ICUHelperTest, LocaleAndZoneChangesBetweenCalls)
{
    const struct {
        const char* locale;
        const char* tz;
        const char* time;
        const char* number;
    } steps[] = {
        {"en_US.UTF-8", "UTC0", "Fri, Dec 6, 1:05\u202fPM", "1,234"},
        {"ko_KR.UTF-8", "UTC0", "12월 6일 (금) 오후 1:05", "1,234"},
        {"en_US.UTF-8", "JST-9", "Fri, Dec 6, 10:05\u202fPM", "1,234"},
        {"ar_EG.UTF-8", "JST-9", "الجمعة، ٦ ديسمبر، ١٠:٠٥ م", "١٬٢٣٤"},
        {"en_US.UTF-8", "UTC0", "Fri, Dec 6, 1:05\u202fPM", "1,234"},
    };
    for (const auto& s : steps) {
        ScopedLocaleEnv env(s.locale, s.tz);
        EXPECT_EQ(ICUHelper::GetInstance()->ConvertEpochTimeToICUDate(kFriday, ICU_FORMAT_EEEDMMM_HHMM_12), s.time)
            << s.locale << " " << s.tz;
        EXPECT_EQ(ICUHelper::GetInstance()->ConvertNumberToLocaleString(1234), s.number) << s.locale;
    }
}

// Two formatters of the same locale, zone and pattern alive at once (one is
// lent from the kept ones, the other opened) both format, and a kept one goes
// back when its handle is destroyed.
TEST(ICUHelperTest, SameFormatterTwiceAtOnce)
{
    i18n_uchar zone[16], pattern[16], text[32];
    ASSERT_EQ(i18n_ustring_from_utf8("GMT+9:00", -1, zone, 16, nullptr), I18N_ERROR_NONE);
    ASSERT_EQ(i18n_ustring_from_utf8("HH:mm", -1, pattern, 16, nullptr), I18N_ERROR_NONE);
    for (int round = 0; round < 2; ++round) {
        i18n_udate_format_h first = nullptr, second = nullptr;
        ASSERT_EQ(i18n_udate_create(I18N_UDATE_PATTERN, I18N_UDATE_PATTERN, "en_US", zone, -1, pattern, -1, &first), 0);
        ASSERT_EQ(i18n_udate_create(I18N_UDATE_PATTERN, I18N_UDATE_PATTERN, "en_US", zone, -1, pattern, -1, &second),
                  0);
        for (i18n_udate_format_h handle : {second, first}) {
            char utf8[32];
            int32_t length = 0;
            ASSERT_EQ(i18n_udate_format_date(handle, kFriday * 1000.0, text, 32, &length), I18N_ERROR_NONE);
            ASSERT_EQ(i18n_ustring_to_utf8(text, length, utf8, sizeof utf8, nullptr), I18N_ERROR_NONE);
            EXPECT_STREQ(utf8, "22:05") << "round " << round;
        }
        EXPECT_EQ(i18n_udate_destroy(first), I18N_ERROR_NONE);
        EXPECT_EQ(i18n_udate_destroy(second), I18N_ERROR_NONE);
    }
}
