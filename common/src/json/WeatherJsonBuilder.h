#ifndef WEATHER_COMMON_WEATHER_JSON_BUILDER_H
#define WEATHER_COMMON_WEATHER_JSON_BUILDER_H

#include <cstdint>
#include <string>

#include "utils/Pattern.h"
#include "utils/Ref.h"

// Makes the value of the backup record: the backed-up settings
// (typedef/BackedUpSettings.h) as one compact JSON object, in the table's
// order, read through the data manager.
class BackupDataJsonBuilder : public Ref {
public:
    DECLARE_MAKE_NAMED(BackupDataJsonBuilder, "WeatherJsonBuilder.h")

    ~BackupDataJsonBuilder() override = default;

    // {"<key>":<int or bool>,...}, on one line without spaces.
    std::string BuildBackupData();

private:
    BackupDataJsonBuilder() = default;
};

// Pairs of the weather request that a watch-side weather application sends
// to its host device. Not JSON despite the name: "KEY:<int>," unquoted.
class IWeatherJsonBuilder : public Ref {
public:
    bool Init() override { return Ref::Init(); }
    ~IWeatherJsonBuilder() override = default;
    virtual std::string MakeFetchRequest(int32_t value) = 0;
    virtual std::string MakeShowSettingOnDevice(int32_t value) = 0;
    virtual std::string MakeUpdatedByTavo(int32_t value) = 0;
};

class WeatherJsonBuilder : public IWeatherJsonBuilder {
public:
    DECLARE_MAKE(WeatherJsonBuilder)

    bool Init() override;
    ~WeatherJsonBuilder() override = default;
    std::string MakeFetchRequest(int32_t value) override;
    std::string MakeShowSettingOnDevice(int32_t value) override;
    std::string MakeUpdatedByTavo(int32_t value) override;

    // key + ":" + value + ","
    std::string MakeKeyValue(const std::string& key, int32_t value);

private:
    WeatherJsonBuilder() = default;
};

// {WEATHER_REQUEST:{FETCH_REQ:1,SHOW_SETTING_ON_DEVICE:0,UPDATED_BY_TAVO:0,}}
class HostDeviceMessageBuilder : public Ref {
public:
    DECLARE_MAKE_NAMED(HostDeviceMessageBuilder, "WeatherJsonBuilder.h")

    bool Init() override;
    ~HostDeviceMessageBuilder() override = default;
    // The builder whose pairs make the request; not owned, may be null.
    virtual bool Init(IWeatherJsonBuilder* jsonBuilder);

    // Empty without a builder.
    std::string MakeWeatherRequestMessage();

private:
    HostDeviceMessageBuilder() = default;

    IWeatherJsonBuilder* mJsonBuilder = nullptr;
};

#endif
