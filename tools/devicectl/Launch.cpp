// devicectl launch: sends an application-control request like an app would.

#include "Commands.h"
#include "ToolText.h"

#include <device/app_control.h>
#include <device/host.h>

#include <glib.h>

#include <cstdio>

namespace devicectl {

namespace {

struct ReplyWait {
    GMainLoop* loop = nullptr;
    bool answered = false;
    app_control_result_e result = APP_CONTROL_RESULT_FAILED;
};

const char* ResultName(app_control_result_e result)
{
    switch (result) {
    case APP_CONTROL_RESULT_APP_STARTED:
        return "app started";
    case APP_CONTROL_RESULT_SUCCEEDED:
        return "succeeded";
    case APP_CONTROL_RESULT_FAILED:
        return "failed";
    case APP_CONTROL_RESULT_CANCELED:
        return "canceled";
    }
    return "unknown";
}

bool PrintExtra(app_control_h reply, const char* key, void*)
{
    char* value = nullptr;
    if (app_control_get_extra_data(reply, key, &value) == APP_CONTROL_ERROR_NONE)
        std::printf("  %s = %s\n", key, value ? value : "");
    else
        std::printf("  %s (array)\n", key);
    free(value);
    return true;
}

void OnReply(app_control_h, app_control_h reply, app_control_result_e result, void* data)
{
    auto* wait = static_cast<ReplyWait*>(data);
    if (wait->answered && result == APP_CONTROL_RESULT_APP_STARTED)
        return;
    std::printf("reply: %s\n", ResultName(result));
    if (reply)
        app_control_foreach_extra_data(reply, PrintExtra, nullptr);
    if (result == APP_CONTROL_RESULT_APP_STARTED)
        return; // the real answer follows
    wait->answered = true;
    wait->result = result;
    g_main_loop_quit(wait->loop);
}

gboolean OnTimeout(gpointer data)
{
    g_main_loop_quit(static_cast<ReplyWait*>(data)->loop);
    return G_SOURCE_REMOVE;
}

} // namespace

int Launch(const Args& args)
{
    ParsedArgs parsed = ParseArgs(args, {"--op", "--uri", "--extra", "--wait"}, {});
    if (!parsed.error.empty() || parsed.positional.size() != 1) {
        std::fprintf(stderr,
                     _("usage: devicectl launch APP [--op OP] [--uri URI] [--extra K=V]... [--wait SECONDS]\n"));
        return 2;
    }
    const std::string target = parsed.positional[0];
    gint64 waitSeconds = 10;
    if (parsed.Has("--wait") &&
        !g_ascii_string_to_signed(parsed.Get("--wait").c_str(), 10, 0, 3600, &waitSeconds, nullptr)) {
        std::fprintf(stderr, _("devicectl: --wait takes seconds (0 sends without waiting)\n"));
        return 2;
    }
    device::EnsureDefaultDevice();
    // An app without executable only gets the request recorded in its inbox:
    // nobody will answer, so do not wait.
    auto app = device::FindApp(target);
    if (app && app->executable.empty())
        waitSeconds = 0;
    // The receiver knows the sender by its executable: devicectl is a caller
    // only if it was installed as an application.

    app_control_h request = nullptr;
    if (app_control_create(&request) != APP_CONTROL_ERROR_NONE) {
        std::fprintf(stderr, _("devicectl: cannot create the request\n"));
        return 1;
    }
    int rc = app_control_set_app_id(request, target.c_str());
    if (rc == APP_CONTROL_ERROR_NONE && parsed.Has("--op"))
        rc = app_control_set_operation(request, parsed.Get("--op").c_str());
    if (rc == APP_CONTROL_ERROR_NONE && parsed.Has("--uri"))
        rc = app_control_set_uri(request, parsed.Get("--uri").c_str());
    for (const std::string& extra : parsed.GetAll("--extra")) {
        size_t eq = extra.find('=');
        if (rc != APP_CONTROL_ERROR_NONE)
            break;
        if (eq == std::string::npos || eq == 0) {
            std::fprintf(stderr, _("devicectl: --extra takes KEY=VALUE, got '%s'\n"), extra.c_str());
            app_control_destroy(request);
            return 2;
        }
        rc = app_control_add_extra_data(request, extra.substr(0, eq).c_str(), extra.substr(eq + 1).c_str());
    }
    if (rc != APP_CONTROL_ERROR_NONE) {
        std::fprintf(stderr, _("devicectl: cannot build the request (error %d)\n"), rc);
        app_control_destroy(request);
        return 1;
    }

    ReplyWait wait;
    wait.loop = g_main_loop_new(nullptr, FALSE);
    rc = app_control_send_launch_request(request, waitSeconds > 0 ? OnReply : nullptr, &wait);
    int exitCode = 0;
    if (rc != APP_CONTROL_ERROR_NONE) {
        std::fprintf(stderr, _("devicectl: launch of %s failed (error %d)\n"), target.c_str(), rc);
        exitCode = 1;
    } else {
        std::printf(_("sent to %s%s\n"), target.c_str(),
                    app && app->executable.empty() ? _(" (recorded in its inbox)") : "");
        if (waitSeconds > 0) {
            guint timer = g_timeout_add_seconds(static_cast<guint>(waitSeconds), OnTimeout, &wait);
            g_main_loop_run(wait.loop);
            if (!wait.answered) {
                std::printf(_("no reply within %lld s\n"), static_cast<long long>(waitSeconds));
                exitCode = 1;
            } else {
                g_source_remove(timer);
                exitCode = wait.result == APP_CONTROL_RESULT_SUCCEEDED ? 0 : 1;
            }
        }
    }
    g_main_loop_unref(wait.loop);
    app_control_destroy(request);
    return exitCode;
}

} // namespace devicectl
