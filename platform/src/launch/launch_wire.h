#ifndef DEVICE_LAUNCH_WIRE_H
#define DEVICE_LAUNCH_WIRE_H

// Serialized form of requests and replies: a GVariant "(a{ss}a(sbas))" of
// host-layer header fields and extra data. The sender's identity is never part
// of it; unknown header fields are ignored.

#include <string>

#include "../app_control_handle.h"

namespace device {
namespace launch {

// Header fields.
constexpr const char* kFieldOperation = "operation";
constexpr const char* kFieldUri = "uri";
constexpr const char* kFieldMime = "mime";
constexpr const char* kFieldAppId = "app_id";
constexpr const char* kFieldReply = "reply";   // requests: "1" when the sender waits for a reply
constexpr const char* kFieldResult = "result"; // replies: app_control_result_e

// Payload of a handle; the reply flag is written when set, result when non-empty.
std::string Serialize(const app_control_s& handle, bool wantsReply, const std::string& result);

// Parses an untrusted payload into a new received handle, or returns null
// after logging why (a refusal: counted, see LAUNCH_REFUSAL). `result`
// receives the result field (may be empty), `wantsReply` the reply flag.
app_control_s* Parse(const std::string& payload, std::string* result, bool* wantsReply = nullptr);

// Frame = 4-byte magic + 4-byte length (big endian) + payload.
std::string Frame(uint32_t magic, const std::string& payload);

// One JSON line (with its newline) for an application's inbox.
std::string InboxLine(const app_control_s& handle, const std::string& caller, long long timeSeconds);

} // namespace launch
} // namespace device

#endif
