// The city clock's long text and a temperature text through our layers
// (TimeHelper / ICUHelper -> device i18n calls -> ICU loaded at first use),
// against bare ICU making the same create, format and destroy calls in the
// same run; and, beside them, what a formatter kept between calls would cost.
// Prints min and median in microseconds and the ratios to the baseline.

#include <benchmark/benchmark.h>

#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <unicode/uloc.h>
#include <unicode/unum.h>
#include <unicode/ustring.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "BenchSupport.h"
#include "typedef/City.h"
#include "utils/ICUHelper.h"
#include "utils/TimeHelper.h"

namespace {

constexpr unsigned int kTime = 1733490300; // 2024-12-06 13:05:00 UTC
constexpr int32_t kUnits = 64;
const UChar kZone[] = u"GMT+0:00";

std::string Utf8(const UChar* text, int32_t length)
{
    char buffer[kUnits];
    UErrorCode status = U_ZERO_ERROR;
    int32_t written = 0;
    u_strToUTF8(buffer, kUnits, &written, text, length, &status);
    return U_SUCCESS(status) ? std::string(buffer, written) : std::string();
}

// What ICUHelper does for one long date text, written directly on ICU.
std::string BareLongDate(const char* skeleton)
{
    UErrorCode status = U_ZERO_ERROR;
    uloc_setDefault(getenv("LC_TIME"), &status);
    std::string locale = uloc_getDefault();
    locale = locale.substr(0, locale.find('.'));
    UDateTimePatternGenerator* generator = udatpg_open(locale.c_str(), &status);
    UChar skeletonText[kUnits];
    u_strFromUTF8(skeletonText, kUnits, nullptr, skeleton, -1, &status);
    UChar pattern[kUnits];
    int32_t patternLength = udatpg_getBestPattern(generator, skeletonText, -1, pattern, kUnits, &status);
    udatpg_close(generator);
    UDateFormat* format =
        udat_open(UDAT_PATTERN, UDAT_PATTERN, locale.c_str(), kZone, -1, pattern, patternLength, &status);
    UChar result[kUnits];
    int32_t length = udat_format(format, kTime * 1000.0, result, kUnits, nullptr, &status);
    udat_close(format);
    return U_SUCCESS(status) ? Utf8(result, length) : std::string();
}

std::string BareNumber(int32_t value)
{
    UErrorCode status = U_ZERO_ERROR;
    uloc_setDefault(getenv("LC_TIME"), &status);
    std::string locale = uloc_getDefault();
    locale = locale.substr(0, locale.find('.'));
    UNumberFormat* format = unum_open(UNUM_DECIMAL, nullptr, 0, locale.c_str(), nullptr, &status);
    UChar result[kUnits];
    int32_t length = unum_format(format, value, result, kUnits, nullptr, &status);
    unum_close(format);
    return U_SUCCESS(status) ? Utf8(result, length) : std::string();
}

CityPtr MakeCity()
{
    auto city = City::Make();
    city->SetGmtOffset(0);
    return city;
}

void BM_LongCityTime(benchmark::State& state)
{
    CityPtr city = MakeCity();
    for (auto _ : state)
        benchmark::DoNotOptimize(TimeHelper::GetInstance()->GetLocalTimeStringLong(city));
}

void BM_LongDateText(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(
            ICUHelper::GetInstance()->ConvertEpochTimeToICUDate(kTime, ICU_FORMAT_EEEDMMM_HHMM_12));
}

void BM_LongDateText_Baseline(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(BareLongDate("EEEdMMM hhmm"));
}

void BM_LongDateTextKept(benchmark::State& state)
{
    UErrorCode status = U_ZERO_ERROR;
    UDateTimePatternGenerator* generator = udatpg_open("en_US", &status);
    UChar pattern[kUnits];
    int32_t patternLength = udatpg_getBestPattern(generator, u"EEEdMMM hhmm", -1, pattern, kUnits, &status);
    udatpg_close(generator);
    UDateFormat* format = udat_open(UDAT_PATTERN, UDAT_PATTERN, "en_US", kZone, -1, pattern, patternLength, &status);
    for (auto _ : state) {
        UChar result[kUnits];
        int32_t length = udat_format(format, kTime * 1000.0, result, kUnits, nullptr, &status);
        benchmark::DoNotOptimize(Utf8(result, length));
    }
    udat_close(format);
}

void BM_TemperatureText(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ICUHelper::GetInstance()->ConvertNumberToLocaleString(23));
}

void BM_TemperatureText_Baseline(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(BareNumber(23));
}

void BM_TemperatureTextKept(benchmark::State& state)
{
    UErrorCode status = U_ZERO_ERROR;
    UNumberFormat* format = unum_open(UNUM_DECIMAL, nullptr, 0, "en_US", nullptr, &status);
    for (auto _ : state) {
        UChar result[kUnits];
        int32_t length = unum_format(format, 23, result, kUnits, nullptr, &status);
        benchmark::DoNotOptimize(Utf8(result, length));
    }
    unum_close(format);
}

// Ours beside the bare ICU doing the same create, format and destroy calls,
// run right after it so both see the same warmth; the kept formatters against
// the same baseline show what keeping one between calls would save.
BENCHMARK(BM_LongDateText_Baseline)->Apply(bench::Trusted);
BENCHMARK(BM_LongDateText)->Apply(bench::Trusted);
BENCHMARK(BM_LongCityTime)->Apply(bench::Trusted);
BENCHMARK(BM_LongDateTextKept)->Apply(bench::Trusted);
BENCHMARK(BM_TemperatureText_Baseline)->Apply(bench::Trusted);
BENCHMARK(BM_TemperatureText)->Apply(bench::Trusted);
BENCHMARK(BM_TemperatureTextKept)->Apply(bench::Trusted);

} // namespace

int main(int argc, char** argv)
{
    bench::TempDevice device("i18n-bench-XXXXXX", "com.velurio.weather");
    if (!device.Ready())
        return 1;
    setenv("LC_TIME", "en_US.UTF-8", 1);
    setenv("TZ", "UTC0", 1);
    tzset();
    bench::RatioReporter reporter("i18n_bench", "bare ICU with the same create, format and destroy calls");
    reporter.Pair("BM_LongCityTime", "BM_LongDateText_Baseline");
    reporter.Pair("BM_LongDateTextKept", "BM_LongDateText_Baseline");
    reporter.Pair("BM_TemperatureTextKept", "BM_TemperatureText_Baseline");
    bench::Run(&argc, argv, reporter);
    reporter.Note("BM_LongCityTime adds the city clock's key reads (provider, retail mode, 12/24 hours) to "
                  "BM_LongDateText; ours keep one pattern generator per locale; *Kept: a formatter kept "
                  "between calls (format only); goal for ours: 1.3x");
    reporter.PrintTable();
    return 0;
}
