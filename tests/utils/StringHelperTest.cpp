#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <sstream>

#include "LogLines.h"
#include "utils/StringHelper.h"

namespace {

StringHelper* Str()
{
    return StringHelper::GetInstance();
}

} // namespace

TEST(StringHelperTest, TextToNumberReadsLeadingNumberOnly)
{
    LogCapture log;
    EXPECT_EQ(42, Str()->StringToInt("42abc"));
    EXPECT_EQ(0, Str()->StringToInt("abc"));
    EXPECT_EQ(9000000000LL, Str()->StringToInt64("9000000000x"));
    EXPECT_DOUBLE_EQ(2.5, Str()->StringToDouble("2.5mm"));
    EXPECT_TRUE(log.Lines().empty()) << "only the empty text is reported";

    EXPECT_EQ(0, Str()->StringToInt(""));
    EXPECT_FLOAT_EQ(0.0f, Str()->StringToFloat(""));
    EXPECT_TRUE(utils_test::HasGuard(log, "StringHelper.cpp", "StringToInt", "str.length() <= 0"));
    EXPECT_TRUE(utils_test::HasGuard(log, "StringHelper.cpp", "StringToFloat", "str.length() <= 0"));
}

// The reused stream answers as a fresh stream would, whatever the text before
// it left behind (a failure, an overflow, unread characters).
TEST(StringHelperTest, TextToNumberAnswersAsAFreshStreamInAnyOrder)
{
    const char* texts[] = {"42abc",
                           "abc",
                           "  -17",
                           "+8",
                           "-",
                           "+",
                           "2147483647",
                           "2147483648",
                           "-2147483649",
                           "99999999999999999999",
                           "0x1F",
                           "3.9",
                           "1e3",
                           " \t 5 6",
                           "007",
                           "-0",
                           "nan",
                           "inf",
                           "12345678901234567890123456789",
                           "9000000000",
                           "-2.5e-3x",
                           "."};
    auto fresh = [](const std::string& text, auto value) {
        std::istringstream stream(text);
        stream >> value;
        return value;
    };
    for (int pass = 0; pass < 2; pass++) {
        for (const char* text : texts) {
            EXPECT_EQ(Str()->StringToInt(text), fresh(text, int32_t{0})) << text;
            EXPECT_EQ(Str()->StringToInt64(text), fresh(text, int64_t{0})) << text;
            EXPECT_EQ(Str()->StringToFloat(text), fresh(text, 0.0f)) << text;
            EXPECT_EQ(Str()->StringToDouble(text), fresh(text, 0.0)) << text;
        }
    }
}

TEST(StringHelperTest, NumberToTextAnswersAsAFreshStream)
{
    const int64_t values[] = {0, 7, -7, 42, 2147483647, -2147483647 - 1, 9000000000LL, -9000000000LL, 1733443200123LL};
    for (int64_t value : values) {
        std::ostringstream wide, narrow;
        wide << value;
        narrow << static_cast<int32_t>(value);
        EXPECT_EQ(Str()->Int64ToString(value), wide.str());
        EXPECT_EQ(Str()->IntToString(static_cast<int32_t>(value)), narrow.str());
    }
}

TEST(StringHelperTest, DecimalsAreCutFromTheDefaultText)
{
    const struct {
        float value;
        int decimals;
        const char* text;
    } cases[] = {{3.14159f, 2, "3.14"}, {3.14159f, 0, "3"}, {-2.75f, 1, "-2.7"} /* cut, not rounded */,
                 {0.0f, 2, "0"},        {25.0f, 2, "25"},   {1.5f, 4, "1.5"}};
    for (const auto& c : cases)
        EXPECT_EQ(c.text, Str()->FloatToStringWithDecimals(c.value, c.decimals)) << c.value << "/" << c.decimals;
    // Precision is only set for positive decimals.
    EXPECT_EQ("2.500000", Str()->DoubleToFixedString(2.5, 0));
    EXPECT_EQ("2.0", Str()->DoubleToFixedString(1.96, 1));
}

// No conversion follows the C locale: the service sets it from the device
// language, and a language with a decimal comma must not change a text.
TEST(StringHelperTest, ConversionsIgnoreTheProcessLocale)
{
    const std::string saved = setlocale(LC_ALL, nullptr);
    ASSERT_NE(setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "de_DE comes with scripts/install-deps.sh";
    const std::string fixed = Str()->DoubleToFixedString(7.9, 6);
    const std::string wide = Str()->DoubleToFixedString(-1234567.25, 2);
    const double read = Str()->StringToDouble("7.5");
    const std::string floatText = Str()->FloatToString(1.5f);
    setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(fixed, "7.900000");
    EXPECT_EQ(wide, "-1234567.25");
    EXPECT_EQ(read, 7.5);
    EXPECT_EQ(floatText, "1.5");
}

TEST(StringHelperTest, TextOperations)
{
    const struct {
        std::string got;
        const char* expected;
    } cases[] = {
        {Str()->ReplaceAll("aaa", "a", "aa"), "aaaaaa"}, // the replacement is not scanned again
        {Str()->ReplaceAll("a--b--c", "--", ""), "abc"},
        {Str()->ReplaceAll("x", "", "y"), "x"},
        {Str()->ReplaceFirst("a-b-c", "-", "+"), "a+b-c"},
        {Str()->ReplaceFirst("abc", "", "+"), "abc"},
        {Str()->ReplaceFirst("abc", "x", "+"), "abc"},
        {Str()->RemoveFirst("a-b-c", "-"), "ab-c"},
        {Str()->EraseString("abcdef", 1, 3), "aef"},
        {Str()->RemoveCharacter("a,b,,c", ','), "abc"},
        {Str()->ConvertNewLineToBreakTag("a\nb\n"), "a<br/>b<br/>"},
        {Str()->ConvertNewLineToSpace("a\nb\nc"), "a b c"},
        {Str()->MakeColorTag(255, 16, 1, 128, 24, "Hi", ""), "<color=#ff100180 font_size=24>Hi</color>"},
        {Str()->MakeColorTag(0, 0, 0, 255, 9, "", "Sans"), "<color=#000000ff font_size=9 font=Sans></color>"},
        {Str()->DoubleToFixedString(2.5, 0), "2.500000"},
        {Str()->DoubleToFixedString(-0.125, 2), "-0.12"},
        {Str()->DoubleToFixedString(1e300, 1).substr(0, 4), "1000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.expected);
    EXPECT_TRUE(Str()->Contains("weather", "the"));
    EXPECT_FALSE(Str()->Contains("weather", "they"));
    EXPECT_EQ(Str()->Split("a,,b,", ','), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(Str()->Split("", ',').empty());
}
