#ifndef DEVICE_APP_CONTROL_HANDLE_H
#define DEVICE_APP_CONTROL_HANDLE_H

// What an application-control handle holds. Shared by the handle functions,
// the wire format and the launch transport.

#include <device/app_control.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct ExtraValue {
    bool isArray = false;
    std::vector<std::string> values; // exactly one for a plain value
};

struct app_control_s {
    std::optional<std::string> operation;
    std::optional<std::string> uri;
    std::optional<std::string> mime;
    std::optional<std::string> appId;
    std::map<std::string, ExtraValue> extras;

    // Set only by the host layer on handles it delivers: whether the handle
    // was received, who sent it (as the host knows the sender; empty when the
    // sender has no identity) and the connection its reply goes back on (0:
    // no reply wanted). Never read from the request's own fields.
    bool received = false;
    std::string caller;
    uint64_t replyTicket = 0;
};

#endif
