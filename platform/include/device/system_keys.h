#ifndef DEVICE_SYSTEM_KEYS_H
#define DEVICE_SYSTEM_KEYS_H

// Names of the system keys (vconf) that the device defines and the weather
// applications read. The phone-link keys are this device's own names.

#define SYSKEY_LANGUAGE "db/menu_widget/language"                         /* string */
#define SYSKEY_COUNTRY_ISO "db/csc/country_iso"                           /* string */
#define SYSKEY_TIME_FORMAT_1224 "db/menu_widget/regionformat_time1224"    /* int, 1 = 12-hour */
#define SYSKEY_STANDALONE "db/setup_wizard/standalone"                    /* int */
#define SYSKEY_RETAIL_MODE_ENABLED "db/retailmode/enabled"                /* int, 0 on a new device */
#define SYSKEY_RETAIL_MODE_RES_PATH "db/retailmode/res_path"              /* string, absent by default */
#define SYSKEY_LOCKSCREEN_WEATHER_DISPLAY "db/lockscreen/weather_display" /* bool */
#define SYSKEY_TIME_CHANGED "memory/system/timechanged"                   /* int */
#define SYSKEY_TIMEZONE_ID "db/setting/timezone_id"                       /* string */
#define SYSKEY_DATE_FORMAT "db/setting/date_format"                       /* int */

/* Phone-link services. */
#define SYSKEY_HOST_VENDOR "db/phonelink/host_vendor"                                         /* string */
#define SYSKEY_HOST_CONNECTION_TYPE "memory/phonelink/connection_type"                        /* int */
#define SYSKEY_HOST_DATA_NETWORK_STATUS "memory/phonelink/host_data_network"                  /* int */
#define SYSKEY_HOST_CONNECTED "memory/phonelink/host_connected"                               /* bool */
#define SYSKEY_COMPANION_SERVICE_CONNECTED "memory/companion/service_connected"               /* int */
#define SYSKEY_NOTIFICATION_BRIDGE_CONNECTED "memory/phonelink/notification_bridge_connected" /* int */
#define SYSKEY_IOS_HOST_CONNECTED "memory/phonelink/ios_host_connected"                       /* int */

#endif
