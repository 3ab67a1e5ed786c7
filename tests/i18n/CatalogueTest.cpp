#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "DeviceFixture.h"
#include "I18nTestSupport.h"
#include "typedef/CPType.h"
#include "typedef/LifeIndexData.h"
#include "typedef/WeatherStatus.h"

namespace {

// Every table of the data layer that looks texts up in the "weather" domain,
// each through its own list of keys.
const struct {
    const char* owner;
    std::vector<std::string> (*keys)();
} kKeySources[] = {
    {"WeatherStatus", &WeatherStatus::GetMessageKeys},
    {"LifeIndexData", &LifeIndexData::GetCatalogueKeys},
};

// msgid -> msgstr of a catalogue source (one-line entries).
std::map<std::string, std::string> ReadCatalogue(const std::string& language)
{
    std::ifstream in(std::string(WEATHER_SOURCE_DIR) + "/common/po/" + language + ".po");
    std::map<std::string, std::string> entries;
    std::string line, id;
    auto unquote = [](const std::string& text, size_t from) {
        std::string out;
        for (size_t i = text.find('"', from) + 1; i < text.size() && text[i] != '"'; ++i)
            out += text[i] == '\\' ? text[++i] : text[i];
        return out;
    };
    while (std::getline(in, line)) {
        if (line.rfind("msgid ", 0) == 0)
            id = unquote(line, 6);
        else if (line.rfind("msgstr ", 0) == 0 && !id.empty())
            entries[id] = unquote(line, 7);
    }
    return entries;
}

bool HasHan(const std::string& text)
{
    // Every CJK unified ideograph starts with one of the lead bytes E4..E9 in UTF-8.
    for (unsigned char c : text)
        if (c >= 0xE4 && c <= 0xE9)
            return true;
    return false;
}

} // namespace

// A key without an entry shows as the key itself on the device.
TEST(CatalogueTest, EveryKeyHasWordsInEveryCatalogue)
{
    for (const char* language : {"en_US", "zh_CN"}) {
        auto catalogue = ReadCatalogue(language);
        ASSERT_GT(catalogue.size(), 100u) << language;
        for (const auto& source : kKeySources) {
            for (const std::string& key : source.keys()) {
                auto found = catalogue.find(key);
                ASSERT_NE(found, catalogue.end()) << language << " lacks " << key << " of " << source.owner;
                EXPECT_FALSE(found->second.empty()) << language << " " << key;
                bool isIdKey = key.find('_') != std::string::npos;
                if (std::string(language) == "en_US") {
                    EXPECT_TRUE(!HasHan(found->second) && (!isIdKey || found->second != key)) << key;
                } else if (isIdKey) {
                    EXPECT_NE(found->second, key) << key;
                }
            }
        }
    }
}

// The compiled catalogues reach the lookups through the system locales.
TEST(CatalogueTest, CompiledCataloguesAnswerInTheirLanguage)
{
    UseProvider(WEATHER_CP_TYPE_CMAWEATHER);
    auto status = WeatherStatus::Make();
    const struct {
        const char* locale;
        const char* language;
        const char* expected;
    } cases[] = {
        {"en_US.UTF-8", "en_US.UTF-8", "Overcast"},
        {"en_US.UTF-8", "zh_CN.UTF-8", "Overcast"}, // the Chinese key has English words too
        {"zh_CN.UTF-8", "zh_CN.UTF-8", "阴"},
        {"zh_CN.UTF-8", "en_US.UTF-8", "阴"},
    };
    for (const auto& c : cases) {
        ScopedMessageLocale locale(c.locale);
        ASSERT_TRUE(locale.Ok()) << c.locale << " is not generated: run scripts/install-deps.sh";
        UseLanguage(c.language);
        EXPECT_EQ(status->CMAWeatherMappingString(2, true), c.expected) << c.locale << " " << c.language;
    }
    UseLanguage("en_US.UTF-8");
}
