// Wire format of launch requests and replies, and the inbox line of
// applications that have no executable on the host.

#include "launch_wire.h"

#include <glib.h>
#include <json-glib/json-glib.h>

#include "launch_common.h"

namespace device {
namespace launch {

namespace {

constexpr const char* kPayloadType = "(a{ss}a(sbas))";

void AddField(GVariantBuilder* fields, const char* name, const std::optional<std::string>& value)
{
    if (value)
        g_variant_builder_add(fields, "{ss}", name, value->c_str());
}

std::optional<std::string>* FieldSlot(app_control_s* handle, const char* name)
{
    if (g_strcmp0(name, kFieldOperation) == 0)
        return &handle->operation;
    if (g_strcmp0(name, kFieldUri) == 0)
        return &handle->uri;
    if (g_strcmp0(name, kFieldMime) == 0)
        return &handle->mime;
    if (g_strcmp0(name, kFieldAppId) == 0)
        return &handle->appId;
    return nullptr;
}

// Reads the header dictionary.
void ReadFields(GVariant* fields, app_control_s* handle, std::string* result, bool* wantsReply)
{
    GVariantIter iter;
    g_variant_iter_init(&iter, fields);
    const gchar* name = nullptr;
    const gchar* value = nullptr;
    while (g_variant_iter_next(&iter, "{&s&s}", &name, &value)) {
        if (std::optional<std::string>* slot = FieldSlot(handle, name)) {
            *slot = value;
        } else if (g_strcmp0(name, kFieldReply) == 0) {
            if (wantsReply)
                *wantsReply = g_strcmp0(value, "1") == 0;
        } else if (g_strcmp0(name, kFieldResult) == 0) {
            if (result)
                *result = value;
        }
        // Anything else (a sender-written "caller" for one) carries no meaning.
    }
}

bool ReadExtras(GVariant* extras, app_control_s* handle)
{
    GVariantIter iter;
    g_variant_iter_init(&iter, extras);
    const gchar* key = nullptr;
    gboolean isArray = FALSE;
    GVariantIter* next = nullptr;
    while (g_variant_iter_next(&iter, "(&sbas)", &key, &isArray, &next)) {
        g_autoptr(GVariantIter) values = next;
        ExtraValue extra;
        extra.isArray = isArray;
        const gchar* value = nullptr;
        while (g_variant_iter_next(values, "&s", &value))
            extra.values.emplace_back(value);
        if (key[0] == '\0') {
            LAUNCH_REFUSAL("rejected request: extra data with an empty key");
            return false;
        }
        if (!extra.isArray && extra.values.size() != 1) {
            LAUNCH_REFUSAL("rejected request: plain extra data [%s] with %zu values", key, extra.values.size());
            return false;
        }
        if (!handle->extras.emplace(key, std::move(extra)).second) {
            LAUNCH_REFUSAL("rejected request: extra data [%s] given twice", key);
            return false;
        }
    }
    return true;
}

// Extra data are arbitrary bytes: invalid UTF-8 becomes U+FFFD so every
// inbox line parses.
void AddJsonString(JsonBuilder* builder, const std::string& text)
{
    g_autofree gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    json_builder_add_string_value(builder, valid);
}

void AddJsonField(JsonBuilder* builder, const char* name, const std::optional<std::string>& value)
{
    json_builder_set_member_name(builder, name);
    if (value)
        AddJsonString(builder, *value);
    else
        json_builder_add_null_value(builder);
}

} // namespace

std::string Serialize(const app_control_s& handle, bool wantsReply, const std::string& result)
{
    GVariantBuilder fields;
    g_variant_builder_init(&fields, G_VARIANT_TYPE("a{ss}"));
    AddField(&fields, kFieldOperation, handle.operation);
    AddField(&fields, kFieldUri, handle.uri);
    AddField(&fields, kFieldMime, handle.mime);
    AddField(&fields, kFieldAppId, handle.appId);
    if (wantsReply)
        g_variant_builder_add(&fields, "{ss}", kFieldReply, "1");
    if (!result.empty())
        g_variant_builder_add(&fields, "{ss}", kFieldResult, result.c_str());

    GVariantBuilder extras;
    g_variant_builder_init(&extras, G_VARIANT_TYPE("a(sbas)"));
    for (const auto& [key, extra] : handle.extras) {
        GVariantBuilder values;
        g_variant_builder_init(&values, G_VARIANT_TYPE("as"));
        for (const std::string& value : extra.values)
            g_variant_builder_add(&values, "s", value.c_str());
        g_variant_builder_add(&extras, "(sbas)", key.c_str(), extra.isArray, &values);
    }
    g_autoptr(GVariant) payload = g_variant_ref_sink(g_variant_new(kPayloadType, &fields, &extras));
    return std::string(static_cast<const char*>(g_variant_get_data(payload)), g_variant_get_size(payload));
}

app_control_s* Parse(const std::string& payload, std::string* result, bool* wantsReply)
{
    if (wantsReply)
        *wantsReply = false;
    if (payload.size() > kMaxPayload) {
        LAUNCH_REFUSAL("rejected request: %zu bytes, more than %zu", payload.size(), kMaxPayload);
        return nullptr;
    }
    g_autoptr(GBytes) bytes = g_bytes_new(payload.data(), payload.size());
    g_autoptr(GVariant) value =
        g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE(kPayloadType), bytes, FALSE));
    // Untrusted bytes read back as defaults where they do not fit the type;
    // only the normal form is the serialization of a real request.
    if (!g_variant_is_normal_form(value)) {
        LAUNCH_REFUSAL("rejected request: %zu bytes that are not a serialized request", payload.size());
        return nullptr;
    }
    auto* handle = new app_control_s();
    handle->received = true;
    g_autoptr(GVariant) fields = g_variant_get_child_value(value, 0);
    g_autoptr(GVariant) extras = g_variant_get_child_value(value, 1);
    ReadFields(fields, handle, result, wantsReply);
    if (!ReadExtras(extras, handle)) {
        delete handle;
        return nullptr;
    }
    return handle;
}

std::string Frame(uint32_t magic, const std::string& payload)
{
    const uint32_t length = static_cast<uint32_t>(payload.size());
    std::string frame;
    frame.reserve(kFrameHeaderSize + payload.size());
    for (uint32_t word : {magic, length})
        for (int shift = 24; shift >= 0; shift -= 8)
            frame.push_back(static_cast<char>((word >> shift) & 0xff));
    frame.append(payload);
    return frame;
}

std::string InboxLine(const app_control_s& handle, const std::string& caller, long long timeSeconds)
{
    g_autoptr(JsonBuilder) builder = json_builder_new();
    json_builder_begin_object(builder);
    json_builder_set_member_name(builder, "time");
    json_builder_add_int_value(builder, timeSeconds);
    AddJsonField(builder, "caller", caller.empty() ? std::nullopt : std::optional<std::string>(caller));
    AddJsonField(builder, "app_id", handle.appId);
    AddJsonField(builder, "operation", handle.operation);
    AddJsonField(builder, "uri", handle.uri);
    AddJsonField(builder, "mime", handle.mime);
    json_builder_set_member_name(builder, "extras");
    json_builder_begin_object(builder);
    for (const auto& [key, extra] : handle.extras) {
        g_autofree gchar* validKey = g_utf8_make_valid(key.data(), static_cast<gssize>(key.size()));
        json_builder_set_member_name(builder, validKey);
        if (!extra.isArray) {
            AddJsonString(builder, extra.values.front());
            continue;
        }
        json_builder_begin_array(builder);
        for (const std::string& value : extra.values)
            AddJsonString(builder, value);
        json_builder_end_array(builder);
    }
    json_builder_end_object(builder);
    json_builder_end_object(builder);

    g_autoptr(JsonNode) root = json_builder_get_root(builder);
    g_autoptr(JsonGenerator) generator = json_generator_new();
    json_generator_set_root(generator, root); // compact: one object per line
    g_autofree gchar* text = json_generator_to_data(generator, nullptr);
    return std::string(text) + "\n";
}

} // namespace launch
} // namespace device
