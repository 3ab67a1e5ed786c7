// weatherctl show on a device whose clock is fixed at 2026-03-15 12:00 UTC:
// the texts a watch shows for the sample cities, in English and in Chinese.

#include <gtest/gtest.h>

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <device/preference.h>
#include <device/system_keys.h>
#include <device/vconf.h>

#include "DeviceFixture.h"
#include "WeatherctlRun.h"
#include "../i18n/I18nTestSupport.h"
#include "typedef/LifeIndexData.h"
#include "typedef/WeatherStatus.h"

namespace {

constexpr const char* kNoon = "2026-03-15 12:00:00";

// Language, provider (through a standalone device's country) and clock.
void SetUpDevice(const char* language, const char* country, int timeFormat)
{
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, language), VCONF_OK);
    ASSERT_EQ(vconf_set_int(SYSKEY_STANDALONE, 1), VCONF_OK);
    ASSERT_EQ(vconf_set_str(SYSKEY_COUNTRY_ISO, country), VCONF_OK);
    ASSERT_EQ(vconf_set_int(SYSKEY_TIME_FORMAT_1224, timeFormat), VCONF_OK);
    // The weather agent stores image codes as common icon numbers.
    DeviceFixture::SetAppId("com.velurio.weather");
    ASSERT_EQ(
        preference_set_boolean("file/private/com.velurio.weather/is_weather_icon_converted_to_common_resource", true),
        PREFERENCE_ERROR_NONE);
    DeviceFixture::Reset();
}

// One city of a show --json output as compact JSON text.
std::string CityJson(const std::string& output, size_t index)
{
    return test_process::JsonValue(output, "$.cities[" + std::to_string(index) + "]");
}

TEST(WeatherctlShow, EnglishTwcTwelveHour)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    SetUpDevice("en_US.UTF-8", "US", 1);
    test_process::ToolRun run = Weatherctl({"--json", "show"}, kNoon);
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_NE(run.out.find("\"provider\" : \"TWC\""), std::string::npos);

    // Day: stored condition text, sunset next, the UV grade of the provider's text.
    EXPECT_EQ(
        CityJson(run.out, 0),
        "{\"locationId\":\"MRLB001:CurrentCity\",\"name\":\"Marlowe Bay\",\"localTime\":\"12:00\u202fPM\","
        "\"localTimeLong\":\"Sun, Mar 15, 12:00\u202fPM\",\"condition\":\"Partly cloudy\","
        "\"icon\":\"02.partly_sunny_360x360.png\",\"temperature\":\"15\",\"high\":\"17\",\"low\":\"9\","
        "\"rainProbability\":\"20\",\"hourly\":["
        "{\"time\":\"12:00\u202fPM\",\"icon\":\"02.partly_sunny_360x360.png\",\"temperature\":\"15\",\"condition\":"
        "\"Partly sunny\"},"
        "{\"time\":\"1:00\u202fPM\",\"icon\":\"03.cloudy_360x360.png\",\"temperature\":\"15\",\"condition\":\"Cloudy\"}"
        ","
        "{\"time\":\"2:00\u202fPM\",\"icon\":\"04.rain_360x360.png\",\"temperature\":\"14\",\"condition\":\"Rain\"}],"
        "\"daily\":["
        "{\"weekday\":\"Sun\",\"icon\":\"02.partly_sunny_360x360.png\",\"high\":\"17\",\"low\":\"9\",\"condition\":"
        "\"Partly sunny\"},"
        "{\"weekday\":\"Mon\",\"icon\":\"04.rain_360x360.png\",\"high\":\"13\",\"low\":\"8\",\"condition\":\"Rain\"},"
        "{\"weekday\":\"Tue\",\"icon\":\"01.sunny_360x360.png\",\"high\":\"15\",\"low\":\"8\",\"condition\":\"Sunny\"}]"
        ","
        "\"lifeIndex\":["
        "{\"type\":9,\"title\":\"Feels "
        "like\",\"value\":\"13.2\",\"icon\":\"weather_details_lifeindex_icon_feels_like.png\"},"
        "{\"type\":2,\"title\":\"Sunset\",\"value\":\"6:15\u202fPM\",\"icon\":\"weather_details_lifeindex_icon_sunset."
        "png\"},"
        "{\"type\":7,\"title\":\"UV "
        "index\",\"value\":\"Moderate\",\"icon\":\"weather_details_lifeindex_icon_uv.png\"}]}");

    // Night at UTC+9: sunrise next, the night rain probability (none known: null).
    const std::string korrin = CityJson(run.out, 2);
    EXPECT_NE(korrin.find("\"localTime\":\"9:00\u202fPM\""), std::string::npos) << korrin;
    EXPECT_NE(korrin.find("{\"type\":2,\"title\":\"Sunrise\",\"value\":\"6:30\u202fAM\""), std::string::npos) << korrin;
    EXPECT_NE(korrin.find("\"rainProbability\":null"), std::string::npos) << korrin;

    // UTC-3:30, missing values and an unknown icon code.
    const std::string oxley = CityJson(run.out, 3);
    EXPECT_NE(oxley.find("\"localTime\":\"8:30\u202fAM\",\"localTimeLong\":\"Sun, Mar 15, 8:30\u202fAM\","
                         "\"condition\":\"Sunny\",\"icon\":\"01.sunny_360x360.png\",\"temperature\":null,"
                         "\"high\":null,\"low\":null"),
              std::string::npos)
        << oxley;
    EXPECT_NE(oxley.find("{\"time\":\"9:00\u202fAM\",\"icon\":\"06.shower_360x360.png\",\"temperature\":\"-1\""),
              std::string::npos)
        << oxley;

    // list: one row of each city, numbered from 0 in the order of show.
    test_process::ToolRun list = Weatherctl({"--json", "list"}, kNoon);
    ASSERT_EQ(list.exit, 0) << list.err;
    EXPECT_EQ(CityJson(list.out, 0), "{\"index\":0,\"locationId\":\"MRLB001:CurrentCity\",\"name\":\"Marlowe Bay\","
                                     "\"localTime\":\"12:00\u202fPM\",\"condition\":\"Partly cloudy\","
                                     "\"temperature\":\"15\"}");
    EXPECT_EQ(test_process::JsonValue(list.out, "$.cities[3].index"), "3");
}

TEST(WeatherctlShow, ChineseWcnTwentyFourHour)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    SetUpDevice("zh_CN.UTF-8", "CN", 0);
    test_process::ToolRun run = Weatherctl({"--json", "show", "TSLP002"}, kNoon);
    ASSERT_EQ(run.exit, 0) << run.err;

    // WCN in March: the month row 6, 2, 5, 4, 9, 22, 14, 28, all with values.
    EXPECT_EQ(
        CityJson(run.out, 0),
        "{\"locationId\":\"TSLP002\",\"name\":\"泰萨利角\",\"localTime\":\"17:30\","
        "\"localTimeLong\":\"3月15日周日 17:30\",\"condition\":\"多云\","
        "\"icon\":\"02.partly_sunny_360x360.png\",\"temperature\":\"28\",\"high\":\"31\",\"low\":\"21\","
        "\"rainProbability\":\"15\",\"hourly\":["
        "{\"time\":\"17:00\",\"icon\":\"02.partly_sunny_360x360.png\",\"temperature\":\"28\",\"condition\":\"多云\"},"
        "{\"time\":\"18:00\",\"icon\":\"03.cloudy_360x360.png\",\"temperature\":\"28\",\"condition\":\"阴\"},"
        "{\"time\":\"19:00\",\"icon\":\"04.rain_360x360.png\",\"temperature\":\"27\",\"condition\":\"小雨\"}],"
        "\"daily\":["
        "{\"weekday\":\"周日\",\"icon\":\"02.partly_sunny_360x360.png\",\"high\":\"31\",\"low\":\"21\",\"condition\":"
        "\"多云\"},"
        "{\"weekday\":\"周一\",\"icon\":\"04.rain_360x360.png\",\"high\":\"27\",\"low\":\"21\",\"condition\":\"小雨\"},"
        "{\"weekday\":\"周二\",\"icon\":\"01.sunny_360x360.png\",\"high\":\"30\",\"low\":\"20\",\"condition\":\"晴\"}],"
        "\"lifeIndex\":["
        "{\"type\":6,\"title\":\"空气质量指数\",\"value\":\"良\",\"icon\":\"weather_details_lifeindex_icon_aqi_.png\"},"
        "{\"type\":2,\"title\":\"日落\",\"value\":\"18:15\",\"icon\":\"weather_details_lifeindex_icon_sunset.png\"},"
        "{\"type\":5,\"title\":\"可吸入颗粒物(PM10)\",\"value\":\"良\",\"icon\":\"weather_details_lifeindex_icon_pm."
        "png\"},"
        "{\"type\":4,\"title\":\"PM2.5\",\"value\":\"轻度污染\",\"icon\":\"weather_details_lifeindex_icon_pm25.png\"},"
        "{\"type\":9,\"title\":\"体感温度\",\"value\":\"29.6\",\"icon\":\"weather_details_lifeindex_icon_feels_like."
        "png\"},"
        "{\"type\":22,\"title\":\"感冒风险\",\"value\":\"较易发\",\"icon\":\"weather_details_lifeindex_icon_catching_"
        "cold.png\"},"
        "{\"type\":14,\"title\":\"洗车\",\"value\":\"较不宜\",\"icon\":\"weather_details_lifeindex_icon_car_wash_index."
        "png\"},"
        "{\"type\":28,\"title\":\"过敏\",\"value\":\"较易发\",\"icon\":\"weather_details_lifeindex_icon_allergy.png\"}]"
        "}");

    EXPECT_EQ(Weatherctl({"show", "NOWHERE"}, kNoon).exit, 3);
    ASSERT_EQ(vconf_set_int(SYSKEY_STANDALONE, 0), VCONF_OK);
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "en_US.UTF-8"), VCONF_OK);
}

TEST(WeatherctlShow, MonthRowOfTheLocalMonth)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    SetUpDevice("en_US.UTF-8", "KR", 1);
    // weathernews_kr: March (row 2) and July (row 6); the night city has no
    // visibility, car wash, heat or discomfort value.
    const struct {
        const char* at;
        const char* types;
    } cases[] = {
        {kNoon, "5 4 34 2 7 15 22 9 "},
        {"2026-07-15 12:00:00", "5 4 34 2 7 15 "},
    };
    for (const auto& c : cases) {
        test_process::ToolRun run = Weatherctl({"--json", "show", "KRNH003"}, c.at);
        ASSERT_EQ(run.exit, 0) << run.err;
        std::string types;
        for (const std::string& type : test_process::JsonValues(run.out, "$.cities[0].lifeIndex[*].type"))
            types += type + " ";
        EXPECT_EQ(types, c.types) << c.at;
    }
    ASSERT_EQ(vconf_set_int(SYSKEY_STANDALONE, 0), VCONF_OK);
}

// Every language reads words: the languages with a catalogue (fr_FR, es_ES and
// ru_RU without a generated system locale) and two without one (it_IT's system
// locale is not generated here, pa_IN's is), which read English. A message key
// may show only where the catalogue gives the key itself, or as a condition
// text the provider stored ("多云" in the sample).
TEST(WeatherctlShow, EveryLanguageReadsWords)
{
    std::set<std::string> keys;
    for (const auto& list : {WeatherStatus::GetMessageKeys(), LifeIndexData::GetCatalogueKeys()})
        keys.insert(list.begin(), list.end());
    const std::string sample = ReadText(SampleCitiesPath());
    const std::string member = "\"weatherStatus\": \"";
    for (size_t at = sample.find(member); at != std::string::npos; at = sample.find(member, at + 1)) {
        const size_t from = at + member.size();
        keys.erase(sample.substr(from, sample.find('"', from) - from));
    }
    const struct {
        const char* language;
        const char* country;
        const char* catalogue;
    } cases[] = {
        {"ko_KR.UTF-8", "KR", "ko_KR"}, {"ja_JP.UTF-8", "JP", "ja_JP"}, {"zh_TW.UTF-8", "CN", "zh_TW"},
        {"de_DE.UTF-8", "US", "de_DE"}, {"fr_FR.UTF-8", "US", "fr_FR"}, {"es_ES.UTF-8", "US", "es_ES"},
        {"ru_RU.UTF-8", "US", "ru_RU"}, {"ar_AE.UTF-8", "US", "ar_AE"}, {"it_IT.UTF-8", "US", "en_US"},
        {"pa_IN.UTF-8", "KR", "en_US"},
    };
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    for (const auto& c : cases) {
        SetUpDevice(c.language, c.country, 1);
        test_process::ToolRun run = Weatherctl({"--json", "show"}, kNoon);
        ASSERT_EQ(run.exit, 0) << c.language << run.err;
        const std::map<std::string, std::string> catalogue = ReadCatalogue(c.catalogue);
        ASSERT_FALSE(catalogue.empty()) << c.catalogue;
        auto shown = [&](const std::string& text) { return run.out.find("\"" + text + "\"") != std::string::npos; };
        EXPECT_TRUE(shown(catalogue.at("IDS_WGT_BODY_SUNSET")) || shown(catalogue.at("IDS_WGT_BODY_SUNRISE")))
            << c.language << "\n"
            << run.out;
        for (const std::string& key : keys) {
            if (shown(key)) {
                EXPECT_EQ(catalogue.count(key) ? catalogue.at(key) : "", key) << c.language << " shows the key";
            }
        }
        for (const char* prefix : {"\"IDS_", "\"WDS_", "\"ORVEN_"})
            EXPECT_EQ(run.out.find(prefix), std::string::npos) << c.language << "\n" << run.out;
    }
    ASSERT_EQ(vconf_set_int(SYSKEY_STANDALONE, 0), VCONF_OK);
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "en_US.UTF-8"), VCONF_OK);
}

// A catalogue path that is not a regular file is refused before anything
// opens it (a FIFO would block the tool); the next catalogue in line is read.
TEST(WeatherctlShow, CatalogueThatIsNoFileIsRefused)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    SetUpDevice("my_MM.UTF-8", "JP", 1);
    // gettext would open the language's own catalogue, then the bare
    // language's, of the weather domain and of the tool's own.
    using Case = std::pair<const char*, const char*>;
    for (const auto& [name, domain] :
         {Case{"my_MM", "weather"}, Case{"my", "weather"}, Case{"my_MM", "weatherctl"}, Case{"my", "weatherctl"}}) {
        const std::string dir = DeviceFixture::Root() + "/apps/com.velurio.weather/res/locale/" + name + "/LC_MESSAGES";
        ASSERT_EQ(g_mkdir_with_parents(dir.c_str(), 0755), 0);
        const std::string fifo = dir + "/" + domain + ".mo";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << fifo;
        test_process::ToolRun run = test_process::RunTool(
            {"timeout", "30", std::string(WEATHER_BUILD_DIR) + "/tools/weatherctl", "list"}, {"TZ=UTC"});
        unlink(fifo.c_str());
        EXPECT_EQ(run.exit, 0) << run.err; // 124 after a hang
        EXPECT_NE(run.err.find(std::string(name) + "/LC_MESSAGES/" + domain + ".mo]: not a regular file"),
                  std::string::npos)
            << run.err;
        EXPECT_NE(run.out.find("Marlowe Bay"), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("IDS_"), std::string::npos) << run.out;
    }
    ASSERT_EQ(vconf_set_int(SYSKEY_STANDALONE, 0), VCONF_OK);
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "en_US.UTF-8"), VCONF_OK);
}

// A language key with a modifier: a FIFO at any catalogue name gettext may
// try (ll_CC@mod, ll_CC, ll@mod, ll) hangs nothing, and one on the list the
// tool walks (the modifier is not part of it) is refused by name.
TEST(WeatherctlShow, EveryCatalogueOfALanguageWithAModifierIsChecked)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    SetUpDevice("ko_KR@latin", "KR", 1);
    struct Case {
        const char* name;
        bool walked;
    };
    for (const Case& c : {Case{"ko_KR@latin", false}, Case{"ko_KR", true}, Case{"ko@latin", false}, Case{"ko", true}}) {
        const char* name = c.name;
        const std::string dir = DeviceFixture::Root() + "/apps/com.velurio.weather/res/locale/" + name + "/LC_MESSAGES";
        ASSERT_EQ(g_mkdir_with_parents(dir.c_str(), 0755), 0);
        const std::string fifo = dir + "/weather.mo";
        unlink(fifo.c_str());
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0) << fifo;
        test_process::ToolRun run = test_process::RunTool(
            {"timeout", "-s", "KILL", "10", std::string(WEATHER_BUILD_DIR) + "/tools/weatherctl", "list"}, {"TZ=UTC"});
        unlink(fifo.c_str());
        EXPECT_EQ(run.exit, 0) << name << ": " << run.err; // -1 after a hang
        EXPECT_EQ(run.err.find(fifo + "]: not a regular file") != std::string::npos, c.walked) << run.err;
        EXPECT_NE(run.out.find("Marlowe Bay"), std::string::npos) << run.out;
    }
    ASSERT_EQ(vconf_set_int(SYSKEY_STANDALONE, 0), VCONF_OK);
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "en_US.UTF-8"), VCONF_OK);
}

// The weather families a condition text or an image shows.
enum Family : unsigned { Sun = 1, Cloud = 2, Rain = 4, Snow = 8, Storm = 16, Fog = 32, Wind = 64, Heat = 128 };

// Common image numbers 0 to 23 (0 shows the sunny image).
const unsigned kImageFamilies[24] = {
    Sun,  Sun,         Sun | Cloud, Cloud, Rain, Fog,  Rain, Sun | Rain,  Storm, Sun | Storm, Snow, Sun | Snow,
    Snow, Rain | Snow, Rain | Snow, Heat,  0,    Wind, Sun,  Sun | Cloud, Rain,  Snow,        Wind, Storm | Wind,
};

// The condition keys the sample's codes reach under its providers ("IDS_WGT_"
// left off), and the texts the sample stores as its providers sent them.
const std::map<std::string, unsigned> kKeyFamilies = {
    {"POP_SUNNY", Sun},
    {"POP_CLEAR", Sun},
    {"POP_PARTLY_SUNNY", Sun | Cloud},
    {"POP_PARTLY_CLOUDY", Sun | Cloud},
    {"POP_MOSTLY_CLEAR", Sun | Cloud},
    {"POP_CLOUDY", Cloud},
    {"POP_MOSTLY_CLOUDY", Cloud},
    {"POP_OVERCAST", Cloud},
    {"POP_RAIN", Rain},
    {"POP_LIGHT_RAIN", Rain},
    {"POP_SHOWERS", Rain},
    {"BODY_MODERATE_RAIN", Rain},
    {"POP_MOSTLY_CLOUDY_WITH_SHOWERS", Cloud | Rain},
    {"POP_THUNDERSTORMS", Storm | Rain},
    {"POP_RAIN_AND_SNOW_MIXED", Rain | Snow},
    {"WDS_AW_BODY_HURRICANE", Storm | Wind},
};
const std::map<std::string, unsigned> kStoredFamilies = {
    {"Partly cloudy", Sun | Cloud}, {"晴", Sun},         {"多云", Sun | Cloud},         {"阴", Cloud}, {"小雨", Rain},
    {"구름조금", Sun | Cloud},      {"구름많음", Cloud}, {"구름많고 비", Cloud | Rain},
};

// The families a shown condition text names: a stored text as the sample
// has it, else the key whose catalogue text it is.
unsigned TextFamilies(const std::string& text, const std::map<std::string, std::string>& catalogue)
{
    auto stored = kStoredFamilies.find(text);
    if (stored != kStoredFamilies.end())
        return stored->second;
    for (const auto& [key, words] : catalogue) {
        if (words != text)
            continue;
        auto found = kKeyFamilies.find(key.rfind("IDS_WGT_", 0) == 0 ? key.substr(8) : key);
        if (found != kKeyFamilies.end())
            return found->second;
    }
    return 0;
}

// What a newcomer sees first, `show` on a default device (TWC), and each city
// under the provider whose codes it carries (tools/weatherctl/README.md): every
// condition text beside an image of the same weather, and the image shows the
// rain or snow the text names and no other.
TEST(WeatherctlShow, SampleTextsAgreeWithTheirImages)
{
    const struct {
        const char* provider;
        const char* country;
        const char* language;
        const char* catalogue;
        std::vector<const char*> cities;
    } cases[] = {
        {"TWC", "US", "en_US.UTF-8", "en_US", {"MRLB001:CurrentCity", "TSLP002", "KRNH003", "OXLR004"}},
        {"WCN", "CN", "zh_CN.UTF-8", "zh_CN", {"TSLP002"}},
        {"weathernews_kr", "KR", "ko_KR.UTF-8", "ko_KR", {"KRNH003"}},
    };
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    for (const auto& c : cases) {
        SetUpDevice(c.language, c.country, 0);
        const std::map<std::string, std::string> catalogue = ReadCatalogue(c.catalogue);
        for (const char* city : c.cities) {
            test_process::ToolRun run = Weatherctl({"--json", "show", city}, kNoon);
            ASSERT_EQ(run.exit, 0) << run.err;
            ASSERT_NE(run.out.find(std::string("\"provider\" : \"") + c.provider + "\""), std::string::npos) << run.out;
            int records = 0;
            for (const char* record : {"$.cities[0]", "$.cities[0].hourly[*]", "$.cities[0].daily[*]"}) {
                const auto texts = test_process::JsonValues(run.out, std::string(record) + ".condition");
                const auto icons = test_process::JsonValues(run.out, std::string(record) + ".icon");
                ASSERT_EQ(texts.size(), icons.size()) << run.out;
                for (size_t i = 0; i < texts.size(); ++i, ++records) {
                    const std::string trace = std::string(c.provider) + " " + city + " " + record + " " +
                                              std::to_string(i) + ": " + texts[i] + " beside " + icons[i];
                    const unsigned named = TextFamilies(texts[i], catalogue);
                    ASSERT_NE(named, 0u) << trace << ": a text of unknown weather";
                    const int image = std::atoi(icons[i].c_str());
                    ASSERT_TRUE(image >= 0 && image <= 23) << trace;
                    const unsigned shown = kImageFamilies[image];
                    EXPECT_NE(shown & named, 0u) << trace;
                    EXPECT_EQ(shown & (Rain | Snow), named & (Rain | Snow)) << trace;
                }
            }
            EXPECT_GE(records, 3) << city;
        }
    }
    ASSERT_EQ(vconf_set_int(SYSKEY_STANDALONE, 0), VCONF_OK);
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "en_US.UTF-8"), VCONF_OK);
}

} // namespace
