// weatherctl import and export: the sample file goes in and comes out the
// same way every time, and a refused file changes nothing on the device.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <vector>

#include <json-glib/json-glib.h>

#include "DeviceFixture.h"
#include "WeatherctlRun.h"
#include "db/IconMappingTable.h"

namespace {

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

TEST(WeatherctlFile, ExportImportExportIsStable)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    test_process::ToolRun first = Weatherctl({"export"});
    ASSERT_EQ(first.exit, 0);
    EXPECT_NE(first.out.find("\"cityNameEng\" : \"Tessaly Point\""), std::string::npos);
    EXPECT_NE(first.out.find("\"phaseText\" : \"waning crescent\""), std::string::npos); // moon phases kept

    const std::string exported = DeviceFixture::Root() + "/exported.json";
    WriteText(exported, first.out);
    test_process::ToolRun again = Weatherctl({"--json", "import", exported});
    EXPECT_EQ(again.exit, 0);
    EXPECT_EQ(again.out, "{\"imported\":4}\n");
    EXPECT_EQ(Weatherctl({"export"}).out, first.out);
}

TEST(WeatherctlFile, RefusedFileNamesTheMemberAndWritesNothing)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    const std::string before = ReadFileText(WeatherDbPath());
    ASSERT_FALSE(before.empty());
    const std::string sample = ReadFileText(SampleCitiesPath());

    // Each mutation replaces the first occurrence of a member in the sample.
    const struct {
        const char* from;
        const char* to;
        const char* message;
    } cases[] = {
        {"\"humidity\": 62", "\"humidity\": \"62\"",
         "cities[0].lifeIndex.humidity: expected a whole number, found text"},
        {"\"humidity\": 62", "\"humidity\": 2147483648", "cities[0].lifeIndex.humidity: 2147483648 is outside"},
        // Literals the JSON parser would read as some other number.
        {"\"humidity\": 62", "\"humidity\": 99999999999999999999",
         "(member humidity): 99999999999999999999 is outside the range"},
        {"\"humidity\": 62", "\"humidity\": 0x3E", "(member humidity): 0x3E is not a JSON number"},
        {"\"refreshedTime\": 0", "\"refreshedTime\": -1", "cities[3].refreshedTime: -1 is outside 0..4294967295"},
        {"\"locationId\": \"KRNH003\",", "", "cities[2].locationId: required member is missing"},
        {"\"gmtOffset\": 5.5", "\"gmtOffset\": true", "cities[1].gmtOffset: expected a number, found true/false"},
        {"\"serverWeatherIcon\": 30", "\"serverWeatherIcon\": 30.5",
         "cities[0].current.serverWeatherIcon: expected a whole number"},
        {"\"hourly\": [", "\"hourly\": {", "not JSON"},
        {"\"cityName\": \"Marlowe Bay\"", "\"cityname\": \"Marlowe Bay\"", "cities[0].cityname: unknown member"},
        {"\"locationId\": \"TSLP002\"", "\"locationId\": \"KRNH003\"",
         "cities[2].locationId: \"KRNH003\" is already used"},
    };
    const std::string bad = DeviceFixture::Root() + "/bad.json";
    for (const auto& c : cases) {
        std::string text = sample;
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos) << c.from;
        text.replace(at, std::string(c.from).size(), c.to);
        WriteText(bad, text);
        test_process::ToolRun run = Weatherctl({"import", bad});
        EXPECT_EQ(run.exit, 1) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(ReadFileText(WeatherDbPath()), before) << c.message;
    }
}

// The sample's image codes are what the weather agent stores: the common
// icon of each record's provider code under the city's provider, by day or
// by night.
TEST(WeatherctlFile, SampleIconsAreTheCommonIconsOfTheirCodes)
{
    using Map = int32_t (IconMappingTable::*)(int32_t, bool);
    const std::map<std::string, Map> providerOf = {
        {"MRLB001:CurrentCity", &IconMappingTable::GetMappingIconNumForTWC},
        {"TSLP002", &IconMappingTable::GetMappingIconNumForWCN},
        {"KRNH003", &IconMappingTable::GetMappingIconNumForKWeather},
        {"OXLR004", &IconMappingTable::GetMappingIconNumForWCN},
    };
    auto table = IconMappingTable::Make();
    g_autoptr(JsonParser) parser = json_parser_new();
    ASSERT_TRUE(json_parser_load_from_file(parser, SampleCitiesPath().c_str(), nullptr));
    JsonArray* cities = json_object_get_array_member(json_node_get_object(json_parser_get_root(parser)), "cities");
    int checked = 0;
    for (guint i = 0; i < json_array_get_length(cities); ++i) {
        JsonObject* city = json_array_get_object_element(cities, i);
        const std::string id = json_object_get_string_member(city, "locationId");
        ASSERT_EQ(providerOf.count(id), 1u) << id;
        const Map map = providerOf.at(id);
        std::vector<JsonObject*> records = {json_object_get_object_member(city, "current")};
        for (const char* list : {"daily", "hourly", "yesterday"}) {
            JsonArray* entries = json_object_get_array_member(city, list);
            for (guint k = 0; k < json_array_get_length(entries); ++k)
                records.push_back(json_array_get_object_element(entries, k));
        }
        for (JsonObject* record : records) {
            const int32_t code = json_object_get_int_member(record, "serverWeatherIcon");
            const int32_t icon = json_object_get_int_member(record, "weatherIcon");
            const int32_t day = ((*table).*map)(code, true), night = ((*table).*map)(code, false);
            EXPECT_TRUE(icon == day || icon == night) << id << " code " << code << ": " << icon << ", not " << day;
            ++checked;
        }
    }
    EXPECT_GE(checked, 30);
}

} // namespace
