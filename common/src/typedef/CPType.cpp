#include "typedef/CPType.h"

#include "typedef/DataManager.h"
#include "utils/Log.h"
#include "utils/VconfUtilFactory.h"

const char* const WEATHER_CP_NAME_ACCUWEATHER = "Accuweather";
const char* const WEATHER_CP_NAME_CMAWEATHER = "cmaweather";
const char* const WEATHER_CP_NAME_KWEATHER = "Kweather";
const char* const WEATHER_CP_NAME_WEATHERNEWS_KR = "weathernews_kr";
const char* const WEATHER_CP_NAME_WEATHERNEWS = "WeatherNews";
const char* const WEATHER_CP_NAME_TWC = "TWC";
const char* const WEATHER_CP_NAME_WCN = "WCN";

DEFINE_SINGLETON(CPType)

bool CPType::Init()
{
    Renew();
    return true;
}

namespace {

int32_t TypeFromCountry(const std::string& country)
{
    if (country == "CN")
        return WEATHER_CP_TYPE_WCN;
    if (country == "KR")
        return WEATHER_CP_TYPE_WEATHERNEWS_KR;
    if (country == "JP")
        return WEATHER_CP_TYPE_WEATHERNEWS;
    return WEATHER_CP_TYPE_TWC;
}

int32_t TypeFromSettingName(const std::string& name)
{
    // Exact comparison, in this order.
    static const struct {
        const char* name;
        int32_t type;
    } kNames[] = {
        {WEATHER_CP_NAME_KWEATHER, WEATHER_CP_TYPE_KWEATHER},
        {WEATHER_CP_NAME_CMAWEATHER, WEATHER_CP_TYPE_CMAWEATHER},
        {WEATHER_CP_NAME_WEATHERNEWS_KR, WEATHER_CP_TYPE_WEATHERNEWS_KR},
        {WEATHER_CP_NAME_WEATHERNEWS, WEATHER_CP_TYPE_WEATHERNEWS},
        {WEATHER_CP_NAME_ACCUWEATHER, WEATHER_CP_TYPE_ACCUWEATHER},
        {WEATHER_CP_NAME_TWC, WEATHER_CP_TYPE_TWC},
        {WEATHER_CP_NAME_WCN, WEATHER_CP_TYPE_WCN},
    };
    for (const auto& entry : kNames) {
        if (name == entry.name)
            return entry.type;
    }
    return WEATHER_CP_TYPE_TWC;
}

} // namespace

void CPType::Renew()
{
    mCPType = WEATHER_CP_TYPE_TWC;
    std::shared_ptr<VconfUtil> vconfUtil = VconfUtilFactory::Make();
    bool standalone = vconfUtil && vconfUtil->GetIsStandalone();
    std::string hostVendor = vconfUtil ? vconfUtil->GetHostVendor() : "";
    if (standalone || hostVendor == "LO")
        mCPType = TypeFromCountry(vconfUtil->GetCountryIso());
    else
        mCPType = TypeFromSettingName(DataManager::GetInstance()->GetCpType());
    LOGE("CPType is renewed : %d", mCPType);
}

std::string CPType::ConvertWeatherCPTypeToString(int32_t type)
{
    switch (type) {
    case WEATHER_CP_TYPE_ACCUWEATHER:
        return WEATHER_CP_NAME_ACCUWEATHER;
    case WEATHER_CP_TYPE_CMAWEATHER:
        return WEATHER_CP_NAME_CMAWEATHER;
    case WEATHER_CP_TYPE_KWEATHER:
        return WEATHER_CP_NAME_KWEATHER;
    case WEATHER_CP_TYPE_WEATHERNEWS_KR:
        return WEATHER_CP_NAME_WEATHERNEWS_KR;
    case WEATHER_CP_TYPE_WEATHERNEWS:
        return WEATHER_CP_NAME_WEATHERNEWS;
    case WEATHER_CP_TYPE_TWC:
        return WEATHER_CP_NAME_TWC;
    case WEATHER_CP_TYPE_WCN:
        return WEATHER_CP_NAME_WCN;
    default:
        LOGE("Not found weatherCPType : %d", type);
        return "";
    }
}

std::string CPType::GetCPTypeString()
{
    return ConvertWeatherCPTypeToString(mCPType);
}

std::shared_ptr<std::vector<std::string>> CPType::GetCPTypeList()
{
    return std::make_shared<std::vector<std::string>>(
        std::vector<std::string>{WEATHER_CP_NAME_ACCUWEATHER, WEATHER_CP_NAME_TWC, WEATHER_CP_NAME_WEATHERNEWS,
                                 WEATHER_CP_NAME_CMAWEATHER, WEATHER_CP_NAME_KWEATHER, WEATHER_CP_NAME_WCN});
}
