#include "utils/ICUHelper.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <glib.h>

#include <device/i18n.h>

#include "utils/LanguageRules.h"

namespace {

constexpr int32_t kBufferUnits = 64;
constexpr const char* kFallbackLocale = "en_US.UTF-8";
// The locale name's buffer, terminator included.
constexpr size_t kLocaleBytes = 64;

const char* const kSkeletons[ICU_FORMAT_COUNT] = {
    "dd",   "MMMdd", "yyyyMMM", "yyyyMMMdd", "ddMMMyyyy",    "MMMMdyyyy",    "yyyyMMMMdd", "yyyy",       "MMM",
    "HHmm", "hhmm",  "EEE",     "MM",        "MMMMEd",       "MMMEd",        "MMdd",       "yyyy/MM/dd", "a",
    "h",    "HH",    "mm",      "d",         "EEEdMMM HHmm", "EEEdMMM hhmm", "MMMdd HHmm", "MMMdd hhmm"};

// Process-wide, rewritten by every call (main-loop thread only).
i18n_uchar sTimeZoneBuffer[kBufferUnits];
i18n_uchar sPatternBuffer[kBufferUnits];

// "GMT%+ld:%02ld" of the device's current offset: whole hours, then the
// absolute minutes, so -12600 s gives "GMT-3:30". Written unit by unit: the
// text is ASCII, and printing it and converting it cost more than the rest
// of a formatted time.
bool FillTimeZoneBuffer()
{
    time_t now = time(NULL);
    struct tm localTime;
    if (localtime_r(&now, &localTime) == NULL)
        return false;
    const long offset = localTime.tm_gmtoff;
    const long hours = offset / 3600;
    const long minutes = labs((offset % 3600) / 60);
    char digits[24];
    int count = 0;
    for (unsigned long rest = static_cast<unsigned long>(hours < 0 ? -hours : hours); count == 0 || rest != 0;
         rest /= 10)
        digits[count++] = static_cast<char>('0' + rest % 10);
    i18n_uchar* out = sTimeZoneBuffer;
    for (char c : {'G', 'M', 'T', hours < 0 ? '-' : '+'})
        *out++ = static_cast<i18n_uchar>(c);
    while (count > 0)
        *out++ = static_cast<i18n_uchar>(digits[--count]);
    *out++ = ':';
    *out++ = static_cast<i18n_uchar>('0' + minutes / 10);
    *out++ = static_cast<i18n_uchar>('0' + minutes % 10);
    *out = 0;
    return true;
}

bool FillPatternBuffer(const char* pattern)
{
    return i18n_ustring_from_utf8(pattern, -1, sPatternBuffer, kBufferUnits, NULL) == I18N_ERROR_NONE;
}

// Locales whose best pattern for a skeleton is not the one wanted.
const char* FixedPattern(int format, const std::string& locale)
{
    if (format == ICU_FORMAT_MMDD)
        return LocaleMonthDayPattern(locale);
    if (format == ICU_FORMAT_EEE)
        return LocaleWeekdayPattern(locale);
    return NULL;
}

// UTF-8 bytes of the code point that starts at text[i]; *units gets 1 or 2.
int32_t Utf8Bytes(const i18n_uchar* text, int32_t i, int32_t end, int32_t* units)
{
    const i18n_uchar unit = text[i];
    *units = 1;
    if (unit < 0x80)
        return 1;
    if (unit < 0x800)
        return 2;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < end && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        *units = 2;
        return 4;
    }
    return 3;
}

// A text longer than the buffers keeps its longest prefix of whole
// characters that fits both the UTF-16 units formatted and the UTF-8 bytes
// (with the terminator); the formatters leave the first units in the buffer.
std::string ToUtf8(const i18n_uchar* text, int32_t length)
{
    const int32_t end = length < kBufferUnits ? length : kBufferUnits;
    int32_t units = 0;
    int32_t bytes = 0;
    while (units < end) {
        int32_t step = 1;
        const int32_t size = Utf8Bytes(text, units, end, &step);
        // A pair cut by the end of the buffer is not a whole character.
        if (bytes + size > kBufferUnits - 1 || (units + 1 == end && text[units] >= 0xD800 && text[units] <= 0xDBFF))
            break;
        bytes += size;
        units += step;
    }
    if (units < length)
        LOGE("text of %d units cut to %d", length, units);
    char buffer[kBufferUnits] = {0};
    int ret = i18n_ustring_to_utf8(text, units, buffer, kBufferUnits, NULL);
    RETURN_IF_MSG(ret != I18N_ERROR_NONE, "i18n_ustring_to_utf8() != I18N_ERROR_NONE", "");
    return std::string(buffer, strnlen(buffer, sizeof(buffer)));
}

// A formatter's result: a text that did not fit is still there in part.
bool Formatted(int ret)
{
    return ret == I18N_ERROR_NONE || ret == I18N_ERROR_BUFFER_OVERFLOW;
}

} // namespace

DEFINE_SINGLETON(ICUHelper)

bool ICUHelper::Init()
{
    return true;
}

const char* ICUHelper::GetSkeleton(int format)
{
    return format >= 0 && format < ICU_FORMAT_COUNT ? kSkeletons[format] : NULL;
}

std::string ICUHelper::GetLocaleStr()
{
    const char* defaultLocale = NULL;
    if (i18n_ulocale_get_default(&defaultLocale) != I18N_ERROR_NONE || defaultLocale == NULL)
        defaultLocale = kFallbackLocale;
    // The first "."-separated token of the name's first 63 bytes, as strtok
    // gives it: leading dots skipped.
    const size_t length = strnlen(defaultLocale, kLocaleBytes - 1);
    size_t start = 0;
    while (start < length && defaultLocale[start] == '.')
        ++start;
    RETURN_IF_MSG(start == length, "token == NULL", "en_US");
    const void* dot = memchr(defaultLocale + start, '.', length - start);
    const size_t end = dot ? static_cast<size_t>(static_cast<const char*>(dot) - defaultLocale) : length;
    return std::string(defaultLocale + start, end - start);
}

std::string ICUHelper::PrepareLocale()
{
    // The display locale is LC_TIME of the environment that the launcher
    // gave this process; unset, ICU falls back to its own default.
    int ret = i18n_ulocale_set_default(getenv("LC_TIME"));
    if (ret != I18N_ERROR_NONE)
        LOGE("i18n_ulocale_set_default failed [ret : %d]", ret);
    return GetLocaleStr();
}

std::string ICUHelper::ConvertEpochTimeToICUDate(unsigned int time, int format)
{
    const char* skeleton = GetSkeleton(format);
    RETURN_IF(skeleton == NULL, "");
    std::string locale = PrepareLocale();
    RETURN_IF(!FillTimeZoneBuffer(), "");

    const char* fixedPattern = FixedPattern(format, locale);
    if (fixedPattern) {
        RETURN_IF(!FillPatternBuffer(fixedPattern), "");
    } else {
        i18n_udatepg_h generator = NULL;
        int ret = i18n_udatepg_create(locale.c_str(), &generator);
        RETURN_IF(ret != I18N_ERROR_NONE, "");
        i18n_uchar skeletonText[kBufferUnits] = {0};
        int32_t patternLength = 0;
        ret = i18n_ustring_from_utf8(skeleton, -1, skeletonText, kBufferUnits, NULL);
        if (ret == I18N_ERROR_NONE)
            ret = i18n_udatepg_get_best_pattern(generator, skeletonText, -1, sPatternBuffer, kBufferUnits,
                                                &patternLength);
        i18n_udatepg_destroy(generator);
        RETURN_IF(ret != I18N_ERROR_NONE, "");
    }
    return FormatWithPatternBuffer(time, locale);
}

std::string ICUHelper::ConvertEpochTimeToICUDateCustom(unsigned int time, const std::string& pattern)
{
    RETURN_IF(pattern.length() < 1, "");
    std::string locale = PrepareLocale();
    RETURN_IF(!FillTimeZoneBuffer(), "");
    char patternText[kBufferUnits] = {0};
    snprintf(patternText, sizeof(patternText), "%s", pattern.c_str());
    // A pattern cut by the buffer keeps its whole characters only.
    const gchar* validEnd = NULL;
    g_utf8_validate(patternText, -1, &validEnd);
    patternText[validEnd - patternText] = '\0';
    RETURN_IF(!FillPatternBuffer(patternText), "");
    return FormatWithPatternBuffer(time, locale);
}

std::string ICUHelper::FormatWithPatternBuffer(unsigned int time, const std::string& locale)
{
    i18n_udate_format_h formatter = NULL;
    int ret = i18n_udate_create(I18N_UDATE_PATTERN, I18N_UDATE_PATTERN, locale.c_str(), sTimeZoneBuffer, -1,
                                sPatternBuffer, -1, &formatter);
    RETURN_IF(ret != I18N_ERROR_NONE, "");
    i18n_uchar result[kBufferUnits] = {0};
    int32_t length = 0;
    ret = i18n_udate_format_date(formatter, static_cast<i18n_udate>(time) * 1000.0, result, kBufferUnits, &length);
    i18n_udate_destroy(formatter);
    RETURN_IF(!Formatted(ret), "");
    return ToUtf8(result, length);
}

std::string ICUHelper::FormatNumber(const std::string& locale, bool isDouble, int32_t number, double value)
{
    i18n_unumber_format_h formatter = NULL;
    int ret = i18n_unumber_create(I18N_UNUMBER_DECIMAL, NULL, -1, locale.c_str(), &formatter);
    RETURN_IF(ret != I18N_ERROR_NONE, "");
    i18n_uchar result[kBufferUnits] = {0};
    int32_t length = 0;
    ret = isDouble ? i18n_unumber_format_double(formatter, value, result, kBufferUnits, &length)
                   : i18n_unumber_format(formatter, number, result, kBufferUnits, &length);
    i18n_unumber_destroy(formatter);
    RETURN_IF(!Formatted(ret), "");
    return ToUtf8(result, length);
}

std::string ICUHelper::ConvertNumberToLocaleString(int32_t number)
{
    return FormatNumber(PrepareLocale(), false, number, 0.0);
}

std::string ICUHelper::ConvertDoubleToLocaleString(double number)
{
    return FormatNumber(PrepareLocale(), true, 0, number);
}
