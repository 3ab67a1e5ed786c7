#include "json/WeatherJsonBuilder.h"

#include <json-glib/json-glib.h>

#include "typedef/DataManager.h"
#include "json/GLibHolder.h"

std::string BackupDataJsonBuilder::BuildBackupData()
{
    JsonObject* object = json_object_new();
    JsonNodePtr root(json_node_new(JSON_NODE_OBJECT));
    json_node_take_object(root.get(), object);  // the node owns the object from here

    json_object_set_int_member(object, "tempUnit", DataManager::GetInstance()->GetTemperatureUnit());
    json_object_set_int_member(object, "autoRefreshTimeInterval", DataManager::GetInstance()->GetAutoRefreshInterval());
    json_object_set_boolean_member(object, "useCurrentLocationAgreed",
                                   DataManager::GetInstance()->GetShowCurrentCityAgreement());
    json_object_set_boolean_member(object, "useNotification", DataManager::GetInstance()->GetNotificationOn());

    GObjectPtr<JsonGenerator> generator(json_generator_new());
    json_generator_set_root(generator.get(), root.get());
    GCharPtr text(json_generator_to_data(generator.get(), nullptr));
    return text ? std::string(text.get()) : std::string();
}
