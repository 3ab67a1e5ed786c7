#ifndef WEATHER_COMMON_WIND_H
#define WEATHER_COMMON_WIND_H

#include <cstdint>
#include <memory>
#include <string>

#include "utils/Pattern.h"
#include "utils/Ref.h"
#include "typedef/WeatherDataMarkers.h"

// Day and night wind of a city's life index. Cardinal directions use the
// text "9999" as their unsupported marker.
class Wind : public Ref {
public:
    DECLARE_MAKE(Wind)

    bool Init() override;
    ~Wind() override = default;

    float GetWindDirection() const { return mWindDirection; }
    void SetWindDirection(float value) { mWindDirection = value; }
    float GetWindSpeed() const { return mWindSpeed; }
    void SetWindSpeed(float value) { mWindSpeed = value; }
    const std::string& GetWindCardinal() const { return mWindCardinal; }
    void SetWindCardinal(const std::string& value) { mWindCardinal = value; }
    float GetWindNightDirection() const { return mWindNightDirection; }
    void SetWindNightDirection(float value) { mWindNightDirection = value; }
    float GetWindNightSpeed() const { return mWindNightSpeed; }
    void SetWindNightSpeed(float value) { mWindNightSpeed = value; }
    const std::string& GetWindNightCardinal() const { return mWindNightCardinal; }
    void SetWindNightCardinal(const std::string& value) { mWindNightCardinal = value; }
    int32_t GetWindSpeedUnit() const { return mWindSpeedUnit; }
    void SetWindSpeedUnit(int32_t value) { mWindSpeedUnit = value; }

private:
    float mWindDirection = FLOAT_UNSUPPORTED_VALUE;
    float mWindSpeed = FLOAT_UNSUPPORTED_VALUE;
    std::string mWindCardinal = UNSUPPORTED_TEXT;
    float mWindNightDirection = FLOAT_UNSUPPORTED_VALUE;
    float mWindNightSpeed = FLOAT_UNSUPPORTED_VALUE;
    std::string mWindNightCardinal = UNSUPPORTED_TEXT;
    int32_t mWindSpeedUnit = 0;
};

typedef std::shared_ptr<Wind> WindPtr;

#endif
