#ifndef WEATHER_COMMON_HOURLY_H
#define WEATHER_COMMON_HOURLY_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "utils/Pattern.h"
#include "typedef/Weather.h"
#include "typedef/WeatherDataMarkers.h"

// One forecast hour; also one hour of yesterday's values.
class Hourly : public Weather {
public:
    DECLARE_MAKE(Hourly)

    bool Init() override;
    ~Hourly() override = default;

    uint32_t GetHour() const { return mHour; }
    void SetHour(uint32_t value) { mHour = value; }
    const std::string& GetWebsiteUrl() const { return mWebsiteUrl; }
    void SetWebsiteUrl(const std::string& value) { mWebsiteUrl = value; }
    double GetPrecProbability() const { return mPrecProbability; }
    void SetPrecProbability(double value) { mPrecProbability = value; }

private:
    uint32_t mHour = UNSUPPORTED_VALUE;
    std::string mWebsiteUrl;
    double mPrecProbability = 0.0;
};

typedef std::shared_ptr<Hourly> HourlyPtr;
typedef std::vector<HourlyPtr> HourlyPtrVector;
typedef std::shared_ptr<HourlyPtrVector> HourlyPtrVectorPtr;

#endif
