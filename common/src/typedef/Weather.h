#ifndef WEATHER_COMMON_WEATHER_H
#define WEATHER_COMMON_WEATHER_H

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "utils/Pattern.h"
#include "utils/Ref.h"
#include "typedef/Temperature.h"
#include "typedef/WeatherDataMarkers.h"

// The common part of every forecast record (current, daily, hourly).
class Weather : public Ref {
public:
    DECLARE_MAKE(Weather)

    bool Init() override;
    ~Weather() override = default;

    int32_t GetWeatherIcon() const { return mWeatherIcon; }
    void SetWeatherIcon(int32_t value) { mWeatherIcon = value; }
    int32_t GetServerWeatherIcon() const { return mServerWeatherIcon; }
    void SetServerWeatherIcon(int32_t value) { mServerWeatherIcon = value; }
    const std::string& GetWeatherStatus() const { return mWeatherStatus; }
    void SetWeatherStatus(const std::string& value) { mWeatherStatus = value; }
    TemperaturePtr GetCurTemperature() const { return mCurTemperature; }
    void SetCurTemperature(TemperaturePtr value) { mCurTemperature = std::move(value); }
    TemperaturePtr GetLowTemperature() const { return mLowTemperature; }
    void SetLowTemperature(TemperaturePtr value) { mLowTemperature = std::move(value); }
    TemperaturePtr GetHighTemperature() const { return mHighTemperature; }
    void SetHighTemperature(TemperaturePtr value) { mHighTemperature = std::move(value); }
    uint32_t GetDate() const { return mDate; }
    void SetDate(uint32_t value) { mDate = value; }

private:
    int32_t mWeatherIcon = UNSUPPORTED_VALUE;
    int32_t mServerWeatherIcon = UNSUPPORTED_VALUE;
    std::string mWeatherStatus;
    TemperaturePtr mCurTemperature;
    TemperaturePtr mLowTemperature;
    TemperaturePtr mHighTemperature;
    uint32_t mDate = 0;
};

typedef std::shared_ptr<Weather> WeatherPtr;

#endif
