#ifndef WEATHER_COMMON_JSON_UTIL_H
#define WEATHER_COMMON_JSON_UTIL_H

#include <json-glib/json-glib.h>

#include <string>

#include "utils/Pattern.h"
#include "utils/Ref.h"

// Parses one JSON text once and answers lookups on it, always as text.
class JsonUtil : public Ref {
public:
    DECLARE_MAKE(JsonUtil)

    using Ref::Init;
    ~JsonUtil() override { g_clear_object(&mParser); }
    JsonUtil(const JsonUtil&) = delete;
    JsonUtil& operator=(const JsonUtil&) = delete;
    // Always true: a text that cannot be parsed only leaves the document empty.
    virtual bool Init(const char* data, int dataLen);

    std::string GetValueFromObject(const std::string& key);
    std::string GetValueFromObject(JsonObject* object, const std::string& key);
    std::string GetValueFromNode(JsonNode* node);
    JsonNode* GetNodeFromObject(JsonObject* object, const char* key);
    JsonObject* GetObjectFromNode(JsonNode* node);
    JsonArray* GetArrayFromRootNode();

    // JSON-GLib recurses once per nesting level (about 100 bytes of stack
    // each) and has no limit of its own: only a document deep enough to
    // threaten the stack is refused before it reaches the library, far
    // beyond any record the library would otherwise read.
    static constexpr int kMaxNestingDepth = 4096;

private:
    JsonUtil() = default;

    JsonNode* mRoot = nullptr;         // owned by mParser
    JsonParser* mParser = nullptr;     // one reference, dropped by the destructor and by Init
    JsonObject* mRootObject = nullptr; // owned by mParser
};

#endif
