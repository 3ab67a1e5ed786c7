#include "JobCommand.h"

#include <cstdio>

#include <glib.h>
#include <glib/gstdio.h>
#include <json-glib/json-glib.h>

#include <device/app_control.h>

namespace backupctl {
namespace {

constexpr const char* kServiceAppId = "com.velurio.weather-backuprestore";
constexpr const char* kOperationBase = "http://velurio.com/appcontrol/operation/velurio_cloud/";
constexpr guint kPollMs = 100;
// After the service answered "no" (or went away unanswered), a report may
// still be on its way only if a job had been queued; this long is enough.
constexpr gint64 kRefusalGraceUs = 1500 * 1000;
// The service queues the job (taking its ticket) before it replies. A ticket
// still lying there this long after sending means the request was not taken,
// even when a busy service has not said so yet.
constexpr gint64 kUntakenTicketUs = 10 * G_USEC_PER_SEC;

const char* OperationPath(cloud::JobType type)
{
    switch (type) {
    case cloud::JobType::Backup: return "backup";
    case cloud::JobType::Restore: return "restore";
    case cloud::JobType::GetInfo: return "get_backup_info";
    }
    return "";
}

struct Wait {
    GMainLoop* loop = nullptr;
    std::string reportPath;
    std::string ticketPath;
    gint64 sentAt = 0;
    bool replied = false;
    app_control_result_e result = APP_CONTROL_RESULT_SUCCEEDED;
    gint64 refusedAt = 0;
    gint64 deadline = 0;
    bool haveReport = false;
};

void OnReply(app_control_h, app_control_h, app_control_result_e result, void* data)
{
    auto* wait = static_cast<Wait*>(data);
    wait->replied = true;
    wait->result = result;
    if (result != APP_CONTROL_RESULT_SUCCEEDED && result != APP_CONTROL_RESULT_APP_STARTED)
        wait->refusedAt = g_get_monotonic_time();
}

gboolean OnPoll(gpointer data)
{
    auto* wait = static_cast<Wait*>(data);
    const gint64 now = g_get_monotonic_time();
    if (g_file_test(wait->reportPath.c_str(), G_FILE_TEST_EXISTS)) {
        wait->haveReport = true;
    } else if (wait->refusedAt == 0 && !wait->replied && now - wait->sentAt > kUntakenTicketUs &&
               g_file_test(wait->ticketPath.c_str(), G_FILE_TEST_EXISTS)) {
        wait->refusedAt = now - kRefusalGraceUs; // not taken: no report can come
    } else if (!(wait->refusedAt != 0 && now - wait->refusedAt > kRefusalGraceUs) && now < wait->deadline) {
        return G_SOURCE_CONTINUE;
    }
    g_main_loop_quit(wait->loop);
    return G_SOURCE_REMOVE;
}

const char* Text(JsonObject* object, const char* member)
{
    JsonNode* node = json_object_get_member(object, member);
    if (node == nullptr || JSON_NODE_HOLDS_NULL(node)) return nullptr;
    return json_node_get_string(node);
}

// Prints a report in human form; returns its status.
std::string PrintReport(const std::string& path, bool json)
{
    gchar* contents = nullptr;
    if (!g_file_get_contents(path.c_str(), &contents, nullptr, nullptr)) {
        std::fprintf(stderr, "backupctl: cannot read %s\n", path.c_str());
        return "";
    }
    JsonParser* parser = json_parser_new();
    std::string status;
    if (json_parser_load_from_data(parser, contents, -1, nullptr) && JSON_NODE_HOLDS_OBJECT(json_parser_get_root(parser))) {
        JsonObject* report = json_node_get_object(json_parser_get_root(parser));
        status = Text(report, "status") ? Text(report, "status") : "";
        if (json) {
            std::fputs(contents, stdout);
        } else {
            const char* error = Text(report, "error");
            const char* backupId = Text(report, "backup_id");
            std::printf("%s %s: %s%s%s\n", Text(report, "type"), Text(report, "id"), status.c_str(),
                        error && *error ? " - " : "", error ? error : "");
            if (backupId && *backupId) std::printf("  backup: %s\n", backupId);
            JsonArray* calls = json_object_get_array_member(report, "calls");
            std::printf("  calls:");
            for (guint i = 0; calls && i < json_array_get_length(calls); ++i)
                std::printf(" %s", json_array_get_string_element(calls, i));
            std::printf("\n");
            for (const char* member : {"keys", "records"}) {
                JsonArray* records = json_object_get_array_member(report, member);
                for (guint i = 0; records && i < json_array_get_length(records); ++i) {
                    JsonObject* r = json_array_get_object_element(records, i);
                    const char* key = Text(r, "key");
                    const char* date = Text(r, "date");
                    std::printf("  %s: key=%s date=%s", member, key ? key : "(none)", date ? date : "(none)");
                    if (json_object_has_member(r, "value")) {
                        const char* value = Text(r, "value");
                        std::printf(" value=%s%s", value ? value : "(none)",
                                    json_object_get_boolean_member(r, "failed") ? " [failed]" : "");
                    }
                    std::printf("\n");
                }
            }
        }
    } else {
        std::fprintf(stderr, "backupctl: %s is not a report\n", path.c_str());
    }
    g_object_unref(parser);
    g_free(contents);
    return status;
}

} // namespace

int RunJob(const JobOptions& options)
{
    cloud::Ticket ticket;
    ticket.id = cloud::NewTicketId();
    ticket.type = options.type;
    ticket.backupId = options.backupId;
    ticket.faults = options.faults;
    std::string error;
    if (!cloud::WriteTicket(ticket, &error)) {
        std::fprintf(stderr, "backupctl: cannot write the job ticket: %s\n", error.c_str());
        return kExitUsage;
    }
    const std::string ticketPath = cloud::TicketsDir() + "/" + ticket.id + ".ticket";

    app_control_h request = nullptr;
    app_control_create(&request);
    const std::string operation = std::string(kOperationBase) + OperationPath(options.type);
    app_control_set_operation(request, operation.c_str());
    app_control_set_app_id(request, kServiceAppId);

    Wait wait;
    wait.reportPath = cloud::ReportPath(ticket.id);
    wait.ticketPath = ticketPath;
    wait.sentAt = g_get_monotonic_time();
    wait.deadline = g_get_monotonic_time() + static_cast<gint64>(options.timeoutSeconds) * G_USEC_PER_SEC;
    int ret = app_control_send_launch_request(request, OnReply, &wait);
    if (ret != APP_CONTROL_ERROR_NONE) {
        app_control_destroy(request);
        g_unlink(ticketPath.c_str());
        std::fprintf(stderr, "backupctl: the launch request failed (%d)\n", ret);
        return kExitRefused;
    }
    wait.loop = g_main_loop_new(nullptr, FALSE);
    g_timeout_add(kPollMs, OnPoll, &wait);
    g_main_loop_run(wait.loop);
    g_main_loop_unref(wait.loop);
    app_control_destroy(request);

    if (!wait.haveReport) {
        // An unconsumed ticket would otherwise steer a later job.
        const bool taken = g_unlink(ticketPath.c_str()) != 0;
        if (wait.refusedAt != 0) {
            std::fprintf(stderr, "backupctl: the service refused the %s request (reply %d)\n",
                         cloud::JobTypeName(options.type), static_cast<int>(wait.result));
            return kExitRefused;
        }
        std::fprintf(stderr, "backupctl: no report of job %s within %d s (%s)\n", ticket.id.c_str(),
                     options.timeoutSeconds, taken ? "the job had started" : "the job never started");
        return kExitTimedOut;
    }
    return PrintReport(wait.reportPath, options.json) == "succeeded" ? kExitOk : kExitJobFailed;
}

} // namespace backupctl
