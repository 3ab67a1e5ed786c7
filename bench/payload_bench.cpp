// The backup payload and the data load, each beside a baseline in the same
// program: BuildBackupData plus a parse of its output against the same JSON
// made and read with bare JSON-GLib calls, and DataManager::LoadData on a
// device with 10 cities against reading the same rows (and writing the one
// settings row back, as LoadData does) with raw SQLite. The program ends
// with our time divided by the baseline's for every pair.

#include <benchmark/benchmark.h>

#include <device/host.h>

#include <glib.h>
#include <json-glib/json-glib.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "typedef/DataManager.h"
#include "utils/FileHelper.h"
#include "parser/RestoreMessageParser.h"
#include "json/WeatherJsonBuilder.h"

namespace {

constexpr int kCities = 10, kDaily = 8, kHourly = 24, kMoonPhases = 8;

// --- payload -------------------------------------------------------------

void BM_BackupPayload(benchmark::State& state)
{
    auto builder = BackupDataJsonBuilder::Make();
    for (auto _ : state) {
        std::string doc = builder->BuildBackupData();
        auto parser = RestoreMessageParser::Make(doc.c_str(), static_cast<int>(doc.size()));
        benchmark::DoNotOptimize(parser->GetTempUnit() + parser->GetAutoRefreshTimeInterval() +
                                 parser->GetUseCurrentLocationAgreed() + parser->GetUseNotification());
    }
}

void BM_BackupPayload_Baseline(benchmark::State& state)
{
    DataManager* dm = DataManager::GetInstance();
    for (auto _ : state) {
        JsonObject* object = json_object_new();
        json_object_set_int_member(object, "tempUnit", dm->GetTemperatureUnit());
        json_object_set_int_member(object, "autoRefreshTimeInterval", dm->GetAutoRefreshInterval());
        json_object_set_boolean_member(object, "useCurrentLocationAgreed", dm->GetShowCurrentCityAgreement());
        json_object_set_boolean_member(object, "useNotification", dm->GetNotificationOn());
        JsonNode* node = json_node_new(JSON_NODE_OBJECT);
        json_node_take_object(node, object);
        JsonGenerator* generator = json_generator_new();
        json_generator_set_root(generator, node);
        gchar* text = json_generator_to_data(generator, nullptr);
        std::string doc(text);
        g_free(text);
        json_node_unref(node);
        g_object_unref(generator);

        JsonParser* parser = json_parser_new();
        json_parser_load_from_data(parser, doc.c_str(), static_cast<gssize>(doc.size()), nullptr);
        JsonObject* root = json_node_get_object(json_parser_get_root(parser));
        int64_t sum = json_object_get_int_member(root, "tempUnit") +
                      json_object_get_int_member(root, "autoRefreshTimeInterval") +
                      json_object_get_boolean_member(root, "useCurrentLocationAgreed") +
                      json_object_get_boolean_member(root, "useNotification");
        g_object_unref(parser);
        benchmark::DoNotOptimize(sum);
    }
}

// --- LoadData ------------------------------------------------------------

CityPtr BenchCity(int n)
{
    CityPtr city = City::Make();
    city->SetLocationId("bench-" + std::to_string(n));
    city->SetCityName("City " + std::to_string(n));
    city->SetCityNameEng("City " + std::to_string(n));
    city->SetCountryName("Country");
    for (int i = 0; i < kDaily; i++)
        city->GetWeeklyPtrVector()->push_back(Weekly::Make());
    for (int i = 0; i < kHourly; i++) {
        HourlyPtr hourly = Hourly::Make();
        hourly->SetHour(1700000000u + i * 3600u);
        city->GetHourlyPtrVector()->push_back(hourly);
        city->GetYesterdayHourPtrVector()->push_back(Hourly::Make());
    }
    for (int i = 0; i < kMoonPhases; i++) {
        MoonPhasePtr moon = MoonPhase::Make();
        moon->SetLocationID(city->GetLocationId());
        moon->SetDate(1700000000u + i * 86400u);
        city->GetMoonPhasePtrVector()->push_back(moon);
    }
    return city;
}

void PrepareDevice()
{
    static bool prepared = false;
    if (prepared)
        return;
    DataManager* dm = DataManager::GetInstance();
    dm->InitializeDB();
    auto cities = std::make_shared<CityPtrVector>();
    for (int i = 0; i < kCities; i++)
        cities->push_back(BenchCity(i));
    dm->SetCityPtrVector(cities);
    dm->LoadData();
    prepared = true;
}

void BM_LoadData(benchmark::State& state)
{
    PrepareDevice();
    for (auto _ : state)
        DataManager::GetInstance()->LoadData();
    state.counters["cities"] = static_cast<double>(DataManager::GetInstance()->GetCityPtrVector()->size());
}

// Every column of every row of the tables, in one read-only opening per file.
int64_t ReadAllRows(const std::string& path, const std::vector<const char*>& tables)
{
    sqlite3* db = nullptr;
    int64_t touched = 0;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_exec(db, "BEGIN;", nullptr, nullptr, nullptr);
        for (const char* table : tables) {
            sqlite3_stmt* stmt = nullptr;
            sqlite3_prepare_v2(db, (std::string("SELECT * FROM ") + table).c_str(), -1, &stmt, nullptr);
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                for (int c = 0; c < sqlite3_column_count(stmt); c++) {
                    if (sqlite3_column_type(stmt, c) == SQLITE_TEXT)
                        touched += std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c))).size();
                    else
                        touched += static_cast<int64_t>(sqlite3_column_double(stmt, c));
                }
            }
            sqlite3_finalize(stmt);
        }
        sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
    return touched;
}

// All 26 columns written, the provider name bound, the rest as they are.
std::string SettingUpdateText()
{
    const char* columns[] = {"CurrentCityIndex",
                             "CurrentCityLocationId",
                             "TemperatureUnit",
                             "LastRefreshedTime",
                             "CurrentLocationAreaRefreshedTime",
                             "IsFirstLaunch",
                             "AutoRefreshOn",
                             "AutoRefreshInterval",
                             "UseCurrentLocationOn",
                             "ShowCurrentCityAgreement",
                             "RefreshOnOpeningOn",
                             "RefreshOnOpeningOnAgreement",
                             "NotificationOn",
                             "NotificationTime",
                             "NetworkPositionPopupAgreement",
                             "ShowNetworkPopup",
                             "ChinaDataGPSPerformPopupOn",
                             "AutoScrollOn",
                             "AutoScrollInterval",
                             "LastUpdateLanguageCode",
                             "DaemonType",
                             "IsNowRefreshing",
                             "IsSupportManualRefresh",
                             "RefreshingStartTime",
                             "NotificationPopup"};
    std::string sql = "UPDATE SETTING_TABLE SET CpType = ?";
    for (const char* column : columns)
        sql += std::string(", ") + column + " = " + column;
    return sql;
}

void BM_LoadData_Baseline(benchmark::State& state)
{
    const std::string kSettingUpdate = SettingUpdateText();
    PrepareDevice();
    const std::string dir = FileHelper::GetInstance()->GetSharedDataDirectoryPath() + "db/";
    const std::vector<const char*> weatherTables = {"CITY_TABLE",
                                                    "CURRENT_WEATHER_TABLE",
                                                    "WEEKLY_WEATHER_TABLE",
                                                    "HOURLY_WEATHER_TABLE",
                                                    "LIFE_INDEX_WEATHER_TABLE",
                                                    "MOON_PHASE_TABLE",
                                                    "YESTERDAY_WEATHER_TABLE"};
    for (auto _ : state) {
        int64_t touched = ReadAllRows(dir + ".weather.db", weatherTables);
        touched += ReadAllRows(dir + ".setting.db", {"SETTING_TABLE"});
        touched += ReadAllRows(dir + ".share_target.db", {"SHARE_TARGET_TABLE"});
        // LoadData writes the provider name back with the whole row.
        sqlite3* db = nullptr;
        sqlite3_open_v2((dir + ".setting.db").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* update = nullptr;
        sqlite3_prepare_v2(db, kSettingUpdate.c_str(), -1, &update, nullptr);
        sqlite3_bind_text(update, 1, "TWC", -1, SQLITE_STATIC);
        sqlite3_step(update);
        sqlite3_finalize(update);
        sqlite3_close(db);
        benchmark::DoNotOptimize(touched);
    }
}

BENCHMARK(BM_BackupPayload)->Apply(bench::Trusted);
BENCHMARK(BM_BackupPayload_Baseline)->Apply(bench::Trusted);
BENCHMARK(BM_LoadData)->Apply(bench::Trusted);
BENCHMARK(BM_LoadData_Baseline)->Apply(bench::Trusted);

} // namespace

int main(int argc, char** argv)
{
    bench::TempDevice device("payload-bench-XXXXXX", "com.velurio.weather-backuprestore");
    if (!device.Ready())
        return 1;
    PrepareDevice();
    bench::LetStoresSettle();
    bench::RatioReporter reporter("payload_bench", "bare JSON-GLib and raw SQLite");
    bench::Run(&argc, argv, reporter);
    reporter.PrintTable();
    return 0;
}
