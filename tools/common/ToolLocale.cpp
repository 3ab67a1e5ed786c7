#include "ToolLocale.h"

#include <libintl.h>

#include <device/host_locale.h>
#include <device/trusted_file.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "utils/FileHelper.h"

namespace tools {

namespace {

constexpr const char* kTextDomain = "weather";

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
    std::vector<const char*> domains{kTextDomain};
    if (toolDomain != nullptr)
        domains.push_back(toolDomain);
    // gettext opens its catalogues by path: every one it may try, of every
    // domain, is checked first, and a language with a refused one is not
    // used (a FIFO would block the tool, another user's file would speak for it).
    for (const char* domain : domains) {
        std::vector<std::string> refusals;
        const bool usable = device::KeepTrustedCatalogues(localeDir, domain, &refusals);
        for (const std::string& refusal : refusals)
            std::fprintf(stderr, "message catalogue not used: %s\n", refusal.c_str());
        if (!usable)
            return; // no catalogue to read: the keys are shown rather than a hang
    }
    for (const char* domain : domains) {
        bindtextdomain(domain, localeDir.c_str());
        bind_textdomain_codeset(domain, "UTF-8");
    }
}

} // namespace tools
