#ifndef WEATHER_COMMON_LANGUAGE_RULES_H
#define WEATHER_COMMON_LANGUAGE_RULES_H

// What the data layer does differently by language, one row per language
// that differs; a language without a row needs no code, only its catalogue.
// A row names the language as its rule has always matched it against the
// system language value ("ko_KR.UTF-8") or, for date patterns, against the
// display locale ("ko_KR").

#include <cstring>
#include <string>

enum class LanguageMatch {
    Prefix,   // the value starts with the name
    Contains, // the name occurs anywhere in the value
    Exact,    // the value is the name
};

enum LanguageTrait : unsigned {
    // Korean providers show their own city names and condition texts.
    kKoreanProviderTexts = 1u << 0,
    // The Japanese provider shows its own city names.
    kJapaneseProviderNames = 1u << 1,
    // Chinese providers show their own city names and condition texts, and
    // the Chinese condition table applies.
    kChineseProviderTexts = 1u << 2,
    // Life-index grades in traditional characters.
    kTraditionalChinese = 1u << 3,
    kRightToLeft = 1u << 4,
    kHebrew = 1u << 5,
    kArabic = 1u << 6,
};

struct LanguageRule {
    const char* language;
    LanguageMatch match;
    unsigned traits;
    // Date patterns used instead of the locale's best pattern, or null.
    const char* monthDayPattern;
    const char* weekdayPattern;
};

inline constexpr LanguageRule kLanguageRules[] = {
    {"ko", LanguageMatch::Prefix, kKoreanProviderTexts | kJapaneseProviderNames, nullptr, nullptr},
    {"ja", LanguageMatch::Prefix, kJapaneseProviderNames, nullptr, nullptr},
    {"zh", LanguageMatch::Prefix, kChineseProviderTexts, nullptr, nullptr},
    {"zh_TW", LanguageMatch::Contains, kTraditionalChinese, nullptr, nullptr},
    {"zh_HK", LanguageMatch::Contains, kTraditionalChinese, nullptr, nullptr},
    {"ar_AE.UTF-8", LanguageMatch::Exact, kRightToLeft | kArabic, nullptr, nullptr},
    {"ur_PK.UTF-8", LanguageMatch::Exact, kRightToLeft, nullptr, nullptr},
    {"he_IL.UTF-8", LanguageMatch::Exact, kHebrew, nullptr, nullptr},
    {"ko_KR", LanguageMatch::Exact, 0, "MM/dd", nullptr},
    {"lo_LA", LanguageMatch::Exact, 0, "dd/MM", nullptr},
    {"pa_IN", LanguageMatch::Exact, 0, nullptr, "EEE"},
    {"zh_CN", LanguageMatch::Exact, 0, nullptr, "ccc"},
};

inline bool LanguageRuleMatches(const LanguageRule& rule, const std::string& value)
{
    switch (rule.match) {
    case LanguageMatch::Prefix:
        return value.compare(0, std::strlen(rule.language), rule.language) == 0;
    case LanguageMatch::Contains:
        return value.find(rule.language) != std::string::npos;
    case LanguageMatch::Exact:
        return value == rule.language;
    }
    return false;
}

// True when a rule of the language carries the trait.
inline bool LanguageHas(const std::string& language, LanguageTrait trait)
{
    for (const LanguageRule& rule : kLanguageRules) {
        if ((rule.traits & trait) != 0 && LanguageRuleMatches(rule, language))
            return true;
    }
    return false;
}

// The locale's own pattern for the month and day, or the weekday; null when
// the best pattern applies.
inline const char* LocaleMonthDayPattern(const std::string& locale)
{
    for (const LanguageRule& rule : kLanguageRules) {
        if (rule.monthDayPattern && LanguageRuleMatches(rule, locale))
            return rule.monthDayPattern;
    }
    return nullptr;
}

inline const char* LocaleWeekdayPattern(const std::string& locale)
{
    for (const LanguageRule& rule : kLanguageRules) {
        if (rule.weekdayPattern && LanguageRuleMatches(rule, locale))
            return rule.weekdayPattern;
    }
    return nullptr;
}

#endif
