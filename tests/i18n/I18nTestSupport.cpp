#include "I18nTestSupport.h"

#include <clocale>

#include <libintl.h>

#include <device/system_keys.h>
#include <device/vconf.h>

#include "typedef/CPType.h"
#include "typedef/DataManager.h"
#include "typedef/Setting.h"
#include "utils/LanguageHelper.h"

ScopedMessageLocale::ScopedMessageLocale(const char* locale)
{
    const char* old = setlocale(LC_MESSAGES, nullptr);
    mOld = old ? old : "C";
    mOk = setlocale(LC_MESSAGES, locale) != nullptr;
    bindtextdomain("weather", WEATHER_BUILD_DIR "/res/locale");
    bind_textdomain_codeset("weather", "UTF-8");
}

ScopedMessageLocale::~ScopedMessageLocale()
{
    setlocale(LC_MESSAGES, mOld.c_str());
}

void UseProvider(int type)
{
    static bool dbReady = (DataManager::GetInstance()->InitializeDB(), true);
    (void)dbReady;
    auto setting = Setting::Make();
    setting->SetCpType(CPType::GetInstance()->ConvertWeatherCPTypeToString(type));
    DataManager::GetInstance()->SetSetting(setting);
    vconf_set_int(SYSKEY_STANDALONE, 0);
    vconf_set_str(SYSKEY_HOST_VENDOR, "");
    CPType::GetInstance()->Renew();
}

void UseLanguage(const char* language)
{
    vconf_set_str(SYSKEY_LANGUAGE, language);
    LanguageHelper::GetInstance()->ClearLanguage();
}

void UseRetailMode(bool on)
{
    vconf_set_int(SYSKEY_RETAIL_MODE_ENABLED, on ? 1 : 0);
}
