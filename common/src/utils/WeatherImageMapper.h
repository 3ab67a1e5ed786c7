#ifndef WEATHER_COMMON_WEATHER_IMAGE_MAPPER_H
#define WEATHER_COMMON_WEATHER_IMAGE_MAPPER_H

#include <cstdint>
#include <string>

#include "utils/Pattern.h"
#include "utils/Ref.h"

// Image file names of the common icon numbers 1 to 23.
class IWeatherImageMapper : public Ref {
public:
    bool Init() override { return Ref::Init(); }
    ~IWeatherImageMapper() override = default;
    virtual std::string GetImageName(int32_t iconNum, int32_t width, int32_t height) = 0;
    virtual std::string GetSimpleImageName(int32_t iconNum, bool isDay) = 0;
};

class WeatherImageMapper : public IWeatherImageMapper {
public:
    DECLARE_MAKE(WeatherImageMapper)

    bool Init() override;
    ~WeatherImageMapper() override = default;
    // "02.partly_sunny_360x360.png" for a size, the bare "partly_sunny"
    // when width or height is 0; unknown numbers are sunny (01.).
    std::string GetImageName(int32_t iconNum, int32_t width, int32_t height) override;
    // The simple set: "rain_night.png" and the like.
    std::string GetSimpleImageName(int32_t iconNum, bool isDay) override;

private:
    WeatherImageMapper() = default;
};

#endif
