#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
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

bool HasHan(const std::string& text)
{
    // Every CJK unified ideograph starts with one of the lead bytes E4..E9 in UTF-8.
    for (unsigned char c : text)
        if (c >= 0xE4 && c <= 0xE9)
            return true;
    return false;
}

// Every catalogue source of the build: its language names.
std::vector<std::string> CatalogueLanguages()
{
    std::vector<std::string> languages;
    for (const auto& entry : std::filesystem::directory_iterator(std::string(WEATHER_SOURCE_DIR) + "/common/po")) {
        if (entry.path().extension() == ".po")
            languages.push_back(entry.path().stem().string());
    }
    return languages;
}

} // namespace

// A key without an entry shows as the key itself on the device.
TEST(CatalogueTest, EveryKeyHasWordsInEveryCatalogue)
{
    const std::vector<std::string> languages = CatalogueLanguages();
    for (const char* expected : {"en_US", "zh_CN", "zh_TW", "ko_KR", "ja_JP"})
        EXPECT_NE(std::find(languages.begin(), languages.end(), expected), languages.end()) << expected;
    for (const std::string& language : languages) {
        auto catalogue = ReadCatalogue(language);
        ASSERT_GT(catalogue.size(), 100u) << language;
        for (const auto& source : kKeySources) {
            for (const std::string& key : source.keys()) {
                auto found = catalogue.find(key);
                ASSERT_NE(found, catalogue.end()) << language << " lacks " << key << " of " << source.owner;
                EXPECT_FALSE(found->second.empty()) << language << " " << key;
                bool isIdKey = key.find('_') != std::string::npos;
                if (language == "en_US") {
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
        {"zh_TW.UTF-8", "zh_TW.UTF-8", "陰"},
        {"ko_KR.UTF-8", "ko_KR.UTF-8", "잔뜩 흐림"},
        {"ja_JP.UTF-8", "ja_JP.UTF-8", "本曇り"},
    };
    for (const auto& c : cases) {
        ScopedMessageLocale locale(c.locale);
        ASSERT_TRUE(locale.Ok()) << c.locale << " is not generated: run scripts/install-deps.sh";
        UseLanguage(c.language);
        EXPECT_EQ(status->CMAWeatherMappingString(2, true), c.expected) << c.locale << " " << c.language;
    }
    UseLanguage("en_US.UTF-8");
}
