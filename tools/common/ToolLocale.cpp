#include "ToolLocale.h"

#include <libintl.h>
#include <sys/stat.h>

#include <device/host_locale.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "utils/FileHelper.h"

namespace tools {

namespace {

constexpr const char* kTextDomain = "weather";

// The entries of the catalogue list whose catalogues (of every domain) are
// absent or regular files: gettext would block opening a FIFO (or fail on a
// directory) in their place, so such a language is refused before the
// domains are bound.
std::string UsableCatalogues(const std::string& localeDir, const std::string& list,
                             const std::vector<const char*>& domains)
{
    std::string usable;
    size_t from = 0;
    while (from <= list.size()) {
        size_t end = list.find(':', from);
        if (end == std::string::npos)
            end = list.size();
        const std::string language = list.substr(from, end - from);
        from = end + 1;
        if (language.empty())
            continue;
        // gettext also tries the bare language ("ko" after "ko_KR").
        bool refused = false;
        for (const std::string& name : {language, language.substr(0, language.find_first_of("_.@"))}) {
            for (const char* domain : domains) {
                const std::string path = localeDir + "/" + name + "/LC_MESSAGES/" + domain + ".mo";
                struct stat info;
                if (!refused && stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
                    std::fprintf(stderr, "message catalogue %s is not a regular file: not used\n", path.c_str());
                    refused = true;
                }
            }
        }
        if (!refused)
            usable += (usable.empty() ? "" : ":") + language;
    }
    return usable;
}

} // namespace

void UseDeviceLocale(const char* toolDomain)
{
    device::AdoptDeviceLocale();
    std::string resourceDir = FileHelper::GetInstance()->GetResourceDirectoryPath();
    if (resourceDir.empty())
        return;
    while (resourceDir.size() > 1 && resourceDir.back() == '/')
        resourceDir.pop_back();
    const std::string localeDir = resourceDir + "/locale";
    const char* list = getenv("LANGUAGE");
    std::vector<const char*> domains{kTextDomain};
    if (toolDomain != nullptr)
        domains.push_back(toolDomain);
    const std::string usable = UsableCatalogues(localeDir, list ? list : "", domains);
    if (list != nullptr && usable != list) {
        if (usable.empty())
            return; // no catalogue to read: the keys are shown rather than a hang
        setenv("LANGUAGE", usable.c_str(), 1);
    }
    for (const char* domain : domains) {
        bindtextdomain(domain, localeDir.c_str());
        bind_textdomain_codeset(domain, "UTF-8");
    }
}

} // namespace tools
