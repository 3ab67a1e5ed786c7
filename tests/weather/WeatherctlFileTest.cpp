// weatherctl import and export: the sample file goes in and comes out the
// same way every time, and a refused file changes nothing on the device.

#include <gtest/gtest.h>

#include <fstream>

#include "DeviceFixture.h"
#include "WeatherctlRun.h"

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
         "cities[0].current.serverWeatherIcon: not an integer"},
        {"\"hourly\": [", "\"hourly\": {", "(member hourly): expected a member name"},
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

} // namespace
