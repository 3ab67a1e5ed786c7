// Application-control handles: fields, extra data, copies. Sending and
// replying live in launch/launch_send.cpp.

#include <device/app_control.h>
#include <device/host.h>

#include <glib.h>

#include <cstdlib>
#include <new>

#include "DeviceInternal.h"
#include "app_control_handle.h"

using device::Fault;
using device::internal::DupString;

namespace {

// Injected faults (device::SetFault with the function's name) make the call fail.
bool Faulted(const char* function)
{
    return device::ActiveFault(function) != Fault::None;
}

// A text getter under an injected fault: Error fails, Null and Empty succeed
// with NULL and "". False when no fault is in force.
bool TextFault(const char* function, char** out, int* result)
{
    const Fault fault = device::ActiveFault(function);
    if (fault == Fault::None)
        return false;
    if (fault == Fault::Error) {
        *result = APP_CONTROL_ERROR_IO_ERROR;
    } else {
        *out = fault == Fault::Null ? nullptr : DupString("");
        *result = APP_CONTROL_ERROR_NONE;
    }
    return true;
}

// Texts travel as UTF-8 (the wire format and the inbox need it).
bool ValidText(const char* text)
{
    return text && g_utf8_validate(text, -1, nullptr);
}

int SetField(app_control_h handle, const char* value, std::optional<std::string> app_control_s::*field,
             const char* function)
{
    if (!handle || !ValidText(value))
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (Faulted(function))
        return APP_CONTROL_ERROR_IO_ERROR;
    handle->*field = value;
    return APP_CONTROL_ERROR_NONE;
}

int GetField(app_control_h handle, char** value, std::optional<std::string> app_control_s::*field, const char* function)
{
    if (!handle || !value)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    int result = APP_CONTROL_ERROR_NONE;
    if (TextFault(function, value, &result))
        return result;
    const std::optional<std::string>& text = handle->*field;
    *value = text ? DupString(*text) : nullptr;
    if (text && !*value)
        return APP_CONTROL_ERROR_OUT_OF_MEMORY;
    return APP_CONTROL_ERROR_NONE;
}

int AddExtra(app_control_h handle, const char* key, ExtraValue extra)
{
    if (!handle || !ValidText(key) || key[0] == '\0')
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    handle->extras[key] = std::move(extra);
    return APP_CONTROL_ERROR_NONE;
}

// The extra under `key`, or an error code in *result.
const ExtraValue* FindExtra(app_control_h handle, const char* key, int* result)
{
    if (!handle || !key) {
        *result = APP_CONTROL_ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    auto it = handle->extras.find(key);
    if (it == handle->extras.end()) {
        *result = APP_CONTROL_ERROR_KEY_NOT_FOUND;
        return nullptr;
    }
    return &it->second;
}

} // namespace

extern "C" {

int app_control_create(app_control_h* app_control)
{
    if (!app_control)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (Faulted("app_control_create"))
        return APP_CONTROL_ERROR_OUT_OF_MEMORY;
    *app_control = new (std::nothrow) app_control_s();
    if (!*app_control)
        return APP_CONTROL_ERROR_OUT_OF_MEMORY;
    (*app_control)->operation = APP_CONTROL_OPERATION_DEFAULT;
    return APP_CONTROL_ERROR_NONE;
}

int app_control_destroy(app_control_h app_control)
{
    if (!app_control)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (Faulted("app_control_destroy"))
        return APP_CONTROL_ERROR_IO_ERROR;
    delete app_control;
    return APP_CONTROL_ERROR_NONE;
}

int app_control_clone(app_control_h* clone, app_control_h app_control)
{
    if (!clone || !app_control)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (Faulted("app_control_clone"))
        return APP_CONTROL_ERROR_OUT_OF_MEMORY;
    *clone = new (std::nothrow) app_control_s(*app_control);
    return *clone ? APP_CONTROL_ERROR_NONE : APP_CONTROL_ERROR_OUT_OF_MEMORY;
}

int app_control_set_operation(app_control_h app_control, const char* operation)
{
    return SetField(app_control, operation, &app_control_s::operation, "app_control_set_operation");
}

int app_control_get_operation(app_control_h app_control, char** operation)
{
    return GetField(app_control, operation, &app_control_s::operation, "app_control_get_operation");
}

int app_control_set_uri(app_control_h app_control, const char* uri)
{
    return SetField(app_control, uri, &app_control_s::uri, "app_control_set_uri");
}

int app_control_get_uri(app_control_h app_control, char** uri)
{
    return GetField(app_control, uri, &app_control_s::uri, "app_control_get_uri");
}

int app_control_set_mime(app_control_h app_control, const char* mime)
{
    return SetField(app_control, mime, &app_control_s::mime, "app_control_set_mime");
}

int app_control_get_mime(app_control_h app_control, char** mime)
{
    return GetField(app_control, mime, &app_control_s::mime, "app_control_get_mime");
}

int app_control_set_app_id(app_control_h app_control, const char* app_id)
{
    return SetField(app_control, app_id, &app_control_s::appId, "app_control_set_app_id");
}

int app_control_get_app_id(app_control_h app_control, char** app_id)
{
    return GetField(app_control, app_id, &app_control_s::appId, "app_control_get_app_id");
}

int app_control_get_caller(app_control_h app_control, char** id)
{
    if (!app_control || !id || !app_control->received)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    int result = APP_CONTROL_ERROR_NONE;
    if (TextFault("app_control_get_caller", id, &result))
        return result;
    // A sender without an identity: success with no id.
    *id = app_control->caller.empty() ? nullptr : DupString(app_control->caller);
    return APP_CONTROL_ERROR_NONE;
}

int app_control_add_extra_data(app_control_h app_control, const char* key, const char* value)
{
    if (!ValidText(value))
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    if (Faulted("app_control_add_extra_data"))
        return APP_CONTROL_ERROR_IO_ERROR;
    return AddExtra(app_control, key, ExtraValue{false, {value}});
}

int app_control_add_extra_data_array(app_control_h app_control, const char* key, const char* value[], int length)
{
    if (length < 0 || (length > 0 && !value))
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    ExtraValue extra{true, {}};
    for (int i = 0; i < length; ++i) {
        if (!ValidText(value[i]))
            return APP_CONTROL_ERROR_INVALID_PARAMETER;
        extra.values.emplace_back(value[i]);
    }
    if (Faulted("app_control_add_extra_data_array"))
        return APP_CONTROL_ERROR_IO_ERROR;
    return AddExtra(app_control, key, std::move(extra));
}

int app_control_remove_extra_data(app_control_h app_control, const char* key)
{
    int result = APP_CONTROL_ERROR_NONE;
    if (!FindExtra(app_control, key, &result))
        return result;
    app_control->extras.erase(key);
    return APP_CONTROL_ERROR_NONE;
}

int app_control_get_extra_data(app_control_h app_control, const char* key, char** value)
{
    if (!value)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    int result = APP_CONTROL_ERROR_NONE;
    const ExtraValue* extra = FindExtra(app_control, key, &result);
    if (!extra)
        return result;
    if (extra->isArray)
        return APP_CONTROL_ERROR_INVALID_DATA_TYPE;
    if (TextFault("app_control_get_extra_data", value, &result))
        return result;
    *value = DupString(extra->values.front());
    return *value ? APP_CONTROL_ERROR_NONE : APP_CONTROL_ERROR_OUT_OF_MEMORY;
}

int app_control_get_extra_data_array(app_control_h app_control, const char* key, char*** value, int* length)
{
    if (!value || !length)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    int result = APP_CONTROL_ERROR_NONE;
    const ExtraValue* extra = FindExtra(app_control, key, &result);
    if (!extra)
        return result;
    if (!extra->isArray)
        return APP_CONTROL_ERROR_INVALID_DATA_TYPE;
    *value = nullptr;
    *length = 0;
    if (extra->values.empty())
        return APP_CONTROL_ERROR_NONE;
    char** array = static_cast<char**>(std::calloc(extra->values.size(), sizeof(char*)));
    if (!array)
        return APP_CONTROL_ERROR_OUT_OF_MEMORY;
    for (size_t i = 0; i < extra->values.size(); ++i) {
        array[i] = DupString(extra->values[i]);
        if (!array[i]) {
            for (size_t j = 0; j < i; ++j)
                std::free(array[j]);
            std::free(array);
            return APP_CONTROL_ERROR_OUT_OF_MEMORY;
        }
    }
    *value = array;
    *length = static_cast<int>(extra->values.size());
    return APP_CONTROL_ERROR_NONE;
}

int app_control_is_extra_data_array(app_control_h app_control, const char* key, bool* array)
{
    if (!array)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    int result = APP_CONTROL_ERROR_NONE;
    const ExtraValue* extra = FindExtra(app_control, key, &result);
    if (!extra)
        return result;
    *array = extra->isArray;
    return APP_CONTROL_ERROR_NONE;
}

int app_control_foreach_extra_data(app_control_h app_control, app_control_extra_data_cb callback, void* user_data)
{
    if (!app_control || !callback)
        return APP_CONTROL_ERROR_INVALID_PARAMETER;
    // Walk a copy of the keys: the callback may add or remove extra data.
    std::vector<std::string> keys;
    for (const auto& entry : app_control->extras)
        keys.push_back(entry.first);
    for (const std::string& key : keys) {
        if (app_control->extras.count(key) && !callback(app_control, key.c_str(), user_data))
            break;
    }
    return APP_CONTROL_ERROR_NONE;
}

} // extern "C"
