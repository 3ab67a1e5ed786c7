// backupctl: plays the cloud backup client against the weather backup service
// on the host device, and shows what the cloud and the settings hold.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <glib.h>
#include <json-glib/json-glib.h>

#include <device/host.h>
#include <device/host_locale.h>

#include "JobCommand.h"
#include "SettingsStore.h"
#include "ToolText.h"

namespace {

constexpr const char* kClientAppId = "com.velurio.cloud-backup-client";

void Usage(FILE* out)
{
    std::fputs(_("usage: backupctl [--json] COMMAND [ARGS]\n"), out);
    std::fprintf(out,
                 _("  backup [--fault NAME]...          back the settings up into a new stored backup\n"
                   "  restore [ID] [--fault NAME]...    restore a stored backup (default: the newest)\n"
                   "  info [--fault NAME]...            ask which records a backup would hold\n"
                   "  list                              stored backups with dates, sizes and values\n"
                   "  settings                          the backed-up settings in the settings database\n"
                   "  set KEY VALUE                     change one of them, KEY one of\n"
                   "                                    %s\n"
                   "Job options: --timeout SECONDS (default 30). Faults: list_create move_first move_next\n"
                   "get_current no_key no_value two_records empty_file complete_failed complete_never.\n"
                   "Exit: 0 done, 1 job failed, 2 usage or local error, 3 refused by the service,\n"
                   "4 no report in time (service still running), 5 request not delivered, 6 service ended\n"
                   "without finishing the job, 7 report directory not writable or report unreadable.\n"
                   "The device root is $WEATHER_DEVICE_ROOT, else $HOME/.weather-device.\n"),
                 backupctl::SettingKeys().c_str());
}

std::string DateText(int64_t ms)
{
    g_autoptr(GDateTime) time = g_date_time_new_from_unix_local(ms / 1000);
    if (time == nullptr)
        return "?";
    g_autofree gchar* text = g_date_time_format(time, "%Y-%m-%d %H:%M:%S");
    return text ? text : "?";
}

void PrintJson(JsonBuilder* builder)
{
    g_autoptr(JsonNode) root = json_builder_get_root(builder);
    g_autoptr(JsonGenerator) generator = json_generator_new();
    json_generator_set_root(generator, root);
    json_generator_set_pretty(generator, TRUE);
    g_autofree gchar* text = json_generator_to_data(generator, nullptr);
    std::printf("%s\n", text);
}

void AddOptString(JsonBuilder* builder, const char* name, const std::optional<std::string>& text)
{
    json_builder_set_member_name(builder, name);
    if (text)
        json_builder_add_string_value(builder, text->c_str());
    else
        json_builder_add_null_value(builder);
}

int List(bool json)
{
    std::vector<cloud::StoredBackup> backups = cloud::ListBackups();
    if (json) {
        g_autoptr(JsonBuilder) builder = json_builder_new();
        json_builder_begin_array(builder);
        for (const cloud::StoredBackup& b : backups) {
            json_builder_begin_object(builder);
            json_builder_set_member_name(builder, "id");
            json_builder_add_string_value(builder, b.id.c_str());
            json_builder_set_member_name(builder, "created_ms");
            json_builder_add_int_value(builder, b.createdMs);
            json_builder_set_member_name(builder, "file_size");
            json_builder_add_int_value(builder, b.fileSize);
            json_builder_set_member_name(builder, "records");
            json_builder_begin_array(builder);
            for (const cloud::Record& r : b.records) {
                json_builder_begin_object(builder);
                AddOptString(builder, "key", r.key);
                AddOptString(builder, "date", r.date);
                AddOptString(builder, "value", r.value);
                json_builder_end_object(builder);
            }
            json_builder_end_array(builder);
            json_builder_end_object(builder);
        }
        json_builder_end_array(builder);
        PrintJson(builder);
        return 0;
    }
    if (backups.empty())
        std::printf(_("no stored backup\n"));
    for (const cloud::StoredBackup& b : backups) {
        std::printf(_("%s  %s  %lld bytes  %zu record(s)\n"), b.id.c_str(), DateText(b.createdMs).c_str(),
                    static_cast<long long>(b.fileSize), b.records.size());
        for (const cloud::Record& r : b.records)
            std::printf("  key=%s date=%s value=%s\n", r.key ? r.key->c_str() : "(none)",
                        r.date ? r.date->c_str() : "(none)", r.value ? r.value->c_str() : "(none)");
    }
    return 0;
}

// "NotificationPopup" -> "notificationPopup": a second column's JSON name.
std::string JsonName(const char* column)
{
    std::string name = column;
    if (!name.empty())
        name[0] = static_cast<char>(g_ascii_tolower(name[0]));
    return name;
}

std::string ValueText(const backupctl::StoredSetting& stored, long long value, const char* yes, const char* no)
{
    if (stored.setting->type == BackupValueType::Boolean)
        return value ? yes : no;
    return std::to_string(value);
}

int ShowSettings(bool json)
{
    backupctl::Settings settings;
    std::string error;
    if (!backupctl::ReadSettings(backupctl::SettingsDbPath(), settings, error)) {
        std::fprintf(stderr, "backupctl: %s\n", error.c_str());
        return backupctl::kExitUsage;
    }
    std::string out;
    for (const backupctl::StoredSetting& stored : settings) {
        const BackedUpSetting& setting = *stored.setting;
        if (json) {
            out += std::string(out.empty() ? "{" : ",") + "\"" + setting.key +
                   "\":" + ValueText(stored, stored.value, "true", "false");
            if (setting.alsoColumn)
                out +=
                    ",\"" + JsonName(setting.alsoColumn) + "\":" + ValueText(stored, stored.alsoValue, "true", "false");
        } else {
            char line[128];
            std::snprintf(line, sizeof(line), "%-26s%s", setting.key,
                          ValueText(stored, stored.value, "true", "false").c_str());
            out += line;
            if (setting.alsoColumn)
                out += std::string(" (") + setting.alsoLabel + " " + ValueText(stored, stored.alsoValue, "on", "off") +
                       ")";
            out += "\n";
        }
    }
    if (json)
        out += "}\n";
    std::fputs(out.c_str(), stdout);
    return 0;
}

// What the command line asks for.
struct Invocation {
    bool json = false;
    std::vector<std::string> args;
    backupctl::JobOptions options;
    std::string faultText;
};

// -1 to go on; otherwise the exit code (help shown, or a usage error).
int ParseArguments(int argc, char** argv, Invocation& invocation)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--json") {
            invocation.json = true;
        } else if ((arg == "--fault" || arg == "--timeout") && i + 1 < argc) {
            std::string value = argv[++i];
            if (arg == "--fault") {
                invocation.faultText += value + ",";
            } else {
                invocation.options.timeoutSeconds = atoi(value.c_str());
                if (invocation.options.timeoutSeconds <= 0 || invocation.options.timeoutSeconds > 3600) {
                    std::fprintf(stderr, _("backupctl: invalid timeout %s\n"), value.c_str());
                    return backupctl::kExitUsage;
                }
            }
        } else if (arg == "-h" || arg == "--help") {
            Usage(stdout);
            return 0;
        } else if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, _("backupctl: unknown option %s\n"), arg.c_str());
            Usage(stderr);
            return backupctl::kExitUsage;
        } else {
            invocation.args.push_back(arg);
        }
    }
    if (invocation.args.empty()) {
        Usage(stderr);
        return backupctl::kExitUsage;
    }
    std::vector<std::string> unknown;
    invocation.options.faults = cloud::ParseFaults(invocation.faultText, &unknown);
    if (!unknown.empty()) {
        std::fprintf(stderr, _("backupctl: unknown fault %s\n"), unknown.front().c_str());
        return backupctl::kExitUsage;
    }
    invocation.options.json = invocation.json;
    return -1;
}

int RunCommand(Invocation& invocation)
{
    const std::vector<std::string>& args = invocation.args;
    backupctl::JobOptions& options = invocation.options;
    const std::string& command = args[0];
    const size_t extra = args.size() - 1;
    if ((command == "backup" || command == "info") && extra == 0) {
        options.type = command == "backup" ? cloud::JobType::Backup : cloud::JobType::GetInfo;
        return backupctl::RunJob(options);
    }
    if (command == "restore" && extra <= 1) {
        options.type = cloud::JobType::Restore;
        if (extra == 1) {
            options.backupId = args[1];
            if (!cloud::LoadBackup(options.backupId)) {
                std::fprintf(stderr, _("backupctl: no stored backup %s\n"), options.backupId.c_str());
                return backupctl::kExitUsage;
            }
        }
        return backupctl::RunJob(options);
    }
    if (command == "list" && extra == 0)
        return List(invocation.json);
    if (command == "settings" && extra == 0)
        return ShowSettings(invocation.json);
    if (command == "set" && extra == 2) {
        std::string error;
        if (!backupctl::WriteSetting(backupctl::SettingsDbPath(), args[1], args[2], error)) {
            std::fprintf(stderr, "backupctl: %s\n", error.c_str());
            return backupctl::kExitUsage;
        }
        return ShowSettings(invocation.json);
    }
    Usage(stderr);
    return backupctl::kExitUsage;
}

} // namespace

int main(int argc, char** argv)
{
    // Its own files are the client's; the service knows it as the client
    // because the device registers this executable for that application.
    g_setenv(device::kAppIdEnv, kClientAppId, TRUE);

    Invocation invocation;
    const int parsed = ParseArguments(argc, argv, invocation);
    if (parsed >= 0)
        return parsed;
    if (!device::EnsureDefaultDevice()) {
        std::fprintf(stderr, _("backupctl: cannot use the device: %s\n"), device::SetupError().c_str());
        return backupctl::kExitUsage;
    }
    device::AdoptDeviceLocale();
    return RunCommand(invocation);
}
