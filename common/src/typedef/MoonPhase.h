#ifndef WEATHER_COMMON_MOON_PHASE_H
#define WEATHER_COMMON_MOON_PHASE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "utils/Pattern.h"
#include "utils/Ref.h"
#include "typedef/WeatherDataMarkers.h"

// The moon of one day; its position in the city's list is its index.
class MoonPhase : public Ref {
public:
    DECLARE_MAKE(MoonPhase)

    bool Init() override;
    ~MoonPhase() override = default;

    const std::string& GetLocationID() const { return mLocationID; }
    void SetLocationID(const std::string& value) { mLocationID = value; }
    uint32_t GetDate() const { return mDate; }
    void SetDate(uint32_t value) { mDate = value; }
    uint32_t GetMoonRiseTime() const { return mMoonRiseTime; }
    void SetMoonRiseTime(uint32_t value) { mMoonRiseTime = value; }
    uint32_t GetMoonSetTime() const { return mMoonSetTime; }
    void SetMoonSetTime(uint32_t value) { mMoonSetTime = value; }
    const std::string& GetPhaseText() const { return mPhaseText; }
    void SetPhaseText(const std::string& value) { mPhaseText = value; }
    int32_t GetAge() const { return mAge; }
    void SetAge(int32_t value) { mAge = value; }

private:
    std::string mLocationID;
    uint32_t mDate = UNSUPPORTED_VALUE;
    uint32_t mMoonRiseTime = UNSUPPORTED_VALUE;
    uint32_t mMoonSetTime = UNSUPPORTED_VALUE;
    std::string mPhaseText;
    int32_t mAge = UNSUPPORTED_VALUE;
};

typedef std::shared_ptr<MoonPhase> MoonPhasePtr;
typedef std::vector<MoonPhasePtr> MoonPhasePtrVector;
typedef std::shared_ptr<MoonPhasePtrVector> MoonPhasePtrVectorPtr;

#endif
