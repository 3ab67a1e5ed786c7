#ifndef WEATHER_COMMON_APP_LAUNCHER_H
#define WEATHER_COMMON_APP_LAUNCHER_H

#include <functional>
#include <string>

#include <device/app_control.h>

#include "utils/Pattern.h"
#include "utils/Ref.h"

// Told of the replies to the launcher's requests that ask for one.
class AppLauncherReplyListener {
public:
    virtual ~AppLauncherReplyListener() = default;
    virtual void OnAppControlReply(app_control_h request, app_control_h reply, app_control_result_e result,
                                   void* userData) = 0;
};

// Sends application-control launch requests to the sibling applications.
// Each request creates, fills, sends and destroys its own handle, so the
// launcher holds no handle between requests. A launcher that expects replies
// must outlive them (ReplyCB reaches it through the user data).
class AppLauncher : public Ref {
public:
    DECLARE_MAKE(AppLauncher)

    bool Init() override;
    ~AppLauncher() override;

    void SetReplyListener(AppLauncherReplyListener* listener) { mReplyListener = listener; }

    // Requests with a result return 0 on success and -1 when a step failed.
    int RequestNotifyToAgent();
    void RequestBTConnectionQuestionPopup();
    void RequestWidgetPopup();
    void RequestCTCPermissionPopup(const char* privacyList, int count);
    void RequestShowOnDevice();
    void RequestAddCurrentCityOnHostDevice();
    int RequestRefreshToConsumer();
    int SendCurrentLocationCityNameViaConsumer();
    int SendNetworkErrorMessageViaConsumer();
    int SendGPSErrorMessageViaConsumer();
    int RequestCurrentLocationWeatherInfoToAgent();
    int RequestCurrentLocationWeatherInfoForSimpleAddProcessToAgent(const std::string& portId);
    int RequestRefreshToAgent();
    int RequestGetDataNetworkStatusOfHostDevice(void* userData);
    int LaunchAgentToCancelAllRequest();
    int LaunchAgentToRequestUpdateNecessaryWeatherInfo();
    int LaunchWeatherApp();
    int LaunchTavoSetting(const std::string& AppId, const std::string& Operation);
    int LaunchLocationSetting();

    static void ReplyCB(app_control_h request, app_control_h reply, app_control_result_e result, void* user_data);

    // Steps of a request; all but AppControlDestroy raise on failure.
    void AppControlCreate();
    void AppControlSetUrl(const std::string& uri);
    void AppControlSetAppID(const std::string& appId);
    void AppControlSetOperation(const std::string& operation);
    void AppControlAddExtraData(const std::string& key, const std::string& value);
    void AppControlAddExtraDataArray(const std::string& key, const char* value, int count);
    void AppControlSendLaunchRequest(app_control_reply_cb callback, void* userData);
    void AppControlDestroy();

    app_control_h GetAppControl() const { return mAppControl; }

private:
    // Runs the steps in one protected block and always destroys the handle;
    // an exception is logged in the name of func, the request.
    int RunRequest(const char* func, const std::function<void()>& steps);
    // Target + one "MESSAGE" extra, no reply; on behalf of the request func.
    int SendMessage(const char* func, const char* appId, const char* message);

    app_control_h mAppControl = nullptr;
    AppLauncherReplyListener* mReplyListener = nullptr;
    void* mReplyUserData = nullptr;
};

#endif
