#include "typedef/DataManager.h"

#include "typedef/CPType.h"
#include "utils/FileHelper.h"
#include "utils/Log.h"

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

void DataManager::LoadData()
{
    mWeatherDataPtr->LoadCity();
    mSettingDataPtr->LoadData();
    mShareTargetDataPtr->LoadData();

    // The provider decision may read the settings loaded just above.
    CPType* cpType = CPType::GetInstance();
    cpType->Renew();
    std::string newCpTypeStr = cpType->GetCPTypeString();
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

}  // namespace

#define LIFE_INDEX_VALUE(Operation, KeyType, Getter)               \
    int32_t DataManager::Operation(KeyType key)                    \
    {                                                              \
        LifeIndexPtr lifeIndexPtr = LifeIndexOf(GetCityPtr(key));  \
        RETURN_IF(!lifeIndexPtr, 9999);                            \
        return lifeIndexPtr->Getter();                             \
    }

LIFE_INDEX_VALUE(GetUVIndexLevel, int, GetUvIndex)
LIFE_INDEX_VALUE(GetUVIndexLevel, const std::string&, GetUvIndex)
LIFE_INDEX_VALUE(GetAQIValue, int, GetAqi)
LIFE_INDEX_VALUE(GetAQIValue, const std::string&, GetAqi)
LIFE_INDEX_VALUE(GetPM25Value, int, GetPm25)
LIFE_INDEX_VALUE(GetPM25Value, const std::string&, GetPm25)
LIFE_INDEX_VALUE(GetPM10Value, int, GetPm10)
LIFE_INDEX_VALUE(GetPM10Value, const std::string&, GetPm10)
