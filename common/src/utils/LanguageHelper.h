#ifndef WEATHER_COMMON_LANGUAGE_HELPER_H
#define WEATHER_COMMON_LANGUAGE_HELPER_H

#include <string>

#include "utils/Pattern.h"

// The device language ("en_US.UTF-8"), read once from the system keys.
class LanguageHelper {
public:
    DECLARE_SINGLETON(LanguageHelper);

    virtual bool Init();
    virtual ~LanguageHelper() = default;

    const std::string& GetLanguage();
    bool GetIsRTLLanguage();
    bool GetIsHebrew();
    bool GetIsArabic();
    // Forgets the cached text so that the next read takes the key again
    // (after a language change).
    void ClearLanguage() { mLanguage.clear(); }

private:
    LanguageHelper() = default;

    std::string mLanguage;
};

#endif
