#ifndef WEATHER_SERVICE_CLOUD_OPERATION_H
#define WEATHER_SERVICE_CLOUD_OPERATION_H

namespace NSWeatherService {

// Launch operations of the cloud backup client and the service's names for them.
constexpr const char* kOperationBackupUri = "http://velurio.com/appcontrol/operation/velurio_cloud/backup";
constexpr const char* kOperationRestoreUri = "http://velurio.com/appcontrol/operation/velurio_cloud/restore";
constexpr const char* kOperationGetInfoUri = "http://velurio.com/appcontrol/operation/velurio_cloud/get_backup_info";

constexpr const char* kOperationBackup = "VELURIO_CLOUD_OPERATION_BACKUP";
constexpr const char* kOperationRestore = "VELURIO_CLOUD_OPERATION_RESTORE";
constexpr const char* kOperationGetInfo = "VELURIO_CLOUD_OPERATION_GETINFO";
constexpr const char* kOperationNone = "VELURIO_CLOUD_OPERATION_NONE";

// The application whose signing certificate a caller must share.
constexpr const char* kWeatherAgentAppId = "com.velurio.weather-agent";

// The one record the service backs up.
constexpr const char* kBackupItemKey = "backup_item_tavo_weather";

} // namespace NSWeatherService

#endif
