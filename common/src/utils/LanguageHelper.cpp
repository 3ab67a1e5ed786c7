#include "utils/LanguageHelper.h"

#include "utils/LanguageRules.h"

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
    return LanguageHas(GetLanguage(), kRightToLeft);
}

bool LanguageHelper::GetIsHebrew()
{
    return LanguageHas(GetLanguage(), kHebrew);
}

bool LanguageHelper::GetIsArabic()
{
    return LanguageHas(GetLanguage(), kArabic);
}
