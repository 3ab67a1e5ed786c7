#include "Render.h"

#include <sys/wait.h>

#include <cstdio>

#include <glib.h>

#include <device/host.h>
#include <device/system_keys.h>

#include "CityView.h"
#include "FacePage.h"
#include "ToolText.h"
#include "WatchView.h"

namespace weatherctl {

namespace {

bool AllOf(const std::string& text, size_t from, size_t to, bool (*test)(char))
{
    for (size_t i = from; i < to; ++i) {
        if (!test(text[i]))
            return false;
    }
    return to > from;
}

bool Lower(char c)
{
    return c >= 'a' && c <= 'z';
}

bool Upper(char c)
{
    return c >= 'A' && c <= 'Z';
}

// This program's own file, for the children.
std::string SelfPath()
{
    g_autofree gchar* path = g_file_read_link("/proc/self/exe", nullptr);
    return path ? path : "";
}

// Runs `weatherctl render --section [CITY]` with the language (if any)
// overlaid on the device's keys; its standard output is the section.
RenderResult DrawLanguage(const std::string& self, const std::string* language, const std::string& city,
                          std::string& section)
{
    std::vector<const char*> argv = {self.c_str(), "render", "--section"};
    if (!city.empty())
        argv.push_back(city.c_str());
    argv.push_back(nullptr);
    gchar** environment = g_get_environ();
    if (language)
        environment = g_environ_setenv(environment, device::kKeyOverlayEnv,
                                       device::StringKeyOverlay({{SYSKEY_LANGUAGE, *language}}).c_str(), TRUE);
    g_autofree gchar* out = nullptr;
    gint status = 0;
    g_autoptr(GError) error = nullptr;
    const gboolean started = g_spawn_sync(nullptr, const_cast<gchar**>(argv.data()), environment, G_SPAWN_DEFAULT,
                                          nullptr, nullptr, &out, nullptr, &status, &error);
    g_strfreev(environment);
    // TRANSLATORS: stands for a language name in "the screens in %s" when none was named.
    const std::string which = language ? *language : std::string(_("the device's language"));
    if (!started) {
        std::fprintf(stderr, "weatherctl: %s\n",
                     tools::Format(_("cannot draw the screens in %s: %s"), which.c_str(), error->message).c_str());
        return RenderResult::kLocalError;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        section = out ? out : "";
        return RenderResult::kWritten;
    }
    // The child has said which city it did not find.
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3)
        return RenderResult::kNoSuchCity;
    const std::string why =
        WIFEXITED(status)
            ? tools::Format(_("the screens in %s could not be drawn (exit status %d)"), which.c_str(),
                            WEXITSTATUS(status))
            : tools::Format(_("the screens in %s could not be drawn (signal %d)"), which.c_str(), WTERMSIG(status));
    std::fprintf(stderr, "weatherctl: %s\n", why.c_str());
    return RenderResult::kLocalError;
}

} // namespace

bool NormaliseLanguage(const std::string& name, std::string& normalised)
{
    const size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const size_t underscore = base.find('_');
    const size_t languageEnd = underscore == std::string::npos ? base.size() : underscore;
    if (languageEnd < 2 || languageEnd > 3 || !AllOf(base, 0, languageEnd, Lower))
        return false;
    if (underscore != std::string::npos &&
        (base.size() - underscore - 1 != 2 || !AllOf(base, underscore + 1, base.size(), Upper)))
        return false;
    if (dot != std::string::npos) {
        std::string codeset;
        for (char c : name.substr(dot + 1)) {
            if (c != '-')
                codeset += static_cast<char>(g_ascii_tolower(c));
        }
        if (codeset != "utf8")
            return false;
    }
    normalised = base + ".UTF-8";
    return true;
}

RenderResult RenderPage(const std::vector<std::string>& languages, const std::string& city, const std::string& output)
{
    const std::string self = SelfPath();
    if (self.empty()) {
        std::fprintf(stderr, "weatherctl: %s\n", _("cannot find this program's own file to draw the screens"));
        return RenderResult::kLocalError;
    }
    std::vector<std::string> sections;
    const size_t count = languages.empty() ? 1 : languages.size();
    for (size_t i = 0; i < count; ++i) {
        std::string section;
        const RenderResult result = DrawLanguage(self, languages.empty() ? nullptr : &languages[i], city, section);
        if (result != RenderResult::kWritten)
            return result;
        sections.push_back(section);
    }
    const std::string page = FacePage(sections);
    g_autoptr(GError) error = nullptr;
    if (!g_file_set_contents(output.c_str(), page.data(), static_cast<gssize>(page.size()), &error)) {
        std::fprintf(stderr, "weatherctl: %s\n",
                     tools::Format(_("cannot write %s: %s"), output.c_str(), error->message).c_str());
        return RenderResult::kLocalError;
    }
    std::printf(P_("wrote %s (%zu language)\n", "wrote %s (%zu languages)\n", count), output.c_str(), count);
    return RenderResult::kWritten;
}

int RenderSection(DataManager* dataManager, const std::string& city)
{
    CityPtrVector selected;
    if (!SelectCities(dataManager, city, selected))
        return kNoSuchCity;
    const DeviceView device = BuildDeviceView(dataManager);
    const ViewLabels labels = BuildLabels();
    std::vector<CityView> views;
    for (const CityPtr& entry : selected) {
        if (entry)
            views.push_back(BuildCityView(dataManager, entry, device));
    }
    const std::string section = FaceSection(device, labels, views);
    std::fwrite(section.data(), 1, section.size(), stdout);
    return 0;
}

} // namespace weatherctl
