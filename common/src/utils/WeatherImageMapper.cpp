#include "utils/WeatherImageMapper.h"

#include "utils/StringHelper.h"

namespace {

struct ImageNames {
    const char* name;
    const char* simpleDay;
    const char* simpleNight;
};

// Index = common number - 1.
const ImageNames kImages[] = {
    {"sunny", "sunny", "sunny"},
    {"partly_sunny", "sunny", "sunny"},
    {"cloudy", "cloudy", "cloudy_night"},
    {"rain", "rain_day", "rain_night"},
    {"fog", "fog", "fog_night"},
    {"shower", "rain_day", "rain_night"},
    {"partly_sunny_with_shower", "sunny", "sunny"},
    {"thunderstorm", "thunderstorm", "thunderstorm_night"},
    {"partly_sunny_with_thunder_shower", "sunny", "sunny"},
    {"flurries", "snow_day", "snow_night"},
    {"partly_sunny_with_flurries", "sunny", "sunny"},
    {"snow", "snow_day", "snow_night"},
    {"rain_and_snow_mixed", "rain_day", "rain_night"},
    {"ice_sleet_freezing_rain", "snow_day", "snow_night"},
    {"hot", "hot", "hot"},
    {"cold", "cold", "cold"},
    {"windy", "cloudy", "cloudy_night"},
    {"clear", "clear", "clear"},
    {"mostly_clear", "clear", "clear"},
    {"heavy_rain", "rain_day", "rain_night"},
    {"hail", "snow_day", "snow_night"},
    {"sandstorm", "thunderstorm", "thunderstorm_night"},
    {"hurricane", "thunderstorm", "thunderstorm_night"},
};
constexpr int32_t kImageCount = sizeof(kImages) / sizeof(kImages[0]);

// Unknown numbers show the sunny image.
int32_t Known(int32_t iconNum)
{
    return iconNum >= 1 && iconNum <= kImageCount ? iconNum : 1;
}

} // namespace

bool WeatherImageMapper::Init()
{
    return IWeatherImageMapper::Init();
}

std::string WeatherImageMapper::GetImageName(int32_t iconNum, int32_t width, int32_t height)
{
    int32_t number = Known(iconNum);
    const char* name = kImages[number - 1].name;
    if (width == 0 || height == 0)
        return name;
    StringHelper* strings = StringHelper::GetInstance();
    // Appended in place: one text for every piece.
    std::string result;
    result.reserve(64);
    if (number < 10)
        result += '0';
    result += strings->IntToString(number);
    result += '.';
    result += name;
    result += '_';
    result += strings->IntToString(width);
    result += 'x';
    result += strings->IntToString(height);
    result += ".png";
    return result;
}

std::string WeatherImageMapper::GetSimpleImageName(int32_t iconNum, bool isDay)
{
    const ImageNames& images = kImages[Known(iconNum) - 1];
    return std::string(isDay ? images.simpleDay : images.simpleNight) + ".png";
}
