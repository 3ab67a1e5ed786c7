#ifndef WEATHER_TEST_I18N_SUPPORT_H
#define WEATHER_TEST_I18N_SUPPORT_H

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <string>

// Sets LC_TIME and TZ for one scope (nullptr unsets), and restores both.
class ScopedLocaleEnv {
public:
    ScopedLocaleEnv(const char* lcTime, const char* tz)
    {
        Save("LC_TIME", mHadTime, mOldTime);
        Save("TZ", mHadTz, mOldTz);
        Put("LC_TIME", lcTime);
        Put("TZ", tz);
        tzset();
    }
    ~ScopedLocaleEnv()
    {
        Put("LC_TIME", mHadTime ? mOldTime.c_str() : nullptr);
        Put("TZ", mHadTz ? mOldTz.c_str() : nullptr);
        tzset();
    }
    ScopedLocaleEnv(const ScopedLocaleEnv&) = delete;
    ScopedLocaleEnv& operator=(const ScopedLocaleEnv&) = delete;

private:
    static void Save(const char* name, bool& had, std::string& old)
    {
        const char* value = getenv(name);
        had = value != nullptr;
        old = value ? value : "";
    }
    static void Put(const char* name, const char* value)
    {
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }

    bool mHadTime = false, mHadTz = false;
    std::string mOldTime, mOldTz;
};

// The message locale of this process for one scope: "C" shows the keys
// themselves, "en_US.UTF-8" and "zh_CN.UTF-8" the build's catalogues.
class ScopedMessageLocale {
public:
    explicit ScopedMessageLocale(const char* locale);
    ~ScopedMessageLocale();
    ScopedMessageLocale(const ScopedMessageLocale&) = delete;
    ScopedMessageLocale& operator=(const ScopedMessageLocale&) = delete;
    bool Ok() const { return mOk; }

private:
    std::string mOld;
    bool mOk = false;
};

// msgid -> msgstr of the catalogue source common/po/<language>.po
// (one-line entries).
inline std::map<std::string, std::string> ReadCatalogue(const std::string& language)
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

// Makes `type` the current content provider (through the settings of a
// paired device) and sets the device language (LanguageHelper re-reads it).
void UseProvider(int type);
void UseLanguage(const char* language);
void UseRetailMode(bool on);

#endif
