#include "json/JsonUtil.h"

#include <cstring>

#include "json/JsonPrescan.h"
#include "utils/Log.h"
#include "utils/StringHelper.h"

bool JsonUtil::Init(const char* data, int dataLen)
{
    Ref::Init();
    mRoot = nullptr;
    g_clear_object(&mParser);
    mRootObject = nullptr;

    // A negative length compares as huge, as it would against strlen().
    if (data == nullptr || dataLen < 0 || strnlen(data, static_cast<size_t>(dataLen)) < static_cast<size_t>(dataLen)) {
        LOGE("data is NULL or dataLen < strlen(data)");
        return true;
    }

    // Deliberately not every text reaches the library: bare JSON-GLib 1.6 recurses
    // once per nesting level and dies with SIGSEGV on 100,000 nested arrays, so
    // only nesting too deep for that recursion is refused here, as a failed load;
    // every other text is the library's to read or refuse.
    std::string refusal = JsonPrescan(data, static_cast<size_t>(dataLen), kMaxNestingDepth);
    if (!refusal.empty()) {
        LOGE("Failed to json_parser_load_from_data. %s", refusal.c_str());
        return true;
    }

    mParser = json_parser_new();
    g_autoptr(GError) error = nullptr;
    bool loaded = mParser && json_parser_load_from_data(mParser, data, dataLen, &error);
    if (!loaded) {
        if (error) {
            LOGE("Failed to json_parser_load_from_data. %s", error->message);
            g_clear_object(&mParser);
        } else {
            LOGE("Failed to json_parser_load_from_data. error is NULL");
        }
        return true;
    }

    mRoot = json_parser_get_root(mParser);
    // An empty text loads with no root; a non-object root has no object.
    if (mRoot != nullptr && JSON_NODE_HOLDS_OBJECT(mRoot))
        mRootObject = json_node_get_object(mRoot);
    return true;
}

std::string JsonUtil::GetValueFromObject(const std::string& key)
{
    return GetValueFromObject(mRootObject, key);
}

std::string JsonUtil::GetValueFromObject(JsonObject* object, const std::string& key)
{
    if (object == nullptr) {
        LOG_RETURN_NOTE("Invalid Input Parameters [key : %s]", key.c_str());
        return "";
    }
    return GetValueFromNode(json_object_get_member(object, key.c_str()));
}

std::string JsonUtil::GetValueFromNode(JsonNode* node)
{
    std::string result;
    StringHelper* stringHelper = StringHelper::GetInstance();
    GType type = G_TYPE_INVALID;
    g_auto(GValue) value = G_VALUE_INIT;
    if (node != nullptr && JSON_NODE_HOLDS_VALUE(node)) {
        json_node_get_value(node, &value);
        type = G_VALUE_TYPE(&value);
    }

    switch (type) {
    case G_TYPE_BOOLEAN:
        result = stringHelper->IntToString(g_value_get_boolean(&value) ? 1 : 0);
        break;
    case G_TYPE_INT:
        result = stringHelper->IntToString(g_value_get_int(&value));
        break;
    case G_TYPE_UINT:
        result = stringHelper->IntToString(static_cast<int32_t>(g_value_get_uint(&value)));
        break;
    case G_TYPE_INT64:
        result = stringHelper->Int64ToString(g_value_get_int64(&value));
        break;
    case G_TYPE_UINT64:
        result = stringHelper->Int64ToString(static_cast<int64_t>(g_value_get_uint64(&value)));
        break;
    case G_TYPE_DOUBLE:
        result = stringHelper->DoubleToFixedString(g_value_get_double(&value), 6);
        break;
    case G_TYPE_STRING: {
        const gchar* text = g_value_get_string(&value);
        if (text != nullptr)
            result = text;
        break;
    }
    default:
        LOGE("Entering node default case");
        break;
    }

    if (result == "?") {
        LOGE("Value is ?, so reset as NULL. It's CMAWeather's issue");
        result.clear();
    }
    return result;
}

JsonNode* JsonUtil::GetNodeFromObject(JsonObject* object, const char* key)
{
    RETURN_IF(object == NULL, nullptr);
    RETURN_IF_MSG(key == nullptr, "str == NULL", nullptr);
    return json_object_get_member(object, key);
}

JsonObject* JsonUtil::GetObjectFromNode(JsonNode* node)
{
    RETURN_IF(node == NULL, nullptr);
    // json_node_get_object() answers NULL (with a critical) for other kinds.
    if (!JSON_NODE_HOLDS_OBJECT(node))
        return nullptr;
    return json_node_get_object(node);
}

JsonArray* JsonUtil::GetArrayFromRootNode()
{
    RETURN_IF(mRoot == NULL, nullptr);
    if (!JSON_NODE_HOLDS_ARRAY(mRoot))
        return nullptr;
    return json_node_get_array(mRoot);
}
