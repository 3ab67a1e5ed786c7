#ifndef WEATHER_COMMON_WEATHER_JSON_BUILDER_H
#define WEATHER_COMMON_WEATHER_JSON_BUILDER_H

#include <string>

#include "utils/Pattern.h"
#include "utils/Ref.h"

// Makes the value of the backup record: the four backed-up settings as one
// compact JSON object, read through the data manager.
class BackupDataJsonBuilder : public Ref {
public:
    DECLARE_MAKE_NAMED(BackupDataJsonBuilder, "WeatherJsonBuilder.h")

    ~BackupDataJsonBuilder() override = default;

    // {"tempUnit":<int>,"autoRefreshTimeInterval":<int>,
    //  "useCurrentLocationAgreed":<bool>,"useNotification":<bool>}
    std::string BuildBackupData();

private:
    BackupDataJsonBuilder() = default;
};

#endif
