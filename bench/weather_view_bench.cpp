// weatherctl show against a floor doing the least work that gives the same
// texts: raw SQLite reads of the same rows and bare ICU formatting of the same
// numbers and times (formatters made once per run), plus the same catalogue
// lookups. "Show/N" loads N cities through the data manager and builds every
// text of every city, as `weatherctl show` does; "Show_Baseline/N" is the floor.
// BM_FloorWithIcuPerCall is the floor with every ICU object opened and closed
// per text, as the data layer's locale helpers do; the notes give the cost
// per city of all three.

#include <benchmark/benchmark.h>

#include <device/preference.h>
#include <device/system_keys.h>
#include <device/vconf.h>

#include <glib.h>
#include <libintl.h>
#include <sqlite3.h>
#include <unicode/udat.h>
#include <unicode/udatpg.h>
#include <unicode/unum.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "CityView.h"
#include "WatchView.h"
#include "db/SqliteProcess.h"
#include "typedef/DataManager.h"
#include "utils/FileHelper.h"
#include "utils/TimeHelper.h"

namespace {

constexpr int kHourly = 24, kDaily = 7;
constexpr const char* kLocale = "en_US";

void Seed(int cities)
{
    const uint32_t now = static_cast<uint32_t>(time(nullptr));
    auto list = std::make_shared<CityPtrVector>();
    for (int c = 0; c < cities; ++c) {
        CityPtr city = City::Make();
        city->SetLocationId("BENCH" + std::to_string(c));
        city->SetCityName("Bench City " + std::to_string(c));
        city->SetCityNameEng(city->GetCityName());
        city->SetGmtOffset((c % 7) - 3.5);
        city->SetRefreshedTime(now);
        city->GetCurrent()->SetWeatherIcon(1 + c % 23);
        city->GetCurrent()->SetServerWeatherIcon(c % 47);
        city->GetCurrent()->GetCurTemperature()->SetTemperature(10.0 + c % 20);
        city->GetCurrent()->GetHighTemperature()->SetTemperature(15.5 + c % 20);
        city->GetCurrent()->GetLowTemperature()->SetTemperature(4.2 + c % 20);
        const uint32_t base = now - now % 3600 - 3600;
        for (int h = 0; h < kHourly; ++h) {
            HourlyPtr hour = Hourly::Make();
            hour->SetHour(base + h * 3600);
            hour->SetWeatherIcon(1 + (c + h) % 23);
            hour->SetServerWeatherIcon((c + h) % 47);
            hour->GetCurTemperature()->SetTemperature(8.0 + h % 10);
            city->GetHourlyPtrVector()->push_back(hour);
        }
        for (int d = 0; d < kDaily; ++d) {
            WeeklyPtr day = Weekly::Make();
            day->SetDate(now + d * 86400);
            day->SetWeatherIcon(1 + (c + d) % 23);
            day->SetServerWeatherIcon((c + d) % 47);
            day->GetHighTemperature()->SetTemperature(18.0 + d);
            day->GetLowTemperature()->SetTemperature(6.0 + d);
            city->GetWeeklyPtrVector()->push_back(day);
        }
        LifeIndexPtr li = city->GetLifeIndex();
        li->SetSunriseTime(now - now % 86400 + 6 * 3600);
        li->SetSunsetTime(now - now % 86400 + 18 * 3600);
        li->SetUvIndex(2);
        li->SetUvIndexText("Moderate");
        li->GetRealfeel()->SetTemperature(11.3);
        li->GetPrecipitation()->SetPrecProbability(20.0);
        li->GetPrecipitation()->SetPrecProbabilityNight(40.0);
        list->push_back(city);
    }
    DataManager::GetInstance()->SetCityPtrVector(list);
}

void BM_Show(benchmark::State& state)
{
    const int cities = static_cast<int>(state.range(0));
    Seed(cities);
    DataManager* dm = DataManager::GetInstance();
    for (auto _ : state) {
        dm->LoadData();
        const weatherctl::DeviceView device = weatherctl::BuildDeviceView(dm);
        size_t texts = 0;
        for (const CityPtr& city : *dm->GetCityPtrVector())
            texts += weatherctl::BuildCityView(dm, city, device).hours.size();
        benchmark::DoNotOptimize(texts);
    }
}

// ---- the floor ----

// perCall: every text opens and closes its own ICU objects, as the data
// layer's formatting does; otherwise they are made once per run.
struct Icu {
    UDateTimePatternGenerator* generator = nullptr;
    UNumberFormat* number = nullptr;
    std::map<std::string, UDateFormat*> dates;
    bool perCall = false;

    explicit Icu(bool openPerCall) : perCall(openPerCall)
    {
        if (perCall)
            return;
        UErrorCode status = U_ZERO_ERROR;
        generator = udatpg_open(kLocale, &status);
        number = unum_open(UNUM_DECIMAL, nullptr, 0, kLocale, nullptr, &status);
    }
    ~Icu()
    {
        for (auto& entry : dates)
            udat_close(entry.second);
        unum_close(number);
        udatpg_close(generator);
    }
    UDateFormat* Date(const char* skeleton)
    {
        auto found = dates.find(skeleton);
        if (found != dates.end())
            return found->second;
        UErrorCode status = U_ZERO_ERROR;
        UChar skeletonText[64], pattern[64], zone[16];
        u_strFromUTF8(skeletonText, 64, nullptr, skeleton, -1, &status);
        int32_t length = udatpg_getBestPattern(generator, skeletonText, -1, pattern, 64, &status);
        u_strFromUTF8(zone, 16, nullptr, "GMT+0:00", -1, &status);
        UDateFormat* format = udat_open(UDAT_PATTERN, UDAT_PATTERN, kLocale, zone, -1, pattern, length, &status);
        dates[skeleton] = format;
        return format;
    }
    static std::string Utf8(const UChar* text)
    {
        char out[128];
        UErrorCode status = U_ZERO_ERROR;
        u_strToUTF8(out, sizeof out, nullptr, text, -1, &status);
        return out;
    }
    std::string Time(int64_t seconds, const char* skeleton)
    {
        if (perCall) {
            Icu once(false);
            return once.Time(seconds, skeleton);
        }
        UChar out[64];
        UErrorCode status = U_ZERO_ERROR;
        udat_format(Date(skeleton), seconds * 1000.0, out, 64, nullptr, &status);
        return Utf8(out);
    }
    std::string Int(int32_t value)
    {
        if (perCall)
            return Icu(false).Int(value);
        UChar out[64];
        UErrorCode status = U_ZERO_ERROR;
        unum_format(number, value, out, 64, nullptr, &status);
        return Utf8(out);
    }
    std::string Double(double value)
    {
        if (perCall)
            return Icu(false).Double(value);
        UChar out[64];
        UErrorCode status = U_ZERO_ERROR;
        unum_formatDouble(number, value, out, 64, nullptr, &status);
        return Utf8(out);
    }
};

std::string WholeDegrees(Icu& icu, double celsius)
{
    return icu.Int(static_cast<int32_t>(celsius + 0.5));
}

void Floor(benchmark::State& state, bool icuPerCall)
{
    const int cities = static_cast<int>(state.range(0));
    Seed(cities);
    const std::string path = FileHelper::GetInstance()->GetSharedDataDirectoryPath() + "db/.weather.db";
    for (auto _ : state) {
        Icu icu(icuPerCall);
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* cityRows = nullptr;
        sqlite3_stmt* current = nullptr;
        sqlite3_stmt* hourly = nullptr;
        sqlite3_stmt* weekly = nullptr;
        sqlite3_stmt* life = nullptr;
        sqlite3_prepare_v2(db, "SELECT PK_ID, locationId, cityName, gmtOffset FROM CITY_TABLE ORDER BY pageIndex", -1,
                           &cityRows, nullptr);
        sqlite3_prepare_v2(db,
                           "SELECT weatherIcon, weatherStatus, curTemperature, lowTemperature, highTemperature, "
                           "serverWeatherIcon FROM CURRENT_WEATHER_TABLE WHERE FK_ID = ?",
                           -1, &current, nullptr);
        sqlite3_prepare_v2(db,
                           "SELECT hour, weatherIcon, curTemperature, serverWeatherIcon FROM HOURLY_WEATHER_TABLE "
                           "WHERE FK_ID = ? ORDER BY hourlyIndex",
                           -1, &hourly, nullptr);
        sqlite3_prepare_v2(db,
                           "SELECT date, weatherIcon, lowTemperature, highTemperature, serverWeatherIcon "
                           "FROM WEEKLY_WEATHER_TABLE WHERE FK_ID = ? ORDER BY weeklyIndex",
                           -1, &weekly, nullptr);
        sqlite3_prepare_v2(db,
                           "SELECT sunsetTime, uvIndexText, realfeel, precProbability FROM LIFE_INDEX_WEATHER_TABLE "
                           "WHERE FK_ID = ?",
                           -1, &life, nullptr);
        const int64_t now = time(nullptr);
        std::vector<std::string> texts;
        while (sqlite3_step(cityRows) == SQLITE_ROW) {
            const int key = sqlite3_column_int(cityRows, 0);
            texts.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(cityRows, 2)));
            const int64_t local = now + static_cast<int64_t>(sqlite3_column_double(cityRows, 3) * 3600.0);
            texts.push_back(icu.Time(local, "hhmm"));
            texts.push_back(icu.Time(local, "EEEdMMM hhmm"));
            sqlite3_bind_int(current, 1, key);
            if (sqlite3_step(current) == SQLITE_ROW) {
                texts.emplace_back(dgettext("weather", "IDS_WGT_POP_PARTLY_SUNNY"));
                for (int column = 2; column <= 4; ++column)
                    texts.push_back(WholeDegrees(icu, sqlite3_column_double(current, column)));
            }
            sqlite3_reset(current);
            sqlite3_bind_int(hourly, 1, key);
            while (sqlite3_step(hourly) == SQLITE_ROW) {
                texts.push_back(icu.Time(sqlite3_column_int64(hourly, 0), "hhmm"));
                texts.push_back(WholeDegrees(icu, sqlite3_column_double(hourly, 2)));
                texts.emplace_back(dgettext("weather", "IDS_WGT_POP_CLOUDY"));
            }
            sqlite3_reset(hourly);
            sqlite3_bind_int(weekly, 1, key);
            while (sqlite3_step(weekly) == SQLITE_ROW) {
                texts.push_back(icu.Time(sqlite3_column_int64(weekly, 0), "EEE"));
                texts.push_back(WholeDegrees(icu, sqlite3_column_double(weekly, 2)));
                texts.push_back(WholeDegrees(icu, sqlite3_column_double(weekly, 3)));
                texts.emplace_back(dgettext("weather", "IDS_WGT_POP_RAIN"));
            }
            sqlite3_reset(weekly);
            sqlite3_bind_int(life, 1, key);
            if (sqlite3_step(life) == SQLITE_ROW) {
                texts.push_back(icu.Time(sqlite3_column_int64(life, 0), "hhmm"));
                texts.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(life, 1)));
                texts.push_back(icu.Double(sqlite3_column_double(life, 2)));
                texts.push_back(icu.Double(sqlite3_column_double(life, 3)));
                for (const char* title :
                     {"IDS_WGT_HEADER_FEELS_LIKE_M_LIFE_INDEX_KOR", "IDS_WGT_BODY_SUNSET", "IDS_WGT_BODY_UV_INDEX"})
                    texts.emplace_back(dgettext("weather", title));
            }
            sqlite3_reset(life);
        }
        for (sqlite3_stmt* stmt : {cityRows, current, hourly, weekly, life})
            sqlite3_finalize(stmt);
        sqlite3_close(db);
        benchmark::DoNotOptimize(texts.data());
    }
}

void BM_Show_Baseline(benchmark::State& state)
{
    Floor(state, false);
}
// Not the floor: shows how much of our time the per-call ICU objects take.
void BM_FloorWithIcuPerCall(benchmark::State& state)
{
    Floor(state, true);
}

BENCHMARK(BM_Show)->Arg(1)->Arg(10)->Arg(50)->Apply(bench::Trusted);
BENCHMARK(BM_Show_Baseline)->Arg(1)->Arg(10)->Arg(50)->Apply(bench::Trusted);
BENCHMARK(BM_FloorWithIcuPerCall)->Arg(1)->Arg(10)->Arg(50)->Apply(bench::Trusted);

} // namespace

int main(int argc, char** argv)
{
    // SQLite as weatherctl sets it up; the floor's raw calls run under it too.
    ConfigureSqliteForOneThreadPerConnection();
    bench::TempDevice device("weather-view-bench-XXXXXX", "com.velurio.weather");
    if (!device.Ready())
        return 1;
    g_setenv("LC_TIME", "en_US.UTF-8", TRUE);
    g_setenv("TZ", "UTC", TRUE);
    tzset();
    vconf_set_str(SYSKEY_LANGUAGE, "en_US.UTF-8");
    vconf_set_int(SYSKEY_STANDALONE, 1);
    vconf_set_str(SYSKEY_COUNTRY_ISO, "US");
    preference_set_boolean("file/private/com.velurio.weather/is_weather_icon_converted_to_common_resource", true);
    DataManager::GetInstance()->InitializeDB();
    weatherctl::PrepareLocale();
    bench::LetStoresSettle();

    bench::RatioReporter reporter("weather_view_bench", "raw SQLite reads and bare ICU formatters made once per run");
    bench::Run(&argc, argv, reporter);
    for (const char* name : {"BM_Show", "BM_Show_Baseline", "BM_FloorWithIcuPerCall"}) {
        std::string line = std::string(name) + " median per city (us):";
        for (int cities : {1, 10, 50}) {
            char cell[48];
            snprintf(cell, sizeof cell, " %d: %.1f", cities,
                     reporter.Get(std::string(name) + "/" + std::to_string(cities)).median / cities);
            line += cell;
        }
        reporter.Note(line);
    }
    reporter.PrintTable();
    return 0;
}
