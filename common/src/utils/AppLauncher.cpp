#include "utils/AppLauncher.h"

#include <stdexcept>

namespace {
constexpr const char* kWeatherAgent = "com.velurio.weather-agent";
constexpr const char* kWeatherConsumer = "com.velurio.weather-consumer";
constexpr const char* kWeatherApp = "com.velurio.weather";
constexpr const char* kMessageKey = "MESSAGE";

constexpr const char* kConnectionTypeKey = "http://velurio.com/appcontrol/data/connection_type";
constexpr const char* kPkgIdKey = "http://velurio.com/appcontrol/data/pkg_id";
constexpr const char* kPrivacyListKey = "http://velurio.com/appcontrol/data/privacy_list";
constexpr const char* kAppIdKey = "http://velurio.com/appcontrol/data/app_id";
constexpr const char* kDataNoticeKey = "http://velurio.com/appcontrol/data/data_notice";
constexpr const char* kOperationConfigureLocation = "http://velurio.com/appcontrol/operation/configure/location";
} // namespace

bool AppLauncher::Init()
{
    Ref::Init();
    mAppControl = nullptr;
    mReplyListener = nullptr;
    mReplyUserData = nullptr;
    return true;
}

AppLauncher::~AppLauncher()
{
    AppControlDestroy();
    mReplyListener = nullptr;
}

void AppLauncher::AppControlCreate()
{
    int ret = app_control_create(&mAppControl);
    if (ret != APP_CONTROL_ERROR_NONE) {
        LOGE("[Fail] app_control_create : %d", ret);
        mAppControl = nullptr;
        throw std::runtime_error("app_control_create");
    }
}

void AppLauncher::AppControlSetUrl(const std::string& uri)
{
    RETURN_IF(mAppControl == NULL);
    int ret = app_control_set_uri(mAppControl, uri.c_str());
    if (ret != APP_CONTROL_ERROR_NONE) {
        LOGE("[Fail] app_control_set_uri : %d", ret);
        throw std::runtime_error("app_control_set_uri");
    }
}

void AppLauncher::AppControlSetAppID(const std::string& appId)
{
    RETURN_IF(mAppControl == NULL);
    int ret = app_control_set_app_id(mAppControl, appId.c_str());
    if (ret != APP_CONTROL_ERROR_NONE) {
        LOGE("[Fail] app_control_set_app_id : %d", ret);
        throw std::runtime_error("app_control_set_app_id");
    }
}

void AppLauncher::AppControlSetOperation(const std::string& operation)
{
    RETURN_IF(mAppControl == NULL);
    int ret = app_control_set_operation(mAppControl, operation.c_str());
    if (ret != APP_CONTROL_ERROR_NONE) {
        LOGE("[Fail] app_control_set_operation : %d", ret);
        throw std::runtime_error("app_control_set_operation");
    }
}

void AppLauncher::AppControlAddExtraData(const std::string& key, const std::string& value)
{
    RETURN_IF(mAppControl == NULL);
    if (app_control_add_extra_data(mAppControl, key.c_str(), value.c_str()) != APP_CONTROL_ERROR_NONE) {
        LOGE("[Fail] app_control_add_extra_data");
        throw std::runtime_error("app_control_add_extra_data");
    }
}

void AppLauncher::AppControlAddExtraDataArray(const std::string& key, const char* value, int count)
{
    RETURN_IF(mAppControl == NULL);
    // The array handed over holds the one given text: any other count would read past it.
    const char* values[] = {value};
    if (value == nullptr || count != 1 ||
        app_control_add_extra_data_array(mAppControl, key.c_str(), values, count) != APP_CONTROL_ERROR_NONE) {
        LOGE("[Fail] app_control_add_extra_data_array");
        throw std::runtime_error("app_control_add_extra_data_array");
    }
}

void AppLauncher::AppControlSendLaunchRequest(app_control_reply_cb callback, void* userData)
{
    RETURN_IF(mAppControl == NULL);
    int ret = app_control_send_launch_request(mAppControl, callback, userData);
    if (ret == APP_CONTROL_ERROR_NONE)
        return;
    LOGE("[Fail] app_control_send_launch_request failed. try again: %d", ret);
    ret = app_control_send_launch_request(mAppControl, callback, userData);
    if (ret != APP_CONTROL_ERROR_NONE) {
        LOGE("[Fail] app_control_send_launch_request failed");
        throw std::runtime_error("app_control_send_launch_request");
    }
}

void AppLauncher::AppControlDestroy()
{
    RETURN_IF(mAppControl == NULL);
    int ret = app_control_destroy(mAppControl);
    if (ret != APP_CONTROL_ERROR_NONE) {
        LOGE("[Fail] app_control_destroy failed : %d", ret);
        return;
    }
    mAppControl = nullptr;
}

void AppLauncher::ReplyCB(app_control_h request, app_control_h reply, app_control_result_e result, void* user_data)
{
    AppLauncher* pThis = static_cast<AppLauncher*>(user_data);
    RETURN_IF(pThis == NULL);
    if (pThis->mReplyListener != nullptr) {
        pThis->mReplyListener->OnAppControlReply(request, reply, result, pThis->mReplyUserData);
        pThis->mReplyUserData = nullptr;
    }
}

int AppLauncher::RunRequest(const char* func, const std::function<void()>& steps)
{
    int result = 0;
    try {
        steps();
    } catch (const std::exception& e) {
        LOGE_AT(__FILE_NAME__, func, "[%s]", e.what());
        result = -1;
    }
    AppControlDestroy();
    return result;
}

int AppLauncher::SendMessage(const char* func, const char* appId, const char* message)
{
    return RunRequest(func, [&] {
        AppControlCreate();
        AppControlSetAppID(appId);
        AppControlAddExtraData(kMessageKey, message);
        AppControlSendLaunchRequest(nullptr, nullptr);
    });
}

int AppLauncher::RequestNotifyToAgent()
{
    LOGE("RequestNotifyToAgent");
    return SendMessage(__func__, kWeatherAgent, "REQUEST_NOTIFY");
}

void AppLauncher::RequestBTConnectionQuestionPopup()
{
    RunRequest(__func__, [&] {
        AppControlCreate();
        AppControlSetAppID("com.velurio.zarrel-popup");
        AppControlAddExtraData(kConnectionTypeKey, "bt_connect");
        AppControlSendLaunchRequest(ReplyCB, this);
    });
}

void AppLauncher::RequestWidgetPopup()
{
    RunRequest(__func__, [&] {
        AppControlCreate();
        AppControlSetAppID("com.velurio.weather-widget-popup");
        AppControlSendLaunchRequest(ReplyCB, this);
    });
}

void AppLauncher::RequestCTCPermissionPopup(const char* privacyList, int count)
{
    RunRequest(__func__, [&] {
        AppControlCreate();
        AppControlSetAppID("com.velurio.permissionpopup");
        AppControlAddExtraData(kPkgIdKey, kWeatherApp);
        AppControlAddExtraDataArray(kPrivacyListKey, privacyList, count);
        AppControlAddExtraData(kAppIdKey, kWeatherApp);
        AppControlAddExtraData(kDataNoticeKey, "Use data network");
        AppControlSendLaunchRequest(ReplyCB, this);
    });
}

void AppLauncher::RequestShowOnDevice()
{
    SendMessage(__func__, kWeatherConsumer, "SHOW_ON_DEVICE");
}

void AppLauncher::RequestAddCurrentCityOnHostDevice()
{
    SendMessage(__func__, kWeatherConsumer, "ADD_CURRENT_CITY");
}

int AppLauncher::RequestRefreshToConsumer()
{
    return SendMessage(__func__, kWeatherConsumer, "UPDATE_BY_TAVO");
}

int AppLauncher::SendCurrentLocationCityNameViaConsumer()
{
    return SendMessage(__func__, kWeatherConsumer, "SEND_CURRENT_CITY_NAME");
}

int AppLauncher::SendNetworkErrorMessageViaConsumer()
{
    return SendMessage(__func__, kWeatherConsumer, "SEND_NETWORK_ERROR_STATE");
}

int AppLauncher::SendGPSErrorMessageViaConsumer()
{
    return SendMessage(__func__, kWeatherConsumer, "SEND_GPS_ERROR_STATE");
}

int AppLauncher::RequestCurrentLocationWeatherInfoToAgent()
{
    return SendMessage(__func__, kWeatherAgent, "REQUEST_CURRENT_LOCATION_WEATHER_INFO");
}

int AppLauncher::RequestCurrentLocationWeatherInfoForSimpleAddProcessToAgent(const std::string& portId)
{
    return RunRequest(__func__, [&] {
        AppControlCreate();
        AppControlSetAppID(kWeatherAgent);
        AppControlAddExtraData("PORT_ID", portId);
        AppControlAddExtraData(kMessageKey, "REQUEST_CURRENT_LOCATION_WEATHER_INFO_FOR_SIMPLE_ADD_PROCESS");
        AppControlSendLaunchRequest(nullptr, nullptr);
    });
}

int AppLauncher::RequestRefreshToAgent()
{
    return SendMessage(__func__, kWeatherAgent, "REQUEST_ALL_WEATHER_INFO");
}

int AppLauncher::RequestGetDataNetworkStatusOfHostDevice(void* userData)
{
    const char* func = __func__;
    return RunRequest(func, [&] {
        AppControlCreate();
        AppControlSetAppID("com.velurio.corvane-service");
        AppControlAddExtraData("type", "host_datanetwork_req");
        AppControlAddExtraData("data/status", "once");
        mReplyUserData = userData;
        AppControlSendLaunchRequest(ReplyCB, this);
        LOGE_AT(__FILE_NAME__, func, "RequestGetDataNetworkStatusOfHostDevice");
    });
}

int AppLauncher::LaunchAgentToCancelAllRequest()
{
    return SendMessage(__func__, kWeatherAgent, "REQUEST_CANCEL_ALL_REQUEST");
}

int AppLauncher::LaunchAgentToRequestUpdateNecessaryWeatherInfo()
{
    LOGE("%s", __func__);
    return SendMessage(__func__, kWeatherAgent, "REQUEST_NEED_TO_UPDATE_WEATHER_INFO");
}

int AppLauncher::LaunchWeatherApp()
{
    LOGE("%s", __func__);
    return RunRequest(__func__, [&] {
        AppControlCreate();
        AppControlSetAppID(kWeatherApp);
        AppControlSendLaunchRequest(nullptr, nullptr);
    });
}

int AppLauncher::LaunchTavoSetting(const std::string& AppId, const std::string& Operation)
{
    RETURN_IF(Operation.length() < 1, -1);
    return RunRequest(__func__, [&] {
        AppControlCreate();
        if (!AppId.empty())
            AppControlSetAppID(AppId);
        AppControlSetOperation(Operation);
        AppControlSendLaunchRequest(nullptr, nullptr);
    });
}

int AppLauncher::LaunchLocationSetting()
{
    return LaunchTavoSetting("com.velurio.setting-location", kOperationConfigureLocation);
}
