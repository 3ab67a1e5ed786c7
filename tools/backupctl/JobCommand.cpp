#include "JobCommand.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <glib.h>
#include <glib/gstdio.h>
#include <json-glib/json-glib.h>

#include <device/app_control.h>
#include <device/host.h>

#include "ToolText.h"

namespace backupctl {
namespace {

constexpr const char* kServiceAppId = "com.velurio.weather-backuprestore";
constexpr const char* kOperationBase = "http://velurio.com/appcontrol/operation/velurio_cloud/";
constexpr guint kPollMs = 100;
constexpr size_t kMaxReportSize = 16u * 1024u * 1024u;
// After the service answered "no" (or went away unanswered), a report may
// still be on its way only if a job had been queued; this long is enough.
constexpr gint64 kRefusalGraceUs = 1500 * 1000;
// A service found not running this long after the request, with no report
// and no answer, ended without doing the job.
constexpr gint64 kGoneGraceUs = 500 * 1000;

const char* OperationPath(cloud::JobType type)
{
    switch (type) {
    case cloud::JobType::Backup:
        return "backup";
    case cloud::JobType::Restore:
        return "restore";
    case cloud::JobType::GetInfo:
        return "get_backup_info";
    }
    return "";
}

struct Wait {
    GMainLoop* loop = nullptr;
    std::string reportPath;
    bool replied = false;
    app_control_result_e result = APP_CONTROL_RESULT_SUCCEEDED;
    gint64 refusedAt = 0;
    gint64 goneSince = 0;
    bool gone = false;
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
    } else if (wait->refusedAt == 0 && !device::IsAppRunning(kServiceAppId)) {
        // Ended without a report and without an answer: killed, or crashed.
        if (wait->goneSince == 0)
            wait->goneSince = now;
        wait->gone = now - wait->goneSince > kGoneGraceUs;
        if (!wait->gone)
            return G_SOURCE_CONTINUE;
    } else if (!(wait->refusedAt != 0 && now - wait->refusedAt > kRefusalGraceUs) && now < wait->deadline) {
        wait->goneSince = 0;
        return G_SOURCE_CONTINUE;
    }
    g_main_loop_quit(wait->loop);
    return G_SOURCE_REMOVE;
}

// A string member, or nullptr when it is missing, null or of another type.
const char* Text(JsonObject* object, const char* member)
{
    JsonNode* node = object ? json_object_get_member(object, member) : nullptr;
    if (node == nullptr || JSON_NODE_TYPE(node) != JSON_NODE_VALUE || json_node_get_value_type(node) != G_TYPE_STRING)
        return nullptr;
    return json_node_get_string(node);
}

const char* TextOr(JsonObject* object, const char* member, const char* fallback)
{
    const char* text = Text(object, member);
    return text ? text : fallback;
}

// An array member, or nullptr when it is missing or of another type.
JsonArray* Array(JsonObject* object, const char* member)
{
    JsonNode* node = json_object_get_member(object, member);
    return node && JSON_NODE_HOLDS_ARRAY(node) ? json_node_get_array(node) : nullptr;
}

// The report in human form. Members of the wrong type read as absent: the
// file is another process's output.
void PrintHuman(JsonObject* report, const std::string& status)
{
    const char* error = Text(report, "error");
    const char* backupId = Text(report, "backup_id");
    std::printf("%s %s: %s%s%s\n", TextOr(report, "type", "(none)"), TextOr(report, "id", "(none)"), status.c_str(),
                error && *error ? " - " : "", error ? error : "");
    if (backupId && *backupId)
        std::printf(_("  backup: %s\n"), backupId);
    JsonArray* calls = Array(report, "calls");
    std::printf("  calls:");
    for (guint i = 0; calls && i < json_array_get_length(calls); ++i) {
        JsonNode* call = json_array_get_element(calls, i);
        if (JSON_NODE_HOLDS_VALUE(call) && json_node_get_value_type(call) == G_TYPE_STRING)
            std::printf(" %s", json_node_get_string(call));
    }
    std::printf("\n");
    for (const char* member : {"keys", "records"}) {
        JsonArray* records = Array(report, member);
        for (guint i = 0; records && i < json_array_get_length(records); ++i) {
            JsonNode* node = json_array_get_element(records, i);
            if (!JSON_NODE_HOLDS_OBJECT(node))
                continue;
            JsonObject* r = json_node_get_object(node);
            std::printf("  %s: key=%s date=%s", member, TextOr(r, "key", "(none)"), TextOr(r, "date", "(none)"));
            if (json_object_has_member(r, "value"))
                std::printf(" value=%s%s", TextOr(r, "value", "(none)"),
                            json_object_get_boolean_member_with_default(r, "failed", FALSE) ? " [failed]" : "");
            std::printf("\n");
        }
    }
}

// Prints a report; returns its status, empty when it cannot be read or has none.
std::string PrintReport(const std::string& path, bool json)
{
    std::string text;
    if (device::ReadRegularFile(path, kMaxReportSize, &text) != device::ReadStatus::Ok) {
        std::fprintf(stderr, _("backupctl: cannot read the report %s\n"), path.c_str());
        return "";
    }
    g_autoptr(JsonParser) parser = json_parser_new();
    if (!json_parser_load_from_data(parser, text.c_str(), -1, nullptr) ||
        !JSON_NODE_HOLDS_OBJECT(json_parser_get_root(parser))) {
        std::fprintf(stderr, _("backupctl: %s is not a report\n"), path.c_str());
        return "";
    }
    JsonObject* report = json_node_get_object(json_parser_get_root(parser));
    const std::string status = TextOr(report, "status", "");
    if (json)
        std::fputs(text.c_str(), stdout);
    else
        PrintHuman(report, status);
    if (status.empty())
        std::fprintf(stderr, _("backupctl: the report %s has no status\n"), path.c_str());
    return status;
}

// Why reports could not be written to `dir`, or "" when they can.
std::string ReportDirProblem(const std::string& dir)
{
    if (!device::MakePrivateDirs(dir))
        return tools::Format(_("cannot create %s"), dir.c_str());
    if (access(dir.c_str(), W_OK | X_OK) != 0)
        return tools::Format(_("%s is not writable: %s"), dir.c_str(), g_strerror(errno));
    return "";
}

// A finite file size limit is inherited by a service this process starts.
std::string FileSizeLimitNote()
{
    struct rlimit limit {};
    if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return "";
    return tools::Format(
        _(" (this shell limits file sizes to %llu bytes, and a service started from here inherits the limit)"),
        static_cast<unsigned long long>(limit.rlim_cur));
}

} // namespace

int RunJob(const JobOptions& options)
{
    // Checked first: the service writes the report there, and waiting for a
    // report that cannot be written would only end in a time-out.
    const std::string problem = ReportDirProblem(cloud::ReportsDir());
    if (!problem.empty()) {
        std::fprintf(stderr, _("backupctl: no job report could be written: %s\n"), problem.c_str());
        return kExitReportError;
    }
    cloud::JobParameters parameters;
    parameters.id = cloud::NewJobId();
    parameters.backupId = options.backupId;
    parameters.faults = options.faults;

    app_control_h request = nullptr;
    app_control_create(&request);
    const std::string operation = std::string(kOperationBase) + OperationPath(options.type);
    app_control_set_operation(request, operation.c_str());
    app_control_set_app_id(request, kServiceAppId);
    cloud::AddJobParameters(request, parameters);

    Wait wait;
    wait.reportPath = cloud::ReportPath(parameters.id);
    wait.deadline = g_get_monotonic_time() + static_cast<gint64>(options.timeoutSeconds) * G_USEC_PER_SEC;
    int ret = app_control_send_launch_request(request, OnReply, &wait);
    if (ret == APP_CONTROL_ERROR_LAUNCH_REJECTED) {
        app_control_destroy(request);
        std::fprintf(stderr, _("backupctl: the service rejected the %s request\n"), cloud::JobTypeName(options.type));
        return kExitRefused;
    }
    if (ret == APP_CONTROL_ERROR_LAUNCH_FAILED) {
        app_control_destroy(request);
        std::fprintf(stderr, _("backupctl: the service could not start or ended before it took the %s request%s\n"),
                     cloud::JobTypeName(options.type), FileSizeLimitNote().c_str());
        return kExitServiceDied;
    }
    if (ret != APP_CONTROL_ERROR_NONE) {
        app_control_destroy(request);
        std::fprintf(stderr, _("backupctl: the %s request did not reach the service (error %d)\n"),
                     cloud::JobTypeName(options.type), ret);
        return kExitNotDelivered;
    }
    wait.loop = g_main_loop_new(nullptr, FALSE);
    g_timeout_add(kPollMs, OnPoll, &wait);
    g_main_loop_run(wait.loop);
    g_main_loop_unref(wait.loop);
    app_control_destroy(request);

    if (!wait.haveReport) {
        if (wait.refusedAt != 0) {
            std::fprintf(stderr, _("backupctl: the service refused the %s request (reply %d)\n"),
                         cloud::JobTypeName(options.type), static_cast<int>(wait.result));
            return kExitRefused;
        }
        if (wait.gone) {
            std::fprintf(stderr, _("backupctl: the service ended without finishing job %s%s\n"), parameters.id.c_str(),
                         FileSizeLimitNote().c_str());
            return kExitServiceDied;
        }
        std::fprintf(stderr, _("backupctl: no report of job %s within %d s; the service is still running\n"),
                     parameters.id.c_str(), options.timeoutSeconds);
        return kExitTimedOut;
    }
    const std::string status = PrintReport(wait.reportPath, options.json);
    if (status.empty())
        return kExitReportError;
    return status == "succeeded" ? kExitOk : kExitJobFailed;
}

} // namespace backupctl
