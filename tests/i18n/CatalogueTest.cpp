#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "DeviceFixture.h"
#include "I18nTestSupport.h"
#include "PoFile.h"
#include "Regex.h"
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

std::string SourcePath(const std::string& relative)
{
    return std::string(WEATHER_SOURCE_DIR) + "/" + relative;
}

// The build's language list (the catalogues of common/po, as the configure
// found them).
std::vector<std::string> Languages()
{
    std::istringstream in(WEATHER_LANGUAGE_LIST);
    std::vector<std::string> languages;
    for (std::string name; std::getline(in, name, ':');)
        languages.push_back(name);
    return languages;
}

// The printf conversions of a text, in argument order ("%2$s" counts as the
// second argument); "%%" is no argument.
std::vector<std::string> Conversions(const std::string& text)
{
    static const std::regex kConversion(
        R"(%(?:(\d+)\$)?[-+ #0']*(?:\d+|\*)?(?:\.(?:\d+|\*))?(hh|h|ll|l|L|j|z|t)?([diouxXeEfFgGaAcspn%]))");
    std::map<int, std::string> byPosition;
    int next = 1;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kConversion); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        if (m[3] == "%")
            continue;
        int position = m[1].matched ? std::stoi(m[1]) : next++;
        byPosition[position] = m[2].str() + m[3].str();
    }
    std::vector<std::string> types;
    for (const auto& [position, type] : byPosition)
        types.push_back(std::to_string(position) + ":" + type);
    return types;
}

// A text copied from English unread: a word of three or more lower-case
// letters, leaving out option names, format arguments, paths and names.
bool HasEnglishWord(const std::string& text)
{
    std::istringstream words(text);
    static const std::regex kWord("[a-z]{3,}");
    for (std::string word; words >> word;) {
        if (word[0] == '-' || word.find_first_of("%/_.<>=[]") != std::string::npos)
            continue;
        if (std::regex_search(word, kWord))
            return true;
    }
    return false;
}

// Han characters that exist in only one of the two scripts, for the texts
// the catalogues most often hold; a catalogue of one script holds none of
// the other's.
const char* const kTraditionalOnly = "雲陰風輕優嚴濕溫熱凍霧塵陣濃揚氣體質較極發間時轉強適膚曬護無資數險級區蓋顯況";
const char* const kSimplifiedOnly = "云阴风轻优严湿温热冻雾尘阵浓扬气体质较极发间时转强适肤晒护无资数险级区盖显况";

std::vector<std::string> Characters(const std::string& utf8)
{
    std::vector<std::string> out;
    for (size_t i = 0; i < utf8.size();) {
        size_t length = (utf8[i] & 0x80) == 0 ? 1 : (utf8[i] & 0xE0) == 0xC0 ? 2 : (utf8[i] & 0xF0) == 0xE0 ? 3 : 4;
        out.push_back(utf8.substr(i, length));
        i += length;
    }
    return out;
}

// The script a Chinese catalogue is written in; empty for other languages.
const char* ForbiddenHan(const std::string& language)
{
    static const std::map<std::string, const char*> kScripts = {
        {"zh_CN", kTraditionalOnly}, {"zh_SG", kTraditionalOnly}, {"zh_TW", kSimplifiedOnly},
        {"zh_HK", kSimplifiedOnly},  {"zh_MO", kSimplifiedOnly},
    };
    auto found = kScripts.find(language);
    return found == kScripts.end() ? "" : found->second;
}

bool HasHan(const std::string& text)
{
    // Every CJK unified ideograph starts with one of the lead bytes E4..E9 in UTF-8.
    for (unsigned char c : text)
        if (c >= 0xE4 && c <= 0xE9)
            return true;
    return false;
}

// The terms a language's glossary lists under "## Not used" (lines "- `term` ...").
std::vector<std::string> AvoidedTerms(const std::string& language)
{
    std::ifstream in(SourcePath("common/po/glossary/" + language + ".md"));
    std::vector<std::string> terms;
    bool inSection = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("## ", 0) == 0)
            inSection = line == "## Not used";
        else if (inSection && line.rfind("- `", 0) == 0 && line.find('`', 3) != std::string::npos)
            terms.push_back(line.substr(3, line.find('`', 3) - 3));
    }
    return terms;
}

std::map<std::string, std::string> Texts(const PoFile& file)
{
    std::map<std::string, std::string> texts;
    for (const PoEntry& e : file.entries)
        if (!e.id.empty() && !e.obsolete && !e.strs.empty())
            texts[e.id] = e.strs[0];
    return texts;
}

// Languages not written in Latin letters: an English word among their texts
// is a copy (a Latin-script language may share a word with English).
bool WrittenInOtherLetters(const std::string& language)
{
    static const char* const kPrefixes[] = {"ar", "el", "he", "hi", "ja", "ko", "ru", "th", "uk", "zh"};
    return std::any_of(std::begin(kPrefixes), std::end(kPrefixes),
                       [&](const char* prefix) { return language.rfind(prefix, 0) == 0; });
}

// Checks one catalogue against its template; `english` is the en_US
// catalogue of the same domain (empty when checking en_US itself).
// `keysAreNames`: the template's ids are message keys, never shown as such.
void CheckCatalogue(const std::string& language, const std::string& path, const PoFile& pot,
                    const std::map<std::string, std::string>& english, bool keysAreNames = true)
{
    SCOPED_TRACE(path);
    PoFile po = ReadPoFile(path);
    ASSERT_TRUE(po.opened) << language << " is listed but has no catalogue";
    EXPECT_TRUE(po.errors.empty()) << po.errors.front();

    std::map<std::string, const PoEntry*> byId;
    bool hasHeader = false;
    for (const PoEntry& e : po.entries) {
        EXPECT_FALSE(e.obsolete) << "line " << e.line << ": obsolete entry " << e.id;
        EXPECT_EQ(std::count(e.flags.begin(), e.flags.end(), "fuzzy"), 0) << "line " << e.line << ": fuzzy " << e.id;
        if (e.id.empty()) {
            hasHeader = true;
            const std::string header = e.strs.empty() ? "" : e.strs[0];
            EXPECT_NE(header.find("charset=UTF-8"), std::string::npos) << "the header names no UTF-8";
            continue;
        }
        EXPECT_TRUE(byId.emplace(e.context + '\x04' + e.id, &e).second) << "line " << e.line << ": twice " << e.id;
    }
    EXPECT_TRUE(hasHeader);

    const char* forbidden = ForbiddenHan(language);
    const std::vector<std::string> avoided = AvoidedTerms(language);
    std::set<std::string> templateIds;
    for (const PoEntry& key : pot.entries) {
        if (key.id.empty())
            continue;
        templateIds.insert(key.context + '\x04' + key.id);
        auto found = byId.find(key.context + '\x04' + key.id);
        if (found == byId.end()) {
            ADD_FAILURE() << language << " lacks " << key.id;
            continue;
        }
        const PoEntry& e = *found->second;
        EXPECT_EQ(e.idPlural, key.idPlural) << key.id;
        ASSERT_FALSE(e.strs.empty()) << key.id;
        // The arguments a text formats are those of its key; a key that is a
        // name (no arguments of its own) takes them from the English text.
        std::vector<std::string> expected = Conversions(key.idPlural.empty() ? key.id : key.idPlural);
        auto en = english.find(key.id);
        if (expected.empty() && en != english.end())
            expected = Conversions(en->second);
        for (size_t n = 0; n < e.strs.size(); ++n) {
            const std::string& text = e.strs[n];
            EXPECT_FALSE(text.empty()) << language << " leaves " << key.id << " untranslated";
            if (text.empty())
                continue;
            EXPECT_EQ(Conversions(text), expected) << language << " " << key.id << " = \"" << text << "\"";
            if (en != english.end() && text == en->second && WrittenInOtherLetters(language)) {
                EXPECT_FALSE(HasEnglishWord(text)) << language << " copies the English of " << key.id;
            }
            for (const std::string& term : avoided)
                EXPECT_EQ(text.find(term), std::string::npos)
                    << language << " " << key.id << " = \"" << text << "\" uses \"" << term
                    << "\", which the glossary avoids";
            for (const std::string& c : Characters(text))
                EXPECT_EQ(std::string(forbidden).find(c), std::string::npos)
                    << language << " " << key.id << " = \"" << text << "\" writes " << c << " of the other script";
        }
        if (language == "en_US") {
            EXPECT_FALSE(HasHan(e.strs[0]) ||
                         (keysAreNames && key.id.find('_') != std::string::npos && e.strs[0] == key.id))
                << "en_US shows " << key.id << " as \"" << e.strs[0] << "\"";
        }
    }
    for (const auto& [id, e] : byId)
        EXPECT_TRUE(templateIds.count(id)) << "line " << e->line << ": " << e->id << " is no key of the template";
}

} // namespace

// The names <name><extension> of a source directory holds, in name order.
std::vector<std::string> NamesIn(const std::string& dir, const std::string& extension)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(SourcePath(dir)))
        if (entry.path().extension() == extension)
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The language list itself: it is the catalogues present (a configure that
// missed one would not build it); each language is compiled, and it and its
// glossary come together.
TEST(CatalogueTest, EveryCatalogueIsALanguageBuiltWithItsGlossary)
{
    const std::vector<std::string> languages = Languages();
    for (const char* expected : {"en_US", "zh_CN", "zh_TW", "ko_KR", "ja_JP"})
        EXPECT_NE(std::find(languages.begin(), languages.end(), expected), languages.end()) << expected;
    EXPECT_EQ(languages, NamesIn("common/po", ".po")) << "configure again: the catalogues changed";
    EXPECT_EQ(NamesIn("common/po/glossary", ".md"), languages) << "a glossary without its catalogue, or the reverse";
    for (const std::string& language : languages)
        EXPECT_TRUE(std::filesystem::is_regular_file(std::string(WEATHER_BUILD_DIR) + "/res/locale/" + language +
                                                     "/LC_MESSAGES/weather.mo"))
            << language << " is not compiled";
}

// Checks the catalogues of one domain against its template, each of a
// language of the build. The weather domain's ids are keys and every language
// has its catalogue; a tool's hold texts and its catalogues are those written
// so far (en_US always). Returns the number checked.
size_t CheckDomain(const std::string& name, const std::string& dir, bool weatherDomain)
{
    PoFile pot = ReadPoFile(SourcePath(dir + "/" + name + ".pot"));
    EXPECT_TRUE(pot.opened) << "no template " << dir << "/" << name << ".pot";
    EXPECT_TRUE(pot.errors.empty()) << pot.errors.front();
    EXPECT_GT(pot.entries.size(), 10u) << name;
    const std::map<std::string, std::string> english = Texts(ReadPoFile(SourcePath(dir + "/en_US.po")));
    const std::vector<std::string> languages = Languages();
    for (const std::string& language : NamesIn(dir, ".po"))
        EXPECT_NE(std::find(languages.begin(), languages.end(), language), languages.end())
            << dir << "/" << language << ".po: the device does not speak " << language;
    size_t checked = 0;
    for (const std::string& language : languages) {
        const std::string path = SourcePath(dir + "/" + language + ".po");
        if (!weatherDomain && language != "en_US" && !std::filesystem::exists(path)) {
            std::cout << "note: no " << name << " catalogue for " << language << " yet: it reads English there\n";
            continue;
        }
        CheckCatalogue(language, path, pot, language == "en_US" ? std::map<std::string, std::string>() : english,
                       weatherDomain);
        checked++;
    }
    return checked;
}

// Every catalogue holds every key of its template, translated, not fuzzy,
// with the same format arguments, and nothing the template lacks.
TEST(CatalogueTest, EveryWeatherCatalogueIsComplete)
{
    EXPECT_EQ(CheckDomain("weather", "common/po", true), Languages().size());
}

// The tool's words, a product of their own: its template holds texts, not
// keys, and a language may have no catalogue of them yet.
TEST(CatalogueTest, EveryToolCatalogueIsComplete)
{
    EXPECT_GT(CheckDomain("weatherctl", "tools/weatherctl/po", false), 1u);
}

// A key the data layer looks up and the template lacks would show as the key.
TEST(CatalogueTest, TheTemplateHoldsEveryKeyTheDataLayerLooksUp)
{
    std::set<std::string> keys;
    for (const PoEntry& e : ReadPoFile(SourcePath("common/po/weather.pot")).entries)
        keys.insert(e.id);
    ASSERT_GT(keys.size(), 100u);
    for (const auto& source : kKeySources)
        for (const std::string& key : source.keys())
            EXPECT_TRUE(keys.count(key)) << key << " of " << source.owner;
}

// The checks above catch what they are for (a table of planted faults).
TEST(CatalogueTest, TheChecksCatchPlantedFaults)
{
    const struct {
        std::string text;
        std::vector<std::string> conversions;
    } formats[] = {
        {"%d cities, %s", {"1:d", "2:s"}},
        {"%2$s: %1$d", {"1:d", "2:s"}},
        {"100%% %ld", {"1:ld"}},
        {"--", {}},
    };
    for (const auto& f : formats)
        EXPECT_EQ(Conversions(f.text), f.conversions) << f.text;
    EXPECT_NE(Conversions("%d/%d"), Conversions("%d"));

    EXPECT_TRUE(HasEnglishWord("Heavy rain"));
    EXPECT_FALSE(HasEnglishWord("PM2.5"));
    EXPECT_FALSE(HasEnglishWord("--city %s"));

    const std::string dir = ::testing::TempDir() + "catalogue_faults";
    std::filesystem::create_directories(dir);
    auto write = [&](const std::string& name, const std::string& body) {
        std::ofstream(dir + "/" + name) << "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                                        << body;
        return dir + "/" + name;
    };
    PoFile pot = ReadPoFile(write("t.pot", "msgid \"KEY_A\"\nmsgstr \"\"\n\nmsgid \"KEY_B %d\"\nmsgstr \"\"\n"));
    std::map<std::string, std::string> english = {{"KEY_A", "Rain"}, {"KEY_B %d", "%d days"}};
    const struct {
        const char* fault;
        const char* language;
        std::string body;
    } faults[] = {
        {"missing key", "ko_KR", "msgid \"KEY_A\"\nmsgstr \"비\"\n"},
        {"empty text", "ko_KR", "msgid \"KEY_A\"\nmsgstr \"\"\n\nmsgid \"KEY_B %d\"\nmsgstr \"%d일\"\n"},
        {"fuzzy", "ko_KR", "#, fuzzy\nmsgid \"KEY_A\"\nmsgstr \"비\"\n\nmsgid \"KEY_B %d\"\nmsgstr \"%d일\"\n"},
        {"dropped argument", "ko_KR", "msgid \"KEY_A\"\nmsgstr \"비\"\n\nmsgid \"KEY_B %d\"\nmsgstr \"일\"\n"},
        {"copied English", "ko_KR", "msgid \"KEY_A\"\nmsgstr \"Rain\"\n\nmsgid \"KEY_B %d\"\nmsgstr \"%d일\"\n"},
        {"avoided term", "ko_KR",
         "msgid \"KEY_A\"\nmsgstr \"약한 비에서 보통 비\"\n\nmsgid \"KEY_B %d\"\nmsgstr \"%d일\"\n"},
        {"other script", "zh_CN", "msgid \"KEY_A\"\nmsgstr \"輕度\"\n\nmsgid \"KEY_B %d\"\nmsgstr \"%d天\"\n"},
        {"stray key", "ko_KR",
         "msgid \"KEY_A\"\nmsgstr \"비\"\n\nmsgid \"KEY_B %d\"\nmsgstr \"%d일\"\n\nmsgid \"KEY_C\"\nmsgstr \"눈\"\n"},
    };
    for (const auto& f : faults) {
        ::testing::TestPartResultArray results;
        {
            ::testing::ScopedFakeTestPartResultReporter reporter(
                ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
            CheckCatalogue(f.language, write("fault.po", f.body), pot, english);
        }
        EXPECT_GT(results.size(), 0) << f.fault << " passes";
    }
    ::testing::TestPartResultArray results;
    {
        ::testing::ScopedFakeTestPartResultReporter reporter(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        CheckCatalogue("ko_KR",
                       write("good.po", "msgid \"KEY_A\"\nmsgstr \"비\"\n\nmsgid \"KEY_B %d\"\nmsgstr \"%d일\"\n"), pot,
                       english);
    }
    EXPECT_EQ(results.size(), 0) << "a complete catalogue fails";
    std::filesystem::remove_all(dir);
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
