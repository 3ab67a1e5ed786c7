// Application-control handles: fields, extra data, copies, and the calls that
// only make sense on a received request.

#include <device/app_control.h>
#include <device/host.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "DeviceFixture.h"

namespace {

struct Handle {
    Handle() { EXPECT_EQ(APP_CONTROL_ERROR_NONE, app_control_create(&h)); }
    ~Handle()
    {
        if (h)
            app_control_destroy(h);
    }
    app_control_h h = nullptr;
};

std::string Take(char* text)
{
    std::string result = text ? text : "<null>";
    std::free(text);
    return result;
}

std::string Extra(app_control_h h, const char* key)
{
    char* value = nullptr;
    int rc = app_control_get_extra_data(h, key, &value);
    return rc == APP_CONTROL_ERROR_NONE ? Take(value) : "<error " + std::to_string(rc) + ">";
}

std::vector<std::string> ExtraArray(app_control_h h, const char* key)
{
    char** values = nullptr;
    int length = -1;
    EXPECT_EQ(APP_CONTROL_ERROR_NONE, app_control_get_extra_data_array(h, key, &values, &length));
    std::vector<std::string> result;
    for (int i = 0; i < length; ++i)
        result.push_back(Take(values[i]));
    std::free(values);
    return result;
}

TEST(AppControlHandle, NewHandleHasTheDefaultOperationAndTextsMustBeUtf8)
{
    Handle request;
    char* text = nullptr;
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, app_control_get_operation(request.h, &text));
    EXPECT_EQ(APP_CONTROL_OPERATION_DEFAULT, Take(text));
    text = reinterpret_cast<char*>(1);
    EXPECT_EQ(APP_CONTROL_ERROR_NONE, app_control_get_uri(request.h, &text));
    EXPECT_EQ(nullptr, text) << "an unset field reads as NULL";

    EXPECT_EQ(APP_CONTROL_ERROR_INVALID_PARAMETER, app_control_add_extra_data(request.h, "", "v"));
    // Texts must be UTF-8: they travel in the request and the inbox.
    EXPECT_EQ(APP_CONTROL_ERROR_INVALID_PARAMETER, app_control_add_extra_data(request.h, "k", "\xff\xfe"));
}

TEST(AppControlHandle, PlainValuesAndArraysAreDistinct)
{
    Handle request;
    const char* list[] = {"a", "b", "c"};
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, app_control_add_extra_data(request.h, "plain", "v1"));
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, app_control_add_extra_data_array(request.h, "list", list, 3));
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, app_control_add_extra_data_array(request.h, "none", nullptr, 0));

    EXPECT_EQ("v1", Extra(request.h, "plain"));
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), ExtraArray(request.h, "list"));
    EXPECT_TRUE(ExtraArray(request.h, "none").empty());

    bool isArray = true;
    EXPECT_EQ(APP_CONTROL_ERROR_NONE, app_control_is_extra_data_array(request.h, "plain", &isArray));
    EXPECT_FALSE(isArray);
    EXPECT_EQ(APP_CONTROL_ERROR_NONE, app_control_is_extra_data_array(request.h, "list", &isArray));
    EXPECT_TRUE(isArray);

    char* text = nullptr;
    char** values = nullptr;
    int length = 0;
    EXPECT_EQ(APP_CONTROL_ERROR_INVALID_DATA_TYPE, app_control_get_extra_data(request.h, "list", &text));
    EXPECT_EQ(APP_CONTROL_ERROR_INVALID_DATA_TYPE,
              app_control_get_extra_data_array(request.h, "plain", &values, &length));
    EXPECT_EQ(APP_CONTROL_ERROR_KEY_NOT_FOUND, app_control_get_extra_data(request.h, "missing", &text));
    EXPECT_EQ(APP_CONTROL_ERROR_KEY_NOT_FOUND,
              app_control_get_extra_data_array(request.h, "missing", &values, &length));
    EXPECT_EQ(APP_CONTROL_ERROR_KEY_NOT_FOUND, app_control_is_extra_data_array(request.h, "missing", &isArray));
    EXPECT_EQ(APP_CONTROL_ERROR_KEY_NOT_FOUND, app_control_remove_extra_data(request.h, "missing"));
    EXPECT_EQ(APP_CONTROL_ERROR_INVALID_PARAMETER, app_control_add_extra_data_array(request.h, "bad", list, -1));

    // A value under an existing key replaces it, whatever its kind.
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, app_control_add_extra_data(request.h, "list", "now plain"));
    EXPECT_EQ("now plain", Extra(request.h, "list"));
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, app_control_remove_extra_data(request.h, "plain"));
    EXPECT_EQ(APP_CONTROL_ERROR_KEY_NOT_FOUND, app_control_get_extra_data(request.h, "plain", &text));
}

TEST(AppControlHandle, CloneIsDeepAndIndependent)
{
    Handle request;
    const char* list[] = {"x", "y"};
    app_control_set_app_id(request.h, "com.test.app");
    app_control_add_extra_data(request.h, "k", "v");
    app_control_add_extra_data_array(request.h, "list", list, 2);
    app_control_h copy = nullptr;
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, app_control_clone(&copy, request.h));
    app_control_add_extra_data(request.h, "k", "changed");
    app_control_set_app_id(request.h, "com.test.other");
    app_control_destroy(request.h);
    request.h = nullptr;

    EXPECT_EQ("v", Extra(copy, "k"));
    EXPECT_EQ((std::vector<std::string>{"x", "y"}), ExtraArray(copy, "list"));
    char* text = nullptr;
    app_control_get_app_id(copy, &text);
    EXPECT_EQ("com.test.app", Take(text));
    EXPECT_EQ(APP_CONTROL_ERROR_INVALID_PARAMETER, app_control_clone(nullptr, copy));
    app_control_destroy(copy);
}

TEST(AppControlHandle, ForeachVisitsEveryKeyStopsOnFalseAndSurvivesRemoval)
{
    Handle request;
    for (const char* key : {"a", "b", "c", "d"})
        app_control_add_extra_data(request.h, key, key);
    std::vector<std::string> seen;
    auto collect = [](app_control_h, const char* key, void* data) {
        static_cast<std::vector<std::string>*>(data)->push_back(key);
        return true;
    };
    ASSERT_EQ(APP_CONTROL_ERROR_NONE, app_control_foreach_extra_data(request.h, collect, &seen));
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c", "d"}), seen);

    seen.clear();
    auto stopAtB = [](app_control_h, const char* key, void* data) {
        static_cast<std::vector<std::string>*>(data)->push_back(key);
        return std::string(key) != "b";
    };
    app_control_foreach_extra_data(request.h, stopAtB, &seen);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), seen);

    // Removing the next key from inside the walk skips it instead of crashing.
    seen.clear();
    auto removeNext = [](app_control_h h, const char* key, void* data) {
        static_cast<std::vector<std::string>*>(data)->push_back(key);
        if (std::string(key) == "a")
            app_control_remove_extra_data(h, "b");
        return true;
    };
    app_control_foreach_extra_data(request.h, removeNext, &seen);
    EXPECT_EQ((std::vector<std::string>{"a", "c", "d"}), seen);
    EXPECT_EQ(APP_CONTROL_ERROR_INVALID_PARAMETER, app_control_foreach_extra_data(request.h, nullptr, nullptr));
}

TEST(AppControlHandle, LocalHandleHasNoCallerAndCannotBeAnswered)
{
    Handle request;
    Handle reply;
    char* caller = nullptr;
    EXPECT_EQ(APP_CONTROL_ERROR_INVALID_PARAMETER, app_control_get_caller(request.h, &caller));
    EXPECT_EQ(nullptr, caller);
    EXPECT_EQ(APP_CONTROL_ERROR_INVALID_PARAMETER,
              app_control_reply_to_launch_request(reply.h, request.h, APP_CONTROL_RESULT_SUCCEEDED));
    app_control_h copy = nullptr;
    app_control_clone(&copy, request.h);
    EXPECT_EQ(APP_CONTROL_ERROR_INVALID_PARAMETER, app_control_get_caller(copy, &caller));
    app_control_destroy(copy);
}

TEST(AppControlHandle, InjectedFaultsFailTheNamedCall)
{
    DeviceFixture::Reset();
    Handle request;
    device::SetFault("app_control_clone", device::Fault::Error);
    app_control_h copy = nullptr;
    EXPECT_NE(APP_CONTROL_ERROR_NONE, app_control_clone(&copy, request.h));
    device::SetFault("app_control_get_operation", device::Fault::Null);
    char* text = reinterpret_cast<char*>(1);
    EXPECT_EQ(APP_CONTROL_ERROR_NONE, app_control_get_operation(request.h, &text));
    EXPECT_EQ(nullptr, text);
    device::SetFault("app_control_send_launch_request", device::Fault::Error);
    app_control_set_app_id(request.h, "com.velurio.weather-agent");
    EXPECT_EQ(APP_CONTROL_ERROR_LAUNCH_FAILED, app_control_send_launch_request(request.h, nullptr, nullptr));
    DeviceFixture::Reset();
}

} // namespace
