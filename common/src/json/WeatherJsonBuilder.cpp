#include "json/WeatherJsonBuilder.h"

#include <json-glib/json-glib.h>

#include "typedef/BackedUpSettings.h"
#include "typedef/DataManager.h"
#include "utils/StringHelper.h"

std::string BackupDataJsonBuilder::BuildBackupData()
{
    JsonObject* object = json_object_new();
    g_autoptr(JsonNode) root = json_node_new(JSON_NODE_OBJECT);
    json_node_take_object(root, object); // the node owns the object from here

    for (const BackedUpSetting& setting : kBackedUpSettings) {
        // Fetched afresh for each read: the first fetch may run the manager's Init.
        const int32_t value = setting.read(*DataManager::GetInstance());
        if (setting.type == BackupValueType::Boolean)
            json_object_set_boolean_member(object, setting.key, value != 0);
        else
            json_object_set_int_member(object, setting.key, value);
    }

    g_autoptr(JsonGenerator) generator = json_generator_new();
    json_generator_set_root(generator, root);
    g_autofree gchar* text = json_generator_to_data(generator, nullptr);
    return text ? std::string(text) : std::string();
}

bool WeatherJsonBuilder::Init()
{
    return IWeatherJsonBuilder::Init();
}

std::string WeatherJsonBuilder::MakeKeyValue(const std::string& key, int32_t value)
{
    return key + ":" + StringHelper::GetInstance()->IntToString(value) + ",";
}

std::string WeatherJsonBuilder::MakeFetchRequest(int32_t value)
{
    return MakeKeyValue("FETCH_REQ", value);
}

std::string WeatherJsonBuilder::MakeShowSettingOnDevice(int32_t value)
{
    return MakeKeyValue("SHOW_SETTING_ON_DEVICE", value);
}

std::string WeatherJsonBuilder::MakeUpdatedByTavo(int32_t value)
{
    return MakeKeyValue("UPDATED_BY_TAVO", value);
}

bool HostDeviceMessageBuilder::Init()
{
    Ref::Init();
    mJsonBuilder = nullptr;
    return true;
}

bool HostDeviceMessageBuilder::Init(IWeatherJsonBuilder* jsonBuilder)
{
    Init();
    mJsonBuilder = jsonBuilder;
    return true;
}

std::string HostDeviceMessageBuilder::MakeWeatherRequestMessage()
{
    if (mJsonBuilder == nullptr)
        return "";
    std::string fetch = mJsonBuilder->MakeFetchRequest(1);
    std::string show = mJsonBuilder->MakeShowSettingOnDevice(0);
    std::string updated = mJsonBuilder->MakeUpdatedByTavo(0);
    std::string inner = "{" + fetch + show + updated + "}";
    return "{" + std::string("WEATHER_REQUEST:") + inner + "}";
}
