#include "typedef/WeatherData.h"

#include <stdexcept>

#include "utils/Log.h"
#include "db/WeatherDBController.h"

bool WeatherData::Init()
{
    return Ref::Init();
}

void WeatherData::InitializeDB()
{
    // The controller creates the weather database on its first use.
    WeatherDBController::GetInstance();
}

void WeatherData::UpgradeDB(double version)
{
    WeatherDBController::GetInstance()->UpgradeDB(version);
}

void WeatherData::LoadCity()
{
    mCityPtrVector = WeatherDBController::GetInstance()->SelectAllCity();
    if (!mCityPtrVector)
        mCityPtrVector = std::make_shared<CityPtrVector>();
}

void WeatherData::InsertCity(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr);
    if (!mCityPtrVector)
        mCityPtrVector = std::make_shared<CityPtrVector>();
    mCityPtrVector->push_back(cityPtr);
    WeatherDBController::GetInstance()->InsertCity(cityPtr);
}

void WeatherData::UpdateCity(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr);
    if (mCityPtrVector) {
        for (CityPtr& entry : *mCityPtrVector) {
            if (entry && entry->GetLocationId() == cityPtr->GetLocationId()) {
                entry = cityPtr;
                break;
            }
        }
    }
    WeatherDBController::GetInstance()->UpdateCity(cityPtr);
}

void WeatherData::SetCityPtrVector(const CityPtrVectorPtr& cityPtrVector)
{
    mCityPtrVector = cityPtrVector;
    WeatherDBController::GetInstance()->DeleteAndInsertCity(cityPtrVector);
}

void WeatherData::DeleteAllCity()
{
    WeatherDBController::GetInstance()->DeleteAllCity();
}

int WeatherData::GetWeatherNewsIcon(int iconNum, bool isDay)
{
    return WeatherDBController::GetInstance()->GetWeatherNewsIcon(iconNum, isDay);
}

void WeatherData::UpdateMoonPhase(const CityPtr& cityPtr)
{
    WeatherDBController::GetInstance()->UpdateMoonPhase(cityPtr);
}

void WeatherData::DeleteUselessMoonPhase()
{
    WeatherDBController::GetInstance()->DeleteUselessMoonPhase();
}

CityPtr WeatherData::GetCityPtr(int cityIndex)
{
    RETURN_IF(!mCityPtrVector, nullptr);
    try {
        return mCityPtrVector->at(static_cast<size_t>(cityIndex));
    } catch (const std::out_of_range&) {
        LOGE("exception caught: out of range cityIndex:%d", cityIndex);
    }
    return nullptr;
}

CityPtr WeatherData::GetCityPtr(const std::string& locationId)
{
    RETURN_IF(locationId.length() < 1, nullptr);
    RETURN_IF(!mCityPtrVector, nullptr);
    for (const CityPtr& cityPtr : *mCityPtrVector) {
        if (cityPtr && cityPtr->GetLocationId() == locationId)
            return cityPtr;
    }
    return nullptr;
}

CityPtr WeatherData::GetCurrentCityPtr()
{
    RETURN_IF(!mCityPtrVector, nullptr);
    for (const CityPtr& cityPtr : *mCityPtrVector) {
        if (cityPtr && cityPtr->GetIsCurrentLocation())
            return cityPtr;
    }
    return nullptr;
}

bool WeatherData::IsCurrentLocationExist()
{
    return GetCurrentCityPtr() != nullptr;
}

bool WeatherData::GetIsCurrentCity(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, false);
    return cityPtr->GetIsCurrentLocation();
}

CityPtrVectorPtr WeatherData::SelectNeedToUpdateCity()
{
    CityPtrVectorPtr result = std::make_shared<CityPtrVector>();
    RETURN_IF(!mCityPtrVector, result);
    for (const CityPtr& cityPtr : *mCityPtrVector) {
        if (cityPtr && cityPtr->GetNeedToUpdate())
            result->push_back(cityPtr);
    }
    return result;
}

CurrentPtr WeatherData::GetCurrentPtr(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, nullptr);
    return cityPtr->GetCurrent();
}

WeeklyPtrVectorPtr WeatherData::GetWeeklyPtrVector(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, nullptr);
    return cityPtr->GetWeeklyPtrVector();
}

HourlyPtrVectorPtr WeatherData::GetHourlyPtrVector(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, nullptr);
    return cityPtr->GetHourlyPtrVector();
}

HourlyPtrVectorPtr WeatherData::GetYesterdayHourPtrVector(const CityPtr& cityPtr)
{
    RETURN_IF(!cityPtr, nullptr);
    return cityPtr->GetYesterdayHourPtrVector();
}

WeeklyPtr WeatherData::GetWeeklyPtr(const CityPtr& cityPtr, int weeklyIndex)
{
    RETURN_IF(!cityPtr, nullptr);
    WeeklyPtrVectorPtr weeklyPtrVector = cityPtr->GetWeeklyPtrVector();
    RETURN_IF(!weeklyPtrVector, nullptr);
    RETURN_IF((int)weeklyPtrVector->size() < 1, nullptr);
    try {
        return weeklyPtrVector->at(static_cast<size_t>(weeklyIndex));
    } catch (const std::out_of_range&) {
        LOGE("exception caught: out of range");
    }
    return nullptr;
}

namespace {

// Shared rule of the hourly lists: an index equal to the size falls back to
// the first entry (when there is one).
HourlyPtr HourlyEntryOrFirst(const HourlyPtrVector& entries, int index)
{
    try {
        return entries.at(static_cast<size_t>(index));
    } catch (const std::out_of_range&) {
        LOGE("exception caught: out of range");
    }
    return entries.empty() ? nullptr : entries.front();
}

}  // namespace

HourlyPtr WeatherData::GetHourlyPtr(const CityPtr& cityPtr, int hourlyIndex)
{
    RETURN_IF(!cityPtr, nullptr);
    HourlyPtrVectorPtr hourlyPtrVector = cityPtr->GetHourlyPtrVector();
    RETURN_IF(!hourlyPtrVector, nullptr);
    if (hourlyIndex > (int)hourlyPtrVector->size()) {
        LOGE("[%s(): %d] houlryIndex:%d [return]", __func__, __LINE__, hourlyIndex);
        return nullptr;
    }
    return HourlyEntryOrFirst(*hourlyPtrVector, hourlyIndex);
}

HourlyPtr WeatherData::GetYesterdayPtr(const CityPtr& cityPtr, int hourlyIndex)
{
    RETURN_IF(!cityPtr, nullptr);
    HourlyPtrVectorPtr hourlyPtrVector = cityPtr->GetYesterdayHourPtrVector();
    RETURN_IF(!hourlyPtrVector, nullptr);
    RETURN_IF((int)hourlyPtrVector->size() < hourlyIndex, nullptr);
    return HourlyEntryOrFirst(*hourlyPtrVector, hourlyIndex);
}
