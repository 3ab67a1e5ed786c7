// weatherctl import and export: the sample file goes in and comes out the
// same way every time, and a refused file (bad JSON, bad values, a special
// file) changes nothing on the device.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <vector>

#include <json-glib/json-glib.h>

#include <device/preference.h>

#include "DeviceFixture.h"
#include "SqliteTestUtil.h"
#include "WeatherctlRun.h"
#include "db/IconMappingTable.h"

namespace {

constexpr const char* kIconConvertedKey =
    "file/private/com.velurio.weather/is_weather_icon_converted_to_common_resource";

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
    EXPECT_NE(first.out.find("\"curTemperature\" : 9999.0"), std::string::npos);         // markers kept
    EXPECT_NE(first.out.find("\"hour\" : 1773489600"), std::string::npos);               // yesterday hours kept

    const std::string exported = DeviceFixture::Root() + "/exported.json";
    WriteText(exported, first.out);
    test_process::ToolRun again = Weatherctl({"--json", "import", exported});
    EXPECT_EQ(again.exit, 0);
    EXPECT_EQ(again.out, "{\"imported\":4}\n");
    EXPECT_EQ(Weatherctl({"export"}).out, first.out);
}

// Values at the ends of their fields' ranges go in and come out unchanged.
TEST(WeatherctlFile, TheLimitsOfEachFieldAreKept)
{
    const std::string file = DeviceFixture::Root() + "/limits.json";
    WriteText(file, "{\"cities\": [{\"locationId\": \"L\", \"refreshedTime\": 4294967295, \"localTime\": 0, "
                    "\"current\": {\"serverWeatherIcon\": -2147483648}, \"lifeIndex\": {\"humidity\": 2147483647}}]}");
    const test_process::ToolRun run = Weatherctl({"import", file});
    ASSERT_EQ(run.exit, 0) << run.err;
    const std::string exported = Weatherctl({"export"}).out;
    for (const char* kept : {"\"refreshedTime\" : 4294967295", "\"localTime\" : 0",
                             "\"serverWeatherIcon\" : -2147483648", "\"humidity\" : 2147483647"})
        EXPECT_NE(exported.find(kept), std::string::npos) << kept << "\n" << exported;
}

// Standard input for "-", and the example of the tool's README as written;
// the import marks the icons as common numbers before its first show.
TEST(WeatherctlFile, StandardInputAndTheReadmeExample)
{
    DeviceFixture::SetAppId("com.velurio.weather");
    preference_remove(kIconConvertedKey);
    DeviceFixture::Reset();

    const std::string readme = ReadText(std::string(WEATHER_SOURCE_DIR) + "/tools/weatherctl/README.md");
    const size_t begin = readme.find("```json\n");
    ASSERT_NE(begin, std::string::npos);
    const size_t end = readme.find("```", begin + 8);
    const std::string example = DeviceFixture::Root() + "/readme-example.json";
    WriteText(example, readme.substr(begin + 8, end - begin - 8));

    const test_process::ToolRun run =
        test_process::RunTool({std::string(WEATHER_BUILD_DIR) + "/tools/weatherctl", "import", "-"}, {}, [example] {
            const int fd = open(example.c_str(), O_RDONLY);
            dup2(fd, STDIN_FILENO);
        });
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_EQ(run.out, "imported 1 city\n");
    const std::string list = Weatherctl({"list"}).out;
    EXPECT_NE(list.find("EXMP001:CurrentCity"), std::string::npos) << list;
    EXPECT_NE(list.find("Example Harbour"), std::string::npos) << list;

    DeviceFixture::SetAppId("com.velurio.weather");
    bool converted = false;
    EXPECT_EQ(preference_get_boolean(kIconConvertedKey, &converted), PREFERENCE_ERROR_NONE);
    DeviceFixture::Reset();
    EXPECT_TRUE(converted);
}

// Stored texts reach the terminal escaped, and a stored value no 32-bit
// reader holds is shown as not known.
TEST(WeatherctlFile, ListAndShowEscapeTextsAndNeverOverflow)
{
    const std::string file = DeviceFixture::Root() + "/escapes.json";
    WriteText(file, "{\"cities\": [{\"locationId\": \"E\\u009b1\", \"cityNameEng\": \"Evil\\u001b[31m\\n\\tX\\\\\", "
                    "\"current\": {\"curTemperature\": 20}}]}");
    ASSERT_EQ(Weatherctl({"import", file}).exit, 0);
    ASSERT_TRUE(sqlite_test::ExecSql(WeatherDbPath(), "UPDATE CURRENT_WEATHER_TABLE SET curTemperature = 1e300;"));
    for (const char* command : {"list", "show"}) {
        const test_process::ToolRun run = Weatherctl({command});
        EXPECT_EQ(run.exit, 0) << command;
        EXPECT_NE(run.out.find("Evil\\x1b[31m\\n\\tX\\\\"), std::string::npos) << command << ": " << run.out;
        EXPECT_NE(run.out.find("E\\x9b1"), std::string::npos) << command << ": " << run.out;
        EXPECT_EQ(run.out.find_first_of("\x1b\x9b"), std::string::npos) << command;
        EXPECT_EQ(run.out.find("2147483"), std::string::npos) << command << ": " << run.out;
    }
    EXPECT_NE(Weatherctl({"list"}).out.find("--"), std::string::npos);
    EXPECT_EQ(test_process::JsonValue(Weatherctl({"--json", "list"}).out, "$.cities[0].temperature"), "null");
}

// A watch keeps at most 1,000 cities: a file of one more is refused whole,
// naming the count and the limit, and the device keeps what it had.
TEST(WeatherctlFile, AFileOfMoreThanAThousandCitiesIsRefused)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    const std::string before = Weatherctl({"export"}).out;
    const std::string root = DeviceFixture::Root();
    for (const int count : {1000, 1001}) {
        std::string text = "{\"cities\": [";
        for (int c = 0; c < count; ++c)
            text += std::string(c ? "," : "") + "{\"locationId\": \"N" + std::to_string(c) + "\"}";
        const std::string file = root + "/cities-" + std::to_string(count) + ".json";
        WriteText(file, text + "]}");
        const test_process::ToolRun run = Weatherctl({"import", file});
        if (count == 1000) {
            EXPECT_EQ(run.exit, 0) << run.err;
            EXPECT_EQ(run.out, "imported 1000 cities\n");
            ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
            continue;
        }
        EXPECT_EQ(run.exit, 1);
        EXPECT_NE(run.err.find("cities: 1001 cities, more than the 1000 a watch keeps"), std::string::npos) << run.err;
        EXPECT_TRUE(Weatherctl({"export"}).out == before);
    }
}

TEST(WeatherctlFile, RefusedFileNamesThePlaceAndChangesNothing)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    const std::string before = ReadText(WeatherDbPath());
    ASSERT_FALSE(before.empty());
    const std::string sample = ReadText(SampleCitiesPath());
    const std::string root = DeviceFixture::Root();

    // Each case replaces the first occurrence of `from` in the sample (or,
    // with from empty, is the whole text).
    const struct {
        std::string from;
        std::string to;
        std::string message;
    } cases[] = {
        {"\"humidity\": 62", "\"humidity\": \"62\"",
         "cities[0].lifeIndex.humidity: expected a whole number, found text"},
        {"\"humidity\": 62", "\"humidity\": 2147483648", "cities[0].lifeIndex.humidity: 2147483648 is outside"},
        {"\"humidity\": 62", "\"humidity\": 0e0", "cities[0].lifeIndex.humidity: not an integer"},
        {"\"serverWeatherIcon\": 30", "\"serverWeatherIcon\": 30.5",
         "cities[0].current.serverWeatherIcon: not an integer"},
        {"\"refreshedTime\": 0", "\"refreshedTime\": -1", "cities[3].refreshedTime: -1 is outside 0..4294967295"},
        {"\"gmtOffset\": 5.5", "\"gmtOffset\": true", "cities[1].gmtOffset: expected a number, found true/false"},
        {"\"curTemperature\": 14.6", "\"curTemperature\": 1e308",
         "cities[0].current.curTemperature: 1e+308 is outside -214748364.7..214748364.7"},
        {"\"curTemperature\": 14.6", "\"curTemperature\": 214748365",
         "cities[0].current.curTemperature: 2.14748e+08 is outside"},
        {"\"curTemperature\": 14.6", "\"curTemperature\": 1e400",
         "cities[0].current.curTemperature: inf is not a finite number"},
        // Literals the JSON parser would read as some other number.
        {"\"humidity\": 62", "\"humidity\": 99999999999999999999",
         "(member humidity): 99999999999999999999 is outside the range"},
        {"\"humidity\": 62", "\"humidity\": 0x3E", "(member humidity): 0x3E is not a JSON number"},
        {"\"humidity\": 62", "\"humidity\": 062", "(member humidity): 062 is not a JSON number"},
        // Ids and positions.
        {"\"pageIndex\": 1,", "\"pageIndex\": 5,", "cities[1].pageIndex: 5 is not the city's position 1"},
        {"\"locationId\": \"KRNH003\",", "", "cities[2].locationId: required member is missing"},
        {"\"locationId\": \"KRNH003\"", "\"locationId\": \"\"", "cities[2].locationId: an empty id"},
        {"\"locationId\": \"TSLP002\"", "\"locationId\": \"KRNH003\"",
         "cities[2].locationId: \"KRNH003\" is already used"},
        {"",
         "{\"cities\": [{\"locationId\": \"A\", \"isCurrentLocation\": true}, {\"locationId\": \"A:CurrentCity\"}]}",
         "cities[1].locationId: \"A:CurrentCity\" is already used"},
        // Strict JSON.
        {"\"cityName\": \"Marlowe Bay\"", "\"cityName\": \"Good\\u0000Evil\"", "(member cityName): NUL in a string"},
        {"\"cityName\": \"Marlowe Bay\"", std::string("\"cityName\": \"Good\0Evil\"", 23),
         "(member cityName): NUL in a string"},
        {"\"cityName\": \"Marlowe Bay\"", "\"cityName\": \"A\\q\"", "(member cityName): invalid escape \\q"},
        {"\"cityName\": \"Marlowe Bay\"", "\"cityName\": \"\\ud800x\"", "(member cityName): lone surrogate"},
        {"\"cityName\": \"Marlowe Bay\"", "\"cityName\": \"\\udc00\"", "(member cityName): lone surrogate"},
        {"\"cityName\": \"Marlowe Bay\"", "\"cityName\": \"A\", \"cityName\": \"B\"",
         "(member cityName): member given twice"},
        {"\"cityName\": \"Marlowe Bay\"", "\"cityName\": \"A\", \"city\\u004eame\": \"B\"", "member given twice"},
        {"", sample + "{\"cities\": []}", "content after the end of the document"},
        {"\"cityName\": \"Marlowe Bay\"", "\"cityName\": \"Marlowe\xff\"", "not UTF-8"},
        {"\"hourly\": [", "\"hourly\": {", "(member hourly): expected a member name"},
        {"\"cityName\": \"Marlowe Bay\"", "\"cityname\": \"Marlowe Bay\"", "cities[0].cityname: unknown member"},
        {"", "", "(top): the file is empty"},
    };
    const std::string bad = root + "/bad.json";
    for (const auto& c : cases) {
        std::string text = c.to;
        if (!c.from.empty()) {
            text = sample;
            const size_t at = text.find(c.from);
            ASSERT_NE(at, std::string::npos) << c.from;
            text.replace(at, c.from.size(), c.to);
        }
        WriteText(bad, text);
        const std::string message = c.message != "not UTF-8"
                                        ? c.message
                                        : "byte " + std::to_string(text.find('\xff')) + ": the text is not UTF-8";
        const test_process::ToolRun run = Weatherctl({"import", bad});
        EXPECT_EQ(run.exit, 1) << message << "\n" << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_TRUE(ReadText(WeatherDbPath()) == before) << message;
    }

    // Files that are not regular files are refused at once, without a read.
    ASSERT_EQ(mkfifo((root + "/fifo").c_str(), 0600), 0);
    const std::string big = root + "/big.json";
    WriteText(big, "{");
    ASSERT_EQ(truncate(big.c_str(), (64 << 20) + 1), 0);
    const struct {
        std::string path;
        std::string message;
    } files[] = {
        {root + "/fifo", "a FIFO, not a regular file"},
        {"/dev/zero", "a device, not a regular file"},
        {root, "a directory, not a regular file"},
        {root + "/missing.json", "missing.json: No such file or directory"},
        {big, "big.json: larger than 64 MiB"},
    };
    for (const auto& f : files) {
        const test_process::ToolRun run = Weatherctl({"import", f.path});
        EXPECT_EQ(run.exit, 2) << f.path;
        EXPECT_NE(run.err.find("cannot read " + f.path), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(f.message), std::string::npos) << run.err;
        EXPECT_TRUE(ReadText(WeatherDbPath()) == before) << f.path;
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
