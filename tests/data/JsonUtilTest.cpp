// JsonUtil: value texts by JSON type, the "?" rule, load failures, and the
// nesting limit that keeps JSON-GLib's recursion off deep documents.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "DeviceFixture.h"
#include "json/JsonPrescan.h"
#include "json/JsonUtil.h"

namespace {

std::shared_ptr<JsonUtil> Parse(const std::string& text)
{
    return JsonUtil::Make(text.c_str(), static_cast<int>(text.size()));
}

TEST(JsonUtil, ValueTextsByType)
{
    LogCapture log;
    auto util =
        Parse(R"({"b":true,"f":false,"i":7,"n":-42,"d":7.9,"e":6.0,"s":"12","qq":"??","o":{},"a":[1],"z":null})");
    const std::pair<const char*, const char*> expected[] = {{"b", "1"},   {"f", "0"},        {"i", "7"},
                                                            {"n", "-42"}, {"d", "7.900000"}, {"e", "6.000000"},
                                                            {"s", "12"},  {"qq", "??"}};
    for (const auto& [key, text] : expected)
        EXPECT_EQ(util->GetValueFromObject(key), text) << key;
    // Missing members, containers and null have no scalar type.
    for (const char* key : {"missing", "o", "a", "z"}) {
        log.Clear();
        EXPECT_EQ(util->GetValueFromObject(key), "") << key;
        EXPECT_EQ(log.Count("Entering node default case"), 1u) << key;
    }
    // A non-object root answers like a failed parse, but its array is there.
    auto array = Parse("[1,2,3]");
    EXPECT_EQ(array->GetValueFromObject("x"), "");
    EXPECT_TRUE(log.Contains("Invalid Input Parameters [key : x] [return]"));
    ASSERT_NE(array->GetArrayFromRootNode(), nullptr);
    EXPECT_EQ(json_array_get_length(array->GetArrayFromRootNode()), 3u);
}

TEST(JsonUtil, LengthArgumentAndLoadFailures)
{
    const char* text = R"({"a":1}garbage)";
    EXPECT_EQ(JsonUtil::Make(text, 7)->GetValueFromObject("a"), "1"); // only the prefix is parsed
    const std::pair<const char*, int> refused[] = {
        {text, static_cast<int>(strlen(text)) + 1}, {text, -1}, {nullptr, 0}};
    for (const auto& [data, length] : refused) {
        LogCapture log;
        EXPECT_EQ(JsonUtil::Make(data, length)->GetValueFromObject("a"), "");
        EXPECT_TRUE(log.Contains("data is NULL or dataLen < strlen(data)")) << length;
    }
    // Not JSON: the library's message is logged.
    LogCapture log;
    EXPECT_EQ(Parse(text)->GetValueFromObject("a"), "");
    EXPECT_TRUE(log.Contains("Failed to json_parser_load_from_data. <data>:1:"));
}

TEST(JsonPrescan, NestingLimitCountsOnlyWhatTheLibraryReadsAsStructure)
{
    const int limit = JsonUtil::kMaxNestingDepth;
    auto refused = [limit](const std::string& text) { return !JsonPrescan(text.c_str(), text.size(), limit).empty(); };
    auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    const std::string deep(limit + 1, '[');
    const struct {
        std::string text;
        bool refused;
    } cases[] = {
        {nested(limit), false},
        {nested(limit + 1), true},
        // Brackets in strings, also after escaped quotes and backslashes.
        {"{\"k\":\"" + deep + "\\\"" + deep + "\\\\\"}", false},
        {"[\"\\\\\"" + nested(limit) + "]", true},
        // Single-quoted strings have no escapes; a double quote in one is a character.
        {"{'k':'" + deep + "\"" + deep + "'}", false},
        {"['\\'" + nested(limit) + "]", true},
        // A /* */ comment, also one left open; "//" starts none.
        {"{\"k\":/*" + deep + "*/1}", false},
        {"{\"k\":1}/*" + deep, false},
        {"{\"k\":1}//" + deep, true},
        {"{\"k\":\"/*\"," + deep, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(refused(c.text), c.refused) << c.text.substr(0, 40);
}

// What the library reads is read: a restore record with a comment or a
// single-quoted string full of brackets keeps its settings; only a document
// deep enough to threaten the stack reads like a failed load.
TEST(JsonUtil, CommentsAndSingleQuotesAreTheLibrarysToRead)
{
    const std::string brackets(2 * JsonUtil::kMaxNestingDepth, '[');
    for (const std::string& text : {"{\"tempUnit\":1,/*" + brackets + "*/\"useNotification\":true}",
                                    "{'note':'" + brackets + "',\"tempUnit\":1,\"useNotification\":true}"}) {
        auto util = Parse(text);
        EXPECT_EQ(util->GetValueFromObject("tempUnit"), "1") << text.substr(0, 30);
        EXPECT_EQ(util->GetValueFromObject("useNotification"), "1") << text.substr(0, 30);
    }
    LogCapture log;
    const std::string deep(1000000, '[');
    EXPECT_EQ(Parse("{\"a\":" + deep + std::string(1000000, ']') + "}")->GetValueFromObject("a"), "");
    EXPECT_TRUE(log.Contains("Failed to json_parser_load_from_data. nesting deeper than"));
}

TEST(JsonUtil, NumbersAreReadAsTheLibraryReadsThem)
{
    // Odd numbers in a member nobody reads never cost the members that are read.
    for (const char* odd : {"100000000000000000000", "-9223372036854775809", "00012", "0x10", "1E+999"}) {
        const std::string text = std::string("{\"odd\":[") + odd + "],\"tempUnit\":1,\"useNotification\":true}";
        auto util = Parse(text);
        EXPECT_EQ(util->GetValueFromObject("tempUnit"), "1") << odd;
        EXPECT_EQ(util->GetValueFromObject("useNotification"), "1") << odd;
    }
}

} // namespace
