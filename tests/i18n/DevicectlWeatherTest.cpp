#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DeviceFixture.h"
#include "TestProcess.h"

namespace {

// Runs devicectl (under libfaketime at 2024-12-06 13:05:00 UTC when fixed);
// stdout, or "exit N" when it failed.
std::string Devicectl(std::vector<std::string> args, bool fixedClock = false, std::vector<std::string> extraEnv = {})
{
    std::vector<std::string> command;
    if (fixedClock)
        command = {"faketime", "-f", "@2024-12-06 13:05:00"};
    command.push_back(WEATHER_BUILD_DIR "/tools/devicectl");
    command.insert(command.end(), args.begin(), args.end());
    // libfaketime is preloaded ahead of the sanitizer runtime.
    std::vector<std::string> env = {"TZ=UTC0", "ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0"};
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    test_process::ToolRun run = test_process::RunTool(command, env);
    return run.exit == 0 ? run.out : "exit " + std::to_string(run.exit);
}

std::string Line(const std::string& output, const std::string& name)
{
    size_t at = output.find(name + " ");
    if (at == std::string::npos)
        return "(missing " + name + ")";
    size_t start = output.find_first_not_of(' ', at + name.size());
    return output.substr(start, output.find('\n', start) - start);
}

} // namespace

// Each setting changes what the tool, a weather app's view, shows; the tool's
// display locale comes from the device language.
TEST(DevicectlWeatherTest, SettingsChangeTheCityClock)
{
    const struct {
        std::vector<std::string> set;
        std::vector<std::string> clock;
        const char* provider;
        const char* shortText;
        const char* longText;
    } steps[] = {
        {{"language", "ko_KR.UTF-8"}, {"5.5"}, "TWC (5)", "오후 6:35", "12월 6일 (금) 오후 6:35"},
        {{"time-format", "24"}, {"5.5", "--summer-time"}, "TWC (5)", "18:35", "12월 6일 (금) 18:35"},
        {{"provider", "WCN"}, {"5.5", "--summer-time"}, "WCN (6)", "19:35", "12월 6일 (금) 19:35"},
        {{"language", "en_US.UTF-8"}, {"-3.5"}, "WCN (6)", "09:35", "Fri, Dec 6, 09:35"},
        {{"standalone", "on"}, {"-3.5", "--summer-time"}, "TWC (5)", "09:35", "Fri, Dec 6, 09:35"}, // country US
        {{"country", "JP"}, {"-3.5", "--summer-time"}, "WeatherNews (4)", "10:35", "Fri, Dec 6, 10:35"},
        {{"retail", "on"}, {"9"}, "WeatherNews (4)", "13:05", "Fri, Dec 6, 13:05"},
    };
    for (const auto& step : steps) {
        std::vector<std::string> set = {"weather", "set"};
        set.insert(set.end(), step.set.begin(), step.set.end());
        ASSERT_EQ(Devicectl(set), "") << step.set[0];
        std::vector<std::string> clock = {"weather", "clock"};
        clock.insert(clock.end(), step.clock.begin(), step.clock.end());
        std::string output = Devicectl(clock, true);
        SCOPED_TRACE(step.set[0] + " " + step.set[1] + "\n" + output);
        EXPECT_EQ(Line(output, "provider"), step.provider);
        EXPECT_EQ(Line(output, "short"), step.shortText);
        EXPECT_EQ(Line(output, "long"), step.longText);
    }
    std::string shown = Devicectl({"weather"});
    EXPECT_EQ(Line(shown, "retail"), "1 (1: on)");
    EXPECT_EQ(Line(shown, "common-icons"), "(unset) (preference of com.velurio.weather)");
    EXPECT_EQ(Devicectl({"weather", "set", "common-icons", "on"}), "");
    EXPECT_EQ(Line(Devicectl({"weather"}), "common-icons"), "true (preference of com.velurio.weather)");
    EXPECT_EQ(Devicectl({"weather", "set", "provider", "accuweather"}), "exit 2");
    EXPECT_EQ(Devicectl({"weather", "clock", "25"}), "exit 2");
    for (auto key : {"retail", "standalone"})
        Devicectl({"weather", "set", key, "off"});
    Devicectl({"weather", "set", "time-format", "12"});
}

// The tool shows condition texts in the device language, through the compiled catalogues.
TEST(DevicectlWeatherTest, StatusTextsInTheDeviceLanguage)
{
    const struct {
        std::vector<std::string> set;
        std::vector<std::string> status;
        const char* text;
        const char* image;
    } steps[] = {
        {{"provider", "cmaweather"}, {"2", "--night"}, "Overcast", "03.cloudy_360x360.png"},
        {{"language", "en_US.UTF-8"}, {"1"}, "Cloudy", "02.partly_sunny_360x360.png"},
        {{"language", "zh_CN.UTF-8"}, {"2"}, "阴", "03.cloudy_360x360.png"},
        {{"provider", "Accuweather"}, {"18", "--text", "Stored"}, "Stored", "04.rain_360x360.png"},
        {{"retail", "on"}, {"18", "--text", "Stored"}, "雨", "04.rain_360x360.png"},
        {{"common-icons", "on"}, {"2", "--night"}, "晴朗", "19.mostly_clear_360x360.png"}, // 2 -> 1 -> 18
    };
    ASSERT_EQ(Devicectl({"weather", "set", "common-icons", "off"}), "");
    for (const auto& step : steps) {
        std::vector<std::string> set = {"weather", "set"};
        set.insert(set.end(), step.set.begin(), step.set.end());
        ASSERT_EQ(Devicectl(set), "") << step.set[0];
        std::vector<std::string> status = {"weather", "status"};
        status.insert(status.end(), step.status.begin(), step.status.end());
        std::string output = Devicectl(status);
        SCOPED_TRACE(step.set[0] + " " + step.set[1] + "\n" + output);
        EXPECT_EQ(Line(output, "status"), step.text);
        EXPECT_EQ(Line(output, "image"), step.image);
    }
    for (auto [key, value] : {std::make_pair("retail", "off"), {"language", "en_US.UTF-8"}, {"provider", "TWC"}})
        Devicectl({"weather", "set", key, value});
}

// The device's language key rules over the shell's locale variables; a
// language with a catalogue reads it even without a generated system locale,
// one without a catalogue reads English words, never a message key.
TEST(DevicectlWeatherTest, TheDeviceLanguageRulesOverTheShell)
{
    const struct {
        const char* language;
        const char* shellEnv;
        const char* text;
    } cases[] = {
        {"zh_CN.UTF-8", "LC_ALL=C.UTF-8", "阴"},
        {"zh_CN.UTF-8", "LANGUAGE=en_US", "阴"},
        {"en_US.UTF-8", "LC_ALL=zh_CN.UTF-8", "Overcast"},
        {"fr_FR.UTF-8", "LANGUAGE=zh_CN", "Couvert"},  // catalogue, locale not generated
        {"ar_AE.UTF-8", "LC_ALL=C", "ملبد بالغيوم"},   // catalogue, locale generated
        {"it_IT.UTF-8", "LANGUAGE=zh_CN", "Overcast"}, // no catalogue, locale not generated
        {"pa_IN.UTF-8", "LC_ALL=C", "Overcast"},       // no catalogue, locale generated
    };
    ASSERT_EQ(Devicectl({"weather", "set", "provider", "cmaweather"}), "");
    for (const auto& c : cases) {
        ASSERT_EQ(Devicectl({"weather", "set", "language", c.language}), "") << c.language;
        std::string output = Devicectl({"weather", "status", "2"}, false, {c.shellEnv});
        EXPECT_EQ(Line(output, "status"), c.text) << c.language << " " << c.shellEnv << "\n" << output;
    }
    for (auto [key, value] : {std::make_pair("language", "en_US.UTF-8"), {"provider", "TWC"}})
        Devicectl({"weather", "set", key, value});
}

// A setting the device refuses to store fails the command and changes nothing.
TEST(DevicectlWeatherTest, RefusedWritesFailAndChangeNothing)
{
    const struct {
        const char* name;
        const char* before;
        const char* after;
        const char* fault;
        const char* shownBefore;
    } cases[] = {
        {"language", "en_US.UTF-8", "ko_KR.UTF-8", "vconf_set_str=error", "en_US.UTF-8"},
        {"retail", "off", "on", "vconf_set_int=error", "0 (1: on)"},
        {"common-icons", "off", "on", "preference_set_boolean=error", "false (preference of com.velurio.weather)"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Devicectl({"weather", "set", c.name, c.before}), "") << c.name;
        EXPECT_EQ(
            Devicectl({"weather", "set", c.name, c.after}, false, {std::string("WEATHER_DEVICE_FAULTS=") + c.fault}),
            "exit 1")
            << c.name;
        EXPECT_EQ(Line(Devicectl({"weather"}), c.name), c.shownBefore);
    }
}
