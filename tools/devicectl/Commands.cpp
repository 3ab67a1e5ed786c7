#include "Commands.h"

#include <device/host.h>
#include <device/preference.h>
#include <device/trusted_file.h>
#include <device/unique_fd.h>
#include <device/vconf.h>

#include <fcntl.h>
#include <glib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "ToolText.h"

namespace devicectl {

namespace {

std::string Shown(const std::string& text)
{
    return text.empty() ? "-" : text;
}

std::string FindType(const std::vector<device::StoredKey>& keys, const std::string& key)
{
    for (const auto& stored : keys) {
        if (stored.key == key)
            return stored.type;
    }
    return "";
}

bool ParseBool(const std::string& text, bool* value)
{
    if (text == "1" || g_ascii_strcasecmp(text.c_str(), "true") == 0) {
        *value = true;
        return true;
    }
    if (text == "0" || g_ascii_strcasecmp(text.c_str(), "false") == 0) {
        *value = false;
        return true;
    }
    return false;
}

bool ParseInt(const std::string& text, int* value)
{
    gint64 parsed = 0;
    if (!g_ascii_string_to_signed(text.c_str(), 10, G_MININT, G_MAXINT, &parsed, nullptr))
        return false;
    *value = static_cast<int>(parsed);
    return true;
}

bool ParseDouble(const std::string& text, double* value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    *value = g_ascii_strtod(text.c_str(), &end);
    return end && *end == '\0';
}

bool ValidType(const std::string& type)
{
    return type == "int" || type == "bool" || type == "double" || type == "string";
}

// Writes through `setInt` & co. so the stores' own rules and notifications apply.
template <typename Setters>
int SetTyped(const std::string& type, const std::string& key, const std::string& text, Setters setters)
{
    int rc = 0;
    if (type == "int") {
        int value;
        if (!ParseInt(text, &value)) {
            std::fprintf(stderr, _("devicectl: '%s' is not an int\n"), text.c_str());
            return 2;
        }
        rc = setters.Int(key, value);
    } else if (type == "bool") {
        bool value;
        if (!ParseBool(text, &value)) {
            std::fprintf(stderr, _("devicectl: '%s' is not a bool (true/false/1/0)\n"), text.c_str());
            return 2;
        }
        rc = setters.Bool(key, value);
    } else if (type == "double") {
        double value;
        if (!ParseDouble(text, &value)) {
            std::fprintf(stderr, _("devicectl: '%s' is not a number\n"), text.c_str());
            return 2;
        }
        rc = setters.Double(key, value);
    } else {
        rc = setters.String(key, text);
    }
    if (rc != 0) {
        std::fprintf(stderr, _("devicectl: cannot set %s (error %d)\n"), key.c_str(), rc);
        return 1;
    }
    std::printf("%s (%s) = %s\n", key.c_str(), type.c_str(), text.c_str());
    return 0;
}

struct VconfSetters {
    int Int(const std::string& k, int v) { return vconf_set_int(k.c_str(), v); }
    int Bool(const std::string& k, bool v) { return vconf_set_bool(k.c_str(), v ? 1 : 0); }
    int Double(const std::string& k, double v) { return vconf_set_dbl(k.c_str(), v); }
    int String(const std::string& k, const std::string& v) { return vconf_set_str(k.c_str(), v.c_str()); }
};

struct PreferenceSetters {
    int Int(const std::string& k, int v) { return preference_set_int(k.c_str(), v); }
    int Bool(const std::string& k, bool v) { return preference_set_boolean(k.c_str(), v); }
    int Double(const std::string& k, double v) { return preference_set_double(k.c_str(), v); }
    int String(const std::string& k, const std::string& v) { return preference_set_string(k.c_str(), v.c_str()); }
};

void PrintKeys(const std::vector<device::StoredKey>& keys, const char* indent)
{
    size_t width = 0;
    for (const auto& key : keys)
        width = std::max(width, key.key.size());
    for (const auto& key : keys) {
        std::string value = key.type == "string" ? "\"" + key.value + "\"" : key.value;
        std::printf("%s%-*s  %-6s  %s\n", indent, static_cast<int>(width), key.key.c_str(), key.type.c_str(),
                    value.c_str());
    }
}

void PrintApps()
{
    auto apps = device::InstalledApps();
    if (apps.empty()) {
        std::printf(_("  (none)\n"));
        return;
    }
    for (const auto& app : apps) {
        std::printf("  %s\n", app.appId.c_str());
        std::printf("    package     %s\n", app.pkgId.c_str());
        std::printf("    certificate %s\n", app.certificate.empty() ? "(unsigned)" : app.certificate.c_str());
        std::printf("    executable  %s\n",
                    app.executable.empty() ? "(none: requests go to the inbox)" : app.executable.c_str());
        std::printf("    version     %s\n", Shown(app.version).c_str());
    }
}

bool ReadFile(const std::string& path, std::string* content)
{
    return device::ReadRegularFile(path, 64u * 1024u * 1024u, content) == device::ReadStatus::Ok;
}

bool SafeName(const std::string& name)
{
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

} // namespace

bool ParsedArgs::Has(const std::string& name) const
{
    return std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.first == name; });
}

std::string ParsedArgs::Get(const std::string& name, const std::string& fallback) const
{
    for (auto it = options.rbegin(); it != options.rend(); ++it) {
        if (it->first == name)
            return it->second;
    }
    return fallback;
}

std::vector<std::string> ParsedArgs::GetAll(const std::string& name) const
{
    std::vector<std::string> values;
    for (const auto& option : options) {
        if (option.first == name)
            values.push_back(option.second);
    }
    return values;
}

ParsedArgs ParseArgs(const Args& args, const std::vector<std::string>& valued, const std::vector<std::string>& flags)
{
    ParsedArgs parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 1 && arg[0] == '-') {
            if (std::find(flags.begin(), flags.end(), arg) != flags.end()) {
                parsed.options.emplace_back(arg, "");
            } else if (std::find(valued.begin(), valued.end(), arg) != valued.end()) {
                if (i + 1 >= args.size()) {
                    parsed.error = tools::Format(_("%s needs a value"), arg.c_str());
                    return parsed;
                }
                parsed.options.emplace_back(arg, args[++i]);
            } else {
                parsed.error = tools::Format(_("unknown option %s"), arg.c_str());
                return parsed;
            }
        } else {
            parsed.positional.push_back(arg);
        }
    }
    return parsed;
}

int Init()
{
    if (!device::EnsureDefaultDevice()) {
        std::fprintf(stderr, _("devicectl: cannot use the device: %s\n"), device::SetupError().c_str());
        return 1;
    }
    std::printf(_("device ready at %s\n"), device::Root().c_str());
    return 0;
}

int Show()
{
    if (!device::EnsureDefaultDevice()) {
        std::fprintf(stderr, _("devicectl: cannot use the device: %s\n"), device::SetupError().c_str());
        return 1;
    }
    const std::string root = device::Root();
    std::printf(_("Device root: %s\n\n"), root.c_str());
    std::printf(_("Layout:\n"));
    std::printf("  registry      %s\n", device::RegistryPath().c_str());
    std::printf("  log           %s\n", device::LogPath().c_str());
    std::printf("  system keys   %s\n", device::VconfStorePath().c_str());
    std::printf("  preferences   %s/preference/<app>.ini\n", root.c_str());
    std::printf("  power locks   %s<type>\n", device::PowerDir().c_str());
    std::printf("  inbox         %s<app>.jsonl\n", device::InboxDir().c_str());
    std::printf("  packages      %s/apps/<pkg>/{data,res,shared/data,shared/res,shared/trusted}/\n", root.c_str());
    std::printf("  service       %s\n\n", device::ServiceBinary().c_str());

    std::printf(_("Installed applications:\n"));
    PrintApps();

    std::printf(_("\nSystem keys:\n"));
    PrintKeys(device::SystemKeys(), "  ");

    std::printf(_("\nPower locks:\n"));
    auto locks = device::ActivePowerLocks();
    if (locks.empty())
        std::printf(_("  (none)\n"));
    for (const auto& lock : locks) {
        long long left = lock.expiresAtMs ? lock.expiresAtMs - g_get_real_time() / 1000 : 0;
        std::printf("  %-11s pid %d  %s  %s\n", lock.type.c_str(), lock.pid, Shown(lock.appId).c_str(),
                    lock.expiresAtMs ? (std::to_string(left) + " ms left").c_str() : "until released");
    }

    std::printf(_("\nPreferences:\n"));
    auto owners = device::PreferenceOwners();
    if (owners.empty())
        std::printf(_("  (none)\n"));
    for (const auto& owner : owners) {
        std::printf("  %s\n", owner.c_str());
        PrintKeys(device::Preferences(owner), "    ");
    }
    return 0;
}

int Apps()
{
    PrintApps();
    return 0;
}

int Install(const Args& args)
{
    ParsedArgs parsed = ParseArgs(args, {"--pkg", "--cert", "--exec", "--version"}, {});
    if (!parsed.error.empty() || parsed.positional.size() != 1 || !parsed.Has("--pkg")) {
        std::fprintf(stderr, _("usage: devicectl install APP --pkg PKG [--cert CERT] [--exec PATH] [--version V]\n"));
        return 2;
    }
    device::AppInfo app{parsed.positional[0], parsed.Get("--pkg"), parsed.Get("--cert"), parsed.Get("--exec"),
                        parsed.Get("--version", "1.0.0")};
    if (!device::InstallApp(app)) {
        std::fprintf(stderr, _("devicectl: cannot install %s\n"), app.appId.c_str());
        return 1;
    }
    std::printf(_("installed %s in package %s (%s)\n"), app.appId.c_str(), app.pkgId.c_str(),
                app.certificate.empty() ? "unsigned" : app.certificate.c_str());
    return 0;
}

int Uninstall(const Args& args)
{
    if (args.size() != 1) {
        std::fprintf(stderr, _("usage: devicectl uninstall APP\n"));
        return 2;
    }
    if (!device::UninstallApp(args[0])) {
        std::fprintf(stderr, _("devicectl: %s is not installed\n"), args[0].c_str());
        return 1;
    }
    std::printf(_("uninstalled %s\n"), args[0].c_str());
    return 0;
}

int Key(const Args& args)
{
    ParsedArgs parsed = ParseArgs(args, {"--type"}, {});
    const auto& pos = parsed.positional;
    if (!parsed.error.empty() || pos.empty()) {
        std::fprintf(stderr, _("usage: devicectl key get KEY | key set KEY VALUE [--type T] | key unset KEY\n"));
        return 2;
    }
    device::EnsureDefaultDevice();
    auto keys = device::SystemKeys();
    if (pos[0] == "get" && pos.size() == 2) {
        for (const auto& key : keys) {
            if (key.key == pos[1]) {
                std::printf("%s (%s) = %s\n", key.key.c_str(), key.type.c_str(), key.value.c_str());
                return 0;
            }
        }
        std::fprintf(stderr, _("devicectl: no system key %s\n"), pos[1].c_str());
        return 1;
    }
    if (pos[0] == "set" && pos.size() == 3) {
        std::string type = parsed.Get("--type", FindType(keys, pos[1]));
        if (type.empty())
            type = "string";
        if (!ValidType(type)) {
            std::fprintf(stderr, _("devicectl: unknown type %s\n"), type.c_str());
            return 2;
        }
        return SetTyped(type, pos[1], pos[2], VconfSetters());
    }
    if (pos[0] == "unset" && pos.size() == 2) {
        if (vconf_unset(pos[1].c_str()) != VCONF_OK) {
            std::fprintf(stderr, _("devicectl: no system key %s\n"), pos[1].c_str());
            return 1;
        }
        std::printf(_("unset %s\n"), pos[1].c_str());
        return 0;
    }
    std::fprintf(stderr, _("usage: devicectl key get KEY | key set KEY VALUE [--type T] | key unset KEY\n"));
    return 2;
}

int Pref(const Args& args)
{
    ParsedArgs parsed = ParseArgs(args, {"--app", "--type"}, {});
    const auto& pos = parsed.positional;
    const std::string app = parsed.Get("--app");
    if (!parsed.error.empty() || pos.empty() || app.empty() ||
        !((pos[0] == "get" && pos.size() == 2) || (pos[0] == "set" && pos.size() == 3))) {
        std::fprintf(stderr, _("usage: devicectl pref get --app APP KEY | pref set --app APP KEY VALUE [--type T]\n"));
        return 2;
    }
    if (!SafeName(app)) {
        std::fprintf(stderr, _("devicectl: bad application id %s\n"), app.c_str());
        return 2;
    }
    // Preferences belong to the calling application: act as APP.
    g_setenv(device::kAppIdEnv, app.c_str(), TRUE);
    auto prefs = device::Preferences(app);
    if (pos[0] == "get") {
        for (const auto& key : prefs) {
            if (key.key == pos[1]) {
                std::printf("%s (%s) = %s\n", key.key.c_str(), key.type.c_str(), key.value.c_str());
                return 0;
            }
        }
        std::fprintf(stderr, _("devicectl: %s has no preference %s\n"), app.c_str(), pos[1].c_str());
        return 1;
    }
    std::string type = parsed.Get("--type", FindType(prefs, pos[1]));
    if (type.empty())
        type = "string";
    if (!ValidType(type)) {
        std::fprintf(stderr, _("devicectl: unknown type %s\n"), type.c_str());
        return 2;
    }
    return SetTyped(type, pos[1], pos[2], PreferenceSetters());
}

int Inbox(const Args& args)
{
    if (args.size() != 1 || !SafeName(args[0])) {
        std::fprintf(stderr, _("usage: devicectl inbox APP\n"));
        return 2;
    }
    std::string content;
    if (!ReadFile(device::InboxDir() + args[0] + ".jsonl", &content)) {
        std::printf(_("no requests recorded for %s\n"), args[0].c_str());
        return 0;
    }
    std::fwrite(content.data(), 1, content.size(), stdout);
    return 0;
}

int Log(const Args& args)
{
    ParsedArgs parsed = ParseArgs(args, {}, {"-f"});
    if (!parsed.error.empty() || !parsed.positional.empty()) {
        std::fprintf(stderr, _("usage: devicectl log [-f]\n"));
        return 2;
    }
    const std::string path = device::LogPath();
    // Through the seam like every file of the root: a FIFO or a link planted
    // there is refused, never read.
    auto open = [&path]() -> FILE* {
        device::UniqueFd fd;
        if (device::OpenTrustedFile(path, O_RDONLY, &fd) != device::FileTrust::Ok)
            return nullptr;
        FILE* stream = fdopen(fd.Get(), "r");
        if (stream)
            fd.Release();
        return stream;
    };
    FILE* file = open();
    if (!file && !device::LastTrustRefusal().empty()) {
        std::fprintf(stderr, "%s\n", device::LastTrustRefusal().c_str());
        return 1;
    }
    if (!file && !parsed.Has("-f")) {
        std::printf(_("no log yet at %s\n"), path.c_str());
        return 0;
    }
    char buffer[4096];
    for (;;) {
        if (file) {
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
                std::fwrite(buffer, 1, n, stdout);
            std::fflush(stdout);
            std::clearerr(file);
        }
        if (!parsed.Has("-f"))
            break;
        g_usleep(200 * 1000);
        if (!file)
            file = open();
    }
    if (file)
        std::fclose(file);
    return 0;
}

} // namespace devicectl
