// weatherctl render: the page's texts are show's texts in each language, the
// device keeps its language, and the command line is checked. The page's
// layout is checked in the browser (tests/render).

#include <gtest/gtest.h>

#include <glib.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include <device/system_keys.h>
#include <device/vconf.h>

#include "DeviceFixture.h"
#include "WeatherctlRun.h"

namespace {

constexpr const char* kNoon = "2026-03-15 12:00:00";

std::string Language()
{
    g_autofree char* value = vconf_get_str(SYSKEY_LANGUAGE);
    return value ? value : "";
}

std::string PagePath(const char* name)
{
    return DeviceFixture::Root() + "/" + name;
}

// A JSON string member of show --json's first city.
std::string FirstCity(const std::string& json, const char* member)
{
    return test_process::JsonValue(json, std::string("$.cities[0].") + member);
}

TEST(WeatherctlRender, EachLanguageShowsWhatShowPrintsInIt)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    for (const char* language : {"ko_KR.UTF-8", "ar_AE.UTF-8", "de_DE.UTF-8"}) {
        ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, language), VCONF_OK);
        test_process::ToolRun show = Weatherctl({"--json", "show", "KRNH003"}, kNoon);
        ASSERT_EQ(show.exit, 0) << show.err;
        ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "en_US.UTF-8"), VCONF_OK);
        const std::string page = PagePath("faces.html");
        test_process::ToolRun render = Weatherctl({"render", "--lang", language, "-o", page, "KRNH003"}, kNoon);
        ASSERT_EQ(render.exit, 0) << render.err;
        EXPECT_EQ(Language(), "en_US.UTF-8") << "render changed the device's language";
        const std::string html = ReadText(page);
        for (const char* member : {"name", "localTimeLong", "condition"}) {
            const std::string text = FirstCity(show.out, member);
            EXPECT_NE(html.find(">" + text + "<"), std::string::npos) << language << " " << member << ": " << text;
        }
        const bool rtl = std::string(language) == "ar_AE.UTF-8";
        EXPECT_EQ(html.find(R"(dir="rtl" data-language=")") != std::string::npos, rtl) << language;
    }
}

TEST(WeatherctlRender, LanguageNamesAreTakenAsTheDeviceKeyTakesThem)
{
    ASSERT_EQ(Weatherctl({"import", SampleCitiesPath()}).exit, 0);
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "en_US.UTF-8"), VCONF_OK);
    const std::string reference = PagePath("reference.html");
    ASSERT_EQ(Weatherctl({"render", "--lang", "ar_AE.UTF-8", "-o", reference}, kNoon).exit, 0);
    const std::string expected = ReadText(reference);
    ASSERT_NE(expected.find(R"(data-language="ar_AE.UTF-8")"), std::string::npos);
    struct Case {
        std::vector<std::string> args;
        int exit;
        bool sameAsReference;
    } cases[] = {
        {{"--lang", "ar_AE"}, 0, true},
        {{"--lang=ar_AE.utf8"}, 0, true},
        {{"--lang", "ar_AE,ar_AE.UTF-8"}, 0, true}, // one language, drawn once
        {{"--lang", "en_US"}, 0, false},
        {{"--lang", "AR_ae"}, 2, false},
        {{"--lang", "ar_AE.ISO-8859-6"}, 2, false},
        {{"--lang", "ar_AE,"}, 2, false},
        {{"--lang", "../ar"}, 2, false},
        {{"--lang"}, 2, false},
        {{"--json"}, 2, false},
        {{"--section", "--lang", "ar_AE"}, 2, false},
        {{"NOWHERE"}, 3, false},
    };
    for (const Case& c : cases) {
        const std::string page = PagePath("case.html");
        unlink(page.c_str());
        std::vector<std::string> args = {"render", "-o", page};
        args.insert(args.end(), c.args.begin(), c.args.end());
        test_process::ToolRun run = Weatherctl(args, kNoon);
        const std::string what = testing::PrintToString(c.args);
        EXPECT_EQ(run.exit, c.exit) << what << ": " << run.err;
        if (c.exit != 0)
            EXPECT_NE(access(page.c_str(), F_OK), 0) << what << ": a refused render wrote a page";
        else
            EXPECT_EQ(ReadText(page) == expected, c.sameAsReference) << what;
    }
    // The other commands take none of render's options.
    EXPECT_EQ(Weatherctl({"show", "-o", PagePath("x.html")}).exit, 2);
    EXPECT_EQ(Weatherctl({"list", "--lang", "ko_KR"}).exit, 2);
    EXPECT_EQ(Language(), "en_US.UTF-8");
}

// A stored name is data, never markup: it reaches the page as text, its
// control characters as show prints them.
TEST(WeatherctlRender, StoredTextsAreEscaped)
{
    const std::string cities = DeviceFixture::Root() + "/markup.json";
    std::ofstream(cities, std::ios::binary)
        << R"({"cities": [{"locationId": "<i>M&amp;</i>", "cityName": "<script>alert('x')</script>\u0007\"",)"
           R"( "cityNameEng": "<script>alert('x')</script>\u0007\"", "current": {"weatherIcon": 1}}]})";
    ASSERT_EQ(Weatherctl({"import", cities}).exit, 0);
    ASSERT_EQ(vconf_set_str(SYSKEY_LANGUAGE, "ja_JP.UTF-8"), VCONF_OK);
    const std::string page = PagePath("markup.html");
    test_process::ToolRun run = Weatherctl({"render", "-o", page}, kNoon);
    ASSERT_EQ(run.exit, 0) << run.err;
    const std::string html = ReadText(page);
    for (const char* raw : {"<script>alert", "<i>", "\a"})
        EXPECT_EQ(html.find(raw), std::string::npos) << raw;
    for (const char* escaped :
         {"&lt;i&gt;M&amp;amp;&lt;/i&gt;", "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;\\x07&quot;"})
        EXPECT_NE(html.find(escaped), std::string::npos) << escaped;
}

} // namespace
