#include "utils/LanguageHelper.h"

#include "utils/VconfUtilFactory.h"

DEFINE_SINGLETON(LanguageHelper)

bool LanguageHelper::Init()
{
    return true;
}

const std::string& LanguageHelper::GetLanguage()
{
    if (mLanguage.empty()) {
        auto vconfUtilPtr = VconfUtilFactory::Make();
        if (vconfUtilPtr)
            mLanguage = vconfUtilPtr->GetLanguage();
    }
    return mLanguage;
}

bool LanguageHelper::GetIsRTLLanguage()
{
    const std::string& language = GetLanguage();
    return language == "ar_AE.UTF-8" || language == "ur_PK.UTF-8";
}

bool LanguageHelper::GetIsHebrew()
{
    return GetLanguage() == "he_IL.UTF-8";
}

bool LanguageHelper::GetIsArabic()
{
    return GetLanguage() == "ar_AE.UTF-8";
}
