#include "typedef/DataManager.h"

#include "typedef/CPType.h"
#include "typedef/WeatherDataMarkers.h"
#include "utils/FileHelper.h"
#include "utils/Log.h"
#include "utils/StringHelper.h"
#include "utils/TimeHelper.h"

DEFINE_SINGLETON(DataManager)

bool DataManager::Init()
{
    // A failed Make leaves its pointer empty; the objects of this layer never fail.
    mWeatherDataPtr = WeatherData::Make();
    mLifeIndexDataPtr = LifeIndexData::Make();
    mSettingDataPtr = SettingData::Make();
    mShareTargetDataPtr = ShareTargetData::Make();
    mVersionDataPtr = VersionData::Make();
    return true;
}

void DataManager::MakeDBFileDirectory()
{
    std::string directoryPath = FileHelper::GetInstance()->GetSharedDataDirectoryPath();
    RETURN_IF(directoryPath.length() < 1);
    // False when the directory exists already: nothing to do then.
    FileHelper::GetInstance()->MakeDirectory(directoryPath + "db");
}

void DataManager::InitializeDB()
{
    MakeDBFileDirectory();
    mWeatherDataPtr->InitializeDB();
    mSettingDataPtr->InitializeDB();
    mShareTargetDataPtr->InitializeDB();
    mVersionDataPtr->InitializeDB();

    if (!mVersionDataPtr->IsNeedToUpgrade())
        return;
    double currentVersion = mVersionDataPtr->GetCurrentDBVersion();
    double latestVersion = mVersionDataPtr->GetLatestDBVersion();
    mWeatherDataPtr->UpgradeDB(currentVersion);
    mSettingDataPtr->UpgradeDB(currentVersion);
    mShareTargetDataPtr->UpgradeDB(currentVersion);
    // Stored after all three, whatever they did: a failed step is only logged.
    mVersionDataPtr->UpgradeDB(latestVersion);
}

std::string DataManager::LoadSteps()
{
    mWeatherDataPtr->LoadCity();
    mSettingDataPtr->LoadData();
    mShareTargetDataPtr->LoadData();

    // The provider decision may read the settings loaded just above.
    CPType* cpType = CPType::GetInstance();
    cpType->Renew();
    return cpType->GetCPTypeString();
}

void DataManager::LoadDataForReading()
{
    LoadSteps();
}

// Writes as well as reads: the provider just decided is stored with SetCpType,
// which writes the whole settings row as loaded (LoadDataForReading does not).
void DataManager::LoadData()
{
    std::string newCpTypeStr = LoadSteps();
    RETURN_IF(newCpTypeStr.empty());
    LOGE("newCpTypeStr : %s", newCpTypeStr.c_str());
    mSettingDataPtr->SetCpType(newCpTypeStr);
    LOGE("weather data loaded");
}

namespace {

LifeIndexPtr LifeIndexOf(const CityPtr& cityPtr)
{
    return cityPtr ? cityPtr->GetLifeIndex() : nullptr;
}

} // namespace

#define LIFE_INDEX_VALUE(Operation, KeyType, Getter)                                                                   \
    int32_t DataManager::Operation(KeyType key)                                                                        \
    {                                                                                                                  \
        LifeIndexPtr lifeIndexPtr = LifeIndexOf(GetCityPtr(key));                                                      \
        RETURN_IF(!lifeIndexPtr, UNSUPPORTED_VALUE);                                                                   \
        return lifeIndexPtr->Getter();                                                                                 \
    }

LIFE_INDEX_VALUE(GetUVIndexLevel, int, GetUvIndex)
LIFE_INDEX_VALUE(GetUVIndexLevel, const std::string&, GetUvIndex)
LIFE_INDEX_VALUE(GetAQIValue, int, GetAqi)
LIFE_INDEX_VALUE(GetAQIValue, const std::string&, GetAqi)
LIFE_INDEX_VALUE(GetPM25Value, int, GetPm25)
LIFE_INDEX_VALUE(GetPM25Value, const std::string&, GetPm25)
LIFE_INDEX_VALUE(GetPM10Value, int, GetPm10)
LIFE_INDEX_VALUE(GetPM10Value, const std::string&, GetPm10)

// ---- life-index selection ----

namespace {

// Candidates by month (row 0 is January, the tm_mon of the local time).
const int LIFE_INDEX_LIST_WEATHERNEWS_KR[12][10] = {
    {5, 4, 34, 2, 27, 14, 9, 20, 21, 22}, {5, 4, 34, 2, 27, 14, 9, 20, 21, 22}, {5, 4, 34, 2, 27, 14, 7, 15, 22, 9},
    {5, 4, 34, 2, 27, 14, 7, 15, 18, 22}, {5, 4, 34, 2, 27, 14, 7, 15, 18, 23}, {5, 4, 34, 2, 27, 14, 7, 15, 16, 19},
    {5, 4, 34, 2, 27, 14, 7, 15, 16, 19}, {5, 4, 34, 2, 27, 14, 7, 15, 16, 19}, {5, 4, 34, 2, 27, 14, 7, 15, 16, 19},
    {5, 4, 34, 2, 27, 14, 7, 15, 22, 23}, {5, 4, 34, 2, 27, 14, 7, 15, 9, 22},  {5, 4, 34, 2, 27, 14, 9, 20, 21, 22},
};
const int LIFE_INDEX_LIST_WEATHERNEWS_JP[12][6] = {
    {22, 4, 9, 24, 2, 7},  {25, 4, 9, 24, 2, 7},  {25, 4, 23, 24, 2, 7}, {25, 4, 23, 24, 2, 7},
    {25, 4, 23, 24, 2, 7}, {17, 4, 19, 24, 2, 7}, {17, 4, 19, 24, 2, 7}, {17, 4, 19, 24, 2, 7},
    {17, 4, 19, 24, 2, 7}, {17, 4, 23, 24, 2, 7}, {25, 4, 23, 24, 2, 7}, {25, 4, 9, 24, 2, 7},
};
const int LIFE_INDEX_LIST_WCN[12][8] = {
    {6, 2, 5, 4, 9, 22, 14, 12}, {6, 2, 5, 4, 9, 22, 14, 12}, {6, 2, 5, 4, 9, 22, 14, 28}, {6, 2, 5, 4, 9, 7, 14, 28},
    {6, 2, 5, 4, 9, 7, 14, 28},  {6, 2, 5, 4, 9, 7, 14, 33},  {6, 2, 5, 4, 9, 7, 14, 33},  {6, 2, 5, 4, 9, 7, 14, 33},
    {6, 2, 5, 4, 9, 7, 14, 33},  {6, 2, 5, 4, 9, 7, 14, 33},  {6, 2, 5, 4, 9, 22, 14, 33}, {6, 2, 5, 4, 9, 22, 14, 33},
};
const std::vector<int> kCmaCandidates = {6, 26, 7, 2, 12, 10, 14, 11, 13};
const std::vector<int> kDefaultCandidates = {9, 2, 7};

bool IsUnsupportedText(const std::string& text)
{
    return text == UNSUPPORTED_TEXT || text == UNSUPPORTED_TEXT_NEGATIVE;
}

} // namespace

std::string DataManager::GetLifeIndexValue(const CityPtr& cityPtr, int type)
{
    RETURN_IF(!cityPtr, UNSUPPORTED_TEXT);
    if (type == LIFE_INDEX_PRECIPITATION) {
        const double value = mWeatherDataPtr->GetRainProbability(cityPtr->GetLocationId());
        if (value == FLOAT_UNSUPPORTED_VALUE)
            return UNSUPPORTED_TEXT;
        return StringHelper::GetInstance()->IntToString(static_cast<int32_t>(value));
    }
    return mLifeIndexDataPtr->GetLifeIndexValue(cityPtr, type);
}

// Appends the row's candidates that have a value; a LIFE_INDEX_EMPTY ends
// the row with the guard line that names the table.
#define SCAN_MONTH_ROW(TABLE)                                                                                          \
    for (int index = 0; index < (int)(sizeof(TABLE[0]) / sizeof(TABLE[0][0])); ++index) {                              \
        BREAK_IF_MSG(TABLE[time_tm.tm_mon][index] == LIFE_INDEX_EMPTY,                                                 \
                     #TABLE "[time_tm.tm_mon][index] == LIFE_INDEX_EMPTY");                                            \
        addIfSupported(TABLE[time_tm.tm_mon][index]);                                                                  \
    }

std::shared_ptr<std::vector<int>> DataManager::GetSupportingLifeIndex(const CityPtr& cityPtr)
{
    std::shared_ptr<std::vector<int>> result = std::make_shared<std::vector<int>>();
    RETURN_IF(!cityPtr, result);
    LifeIndexPtr lifeIndexPtr = cityPtr->GetLifeIndex();
    RETURN_IF(!lifeIndexPtr, result);

    struct tm time_tm = TimeHelper::GetInstance()->GetLocalTimeStruct();
    auto addIfSupported = [&](int candidate) {
        if (IsUnsupportedText(GetLifeIndexValue(cityPtr, candidate)))
            LOGE("Can not support life index [%d]", candidate);
        else
            result->push_back(candidate);
    };
    switch (CPType::GetInstance()->GetCPType()) {
    case WEATHER_CP_TYPE_CMAWEATHER:
        for (int candidate : kCmaCandidates)
            addIfSupported(candidate);
        break;
    case WEATHER_CP_TYPE_KWEATHER:
    case WEATHER_CP_TYPE_WEATHERNEWS_KR:
        LOGE("LocalTime Month : %d", time_tm.tm_mon);
        SCAN_MONTH_ROW(LIFE_INDEX_LIST_WEATHERNEWS_KR)
        break;
    case WEATHER_CP_TYPE_WEATHERNEWS:
        LOGE("LocalTime Month : %d", time_tm.tm_mon);
        SCAN_MONTH_ROW(LIFE_INDEX_LIST_WEATHERNEWS_JP)
        break;
    case WEATHER_CP_TYPE_WCN:
        LOGE("LocalTime Month : %d", time_tm.tm_mon);
        SCAN_MONTH_ROW(LIFE_INDEX_LIST_WCN)
        break;
    default:
        for (int candidate : kDefaultCandidates)
            addIfSupported(candidate);
        break;
    }
    return result;
}
#undef SCAN_MONTH_ROW
