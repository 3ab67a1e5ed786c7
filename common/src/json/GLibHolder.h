#ifndef WEATHER_COMMON_GLIB_HOLDER_H
#define WEATHER_COMMON_GLIB_HOLDER_H

// Owning holders for GLib, GObject and JSON-GLib objects, so that every path
// out of a function releases what it took.

#include <glib-object.h>
#include <json-glib/json-glib.h>

#include <memory>

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct GFreeDeleter {
    void operator()(gpointer mem) const { g_free(mem); }
};
struct GErrorDeleter {
    void operator()(GError* error) const { g_error_free(error); }
};
struct JsonNodeDeleter {
    void operator()(JsonNode* node) const { json_node_unref(node); }
};

// One reference of a GObject (JsonParser, JsonGenerator, ...).
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;
using GErrorPtr = std::unique_ptr<GError, GErrorDeleter>;
using JsonNodePtr = std::unique_ptr<JsonNode, JsonNodeDeleter>;

// A GValue that is unset when it goes out of scope.
class ScopedGValue {
public:
    ScopedGValue() = default;
    ~ScopedGValue() { if (G_IS_VALUE(&mValue)) g_value_unset(&mValue); }
    ScopedGValue(const ScopedGValue&) = delete;
    ScopedGValue& operator=(const ScopedGValue&) = delete;

    GValue* Get() { return &mValue; }

private:
    GValue mValue = G_VALUE_INIT;
};

#endif
