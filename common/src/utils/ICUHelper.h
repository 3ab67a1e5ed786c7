#ifndef WEATHER_COMMON_ICU_HELPER_H
#define WEATHER_COMMON_ICU_HELPER_H

#include <cstdint>
#include <string>

#include "utils/Pattern.h"

// Skeletons of ConvertEpochTimeToICUDate, by format number.
enum ICUDateFormat {
    ICU_FORMAT_DD = 0,
    ICU_FORMAT_MMMDD = 1,
    ICU_FORMAT_YYYYMMM = 2,
    ICU_FORMAT_YYYYMMMDD = 3,
    ICU_FORMAT_DDMMMYYYY = 4,
    ICU_FORMAT_MMMMDYYYY = 5,
    ICU_FORMAT_YYYYMMMMDD = 6,
    ICU_FORMAT_YYYY = 7,
    ICU_FORMAT_MMM = 8,
    ICU_FORMAT_HHMM_24 = 9,
    ICU_FORMAT_HHMM_12 = 10,
    ICU_FORMAT_EEE = 11,
    ICU_FORMAT_MM = 12,
    ICU_FORMAT_MMMMED = 13,
    ICU_FORMAT_MMMED = 14,
    ICU_FORMAT_MMDD = 15,
    ICU_FORMAT_YYYY_MM_DD = 16,
    ICU_FORMAT_AMPM = 17,
    ICU_FORMAT_H_12 = 18,
    ICU_FORMAT_HH_24 = 19,
    ICU_FORMAT_MINUTE = 20,
    ICU_FORMAT_D = 21,
    ICU_FORMAT_EEEDMMM_HHMM_24 = 22,
    ICU_FORMAT_EEEDMMM_HHMM_12 = 23,
    ICU_FORMAT_MMMDD_HHMM_24 = 24,
    ICU_FORMAT_MMMDD_HHMM_12 = 25,
    ICU_FORMAT_COUNT
};

// Dates and numbers in the display locale, which is LC_TIME of the process
// environment, made ICU's default before every call. Main-loop thread only:
// the zone and pattern buffers are process-wide and rewritten by every call.
class ICUHelper {
public:
    DECLARE_SINGLETON(ICUHelper);

    virtual bool Init();
    virtual ~ICUHelper() = default;

    // Default locale up to its first "." ("en_US" when there is nothing left).
    std::string GetLocaleStr();
    // The locale's best pattern for the skeleton of `format` (ICUDateFormat);
    // a few locales use fixed patterns for 11 and 15. Empty on any failure.
    std::string ConvertEpochTimeToICUDate(unsigned int time, int format);
    // The pattern used as it stands. Empty on any failure.
    std::string ConvertEpochTimeToICUDateCustom(unsigned int time, const std::string& pattern);
    // Decimal style: the locale's digits and grouping. Empty on any failure.
    std::string ConvertNumberToLocaleString(int32_t number);
    std::string ConvertDoubleToLocaleString(double number);

    static const char* GetSkeleton(int format);

private:
    ICUHelper() = default;

    std::string PrepareLocale();
    std::string FormatWithPatternBuffer(unsigned int time, const std::string& locale);
    std::string FormatNumber(const std::string& locale, bool isDouble, int32_t number, double value);
};

#endif
