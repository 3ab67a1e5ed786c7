// RestoreMessageParser: the reading rules of the backup document, hostile
// member values, and a replay of the fuzzing seed corpus.

#include <gtest/gtest.h>
#include <glib.h>

#include <array>
#include <climits>
#include <string>

#include "DeviceFixture.h"
#include "parser/RestoreMessageParser.h"
#include "SqliteTestUtil.h"

namespace {

// tempUnit, autoRefreshTimeInterval, and the two flags as 0/1.
using Values = std::array<int32_t, 4>;
const char* const kMembers[] = {"tempUnit", "autoRefreshTimeInterval", "useCurrentLocationAgreed", "useNotification"};

Values Read(const std::string& text)
{
    auto parser = RestoreMessageParser::Make(text.c_str(), static_cast<int>(text.size()));
    return {parser->GetTempUnit(), parser->GetAutoRefreshTimeInterval(), parser->GetUseCurrentLocationAgreed(),
            parser->GetUseNotification()};
}

#define EXPECT_READS(text, ...) EXPECT_EQ(Read(text), (Values{__VA_ARGS__})) << std::string(text).substr(0, 120)

TEST(RestoreMessageParser, MemberTypesAndOrder)
{
    EXPECT_READS(
        R"({"tempUnit":0,"autoRefreshTimeInterval":24,"useCurrentLocationAgreed":true,"useNotification":false})", 0, 24,
        1, 0);
    // Strings, doubles and another order read like the integer form; others are ignored.
    EXPECT_READS(
        R"({"useNotification":"1","x":[],"useCurrentLocationAgreed":1.0,"autoRefreshTimeInterval":6.0,"tempUnit":"1"})",
        1, 6, 1, 1);
    EXPECT_READS(
        R"({"tempUnit":true,"autoRefreshTimeInterval":1.9,"useCurrentLocationAgreed":2,"useNotification":"true"})", 1,
        1, 1, 0);
    EXPECT_READS(
        R"({"tempUnit":"x","autoRefreshTimeInterval":"42abc","useCurrentLocationAgreed":"","useNotification":0})", 0,
        42, 0, 0);
    EXPECT_READS(R"({"tempUnit":1,"autoRefreshTimeInterval":6,"useCurrentLocationAgreed":true})", 1, 6, 1, 0);
    // 64-bit values beyond 32 bits saturate in the text-to-int conversion.
    EXPECT_READS(
        R"({"tempUnit":4294967296,"autoRefreshTimeInterval":-4294967296,"useCurrentLocationAgreed":4294967296})",
        INT32_MAX, INT32_MIN, 1, 0);
}

TEST(RestoreMessageParser, QuestionMarkAndUnreadableDocuments)
{
    LogCapture log;
    EXPECT_READS(
        R"({"tempUnit":"?","autoRefreshTimeInterval":"?","useCurrentLocationAgreed":"?","useNotification":"?"})", 0, 0,
        0, 0);
    EXPECT_EQ(log.Count("Value is ?, so reset as NULL. It's CMAWeather's issue"), 4u);
    EXPECT_EQ(log.Count("(str.length() <= 0) [return]"), 4u);

    for (const char* text : {"", "not json", "[1,2]", "42", "\"s\"", "null", "{", R"({"tempUnit":1,})"}) {
        log.Clear();
        EXPECT_READS(text, 0, 0, 0, 0);
        EXPECT_EQ(log.Count("Invalid Input Parameters"), 4u) << text;
    }
    // An overlong length is refused; the getters read again on every call.
    std::string doc =
        R"({"tempUnit":7,"autoRefreshTimeInterval":6,"useCurrentLocationAgreed":true,"useNotification":true})";
    EXPECT_EQ(RestoreMessageParser::Make(doc.c_str(), static_cast<int>(doc.size()) + 1)->GetTempUnit(), 0);
    auto parser = RestoreMessageParser::Make(doc.c_str(), static_cast<int>(doc.size()));
    EXPECT_TRUE(parser->GetUseNotification());
    EXPECT_EQ(parser->GetTempUnit(), 7);
    EXPECT_EQ(parser->GetTempUnit(), 7);
}

// Each member in turn gets a hostile value; the other three keep valid ones.
TEST(RestoreMessageParser, HostileMemberValues)
{
    const char* const valid[] = {"3", "12", "true", "true"};
    const Values validValues{3, 12, 1, 1};
    struct Hostile {
        const char* name;
        std::string json;     // the member's value
        int32_t read;         // what the member reads as an integer
        bool wholeDocRefused; // the document fails to load: every member reads 0
    };
    const Hostile hostiles[] = {
        {"overflowing double", "1e999", 0, false}, // "inf"
        {"negative overflowing double", "-1e999", 0, false},
        {"integer beyond 64 bits", "100000000000000000000", -1, false}, // as JSON-GLib reads it
        {"fraction", "1.5", 1, false},
        {"string", "\"12\"", 12, false},
        {"null", "null", 0, false},
        {"array", "[]", 0, false},
        {"object", "{}", 0, false},
        {"duplicate member", "5,\"%s\":0", 0, false}, // the last one counts
        {"embedded NUL", "\"5\\u00007\"", 5, false},
        {"invalid UTF-8", "\"\xff\xfe\"", 0, true},
        {"1 MB digit string", "\"" + std::string(1 << 20, '1') + "\"", INT32_MAX, false},
        {"1 MB text string", "\"" + std::string(1 << 20, 'x') + "\"", 0, false},
    };
    for (size_t m = 0; m < 4; ++m) {
        for (const Hostile& hostile : hostiles) {
            std::string value = hostile.json;
            if (size_t at = value.find("%s"); at != std::string::npos)
                value.replace(at, 2, kMembers[m]);
            std::string doc = "{";
            for (size_t k = 0; k < 4; ++k)
                doc += std::string(k ? "," : "") + "\"" + kMembers[k] + "\":" + (k == m ? value : valid[k]);
            Values expected = hostile.wholeDocRefused ? Values{0, 0, 0, 0} : validValues;
            if (!hostile.wholeDocRefused)
                expected[m] = m < 2 ? hostile.read : hostile.read != 0;
            SCOPED_TRACE(std::string(kMembers[m]) + " = " + hostile.name);
            EXPECT_EQ(Read(doc + "}"), expected);
        }
    }
}

// Every seed of the fuzzing corpus runs through the parser in the normal build.
TEST(RestoreMessageParser, FuzzCorpusReplay)
{
    const std::string dir = std::string(WEATHER_SOURCE_DIR) + "/fuzz/corpus/restore_parser";
    GDir* handle = g_dir_open(dir.c_str(), 0, nullptr);
    ASSERT_NE(handle, nullptr) << dir;
    size_t files = 0;
    while (const gchar* name = g_dir_read_name(handle)) {
        Read(ReadText(dir + "/" + name)); // a NUL-terminated copy, as the fuzz target makes
        ++files;
    }
    g_dir_close(handle);
    EXPECT_GE(files, 10u);
}

} // namespace
