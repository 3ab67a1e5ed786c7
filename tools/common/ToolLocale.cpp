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

void UseDeviceLocale()
{
    device::AdoptDeviceLocale();
    std::string resourceDir = FileHelper::GetInstance()->GetResourceDirectoryPath();
    if (resourceDir.empty())
        return;
    while (resourceDir.size() > 1 && resourceDir.back() == '/')
        resourceDir.pop_back();
    const std::string localeDir = resourceDir + "/locale";
    // gettext opens its catalogues by path: every one it may try is checked
    // first, and a language with a refused one is not used (a FIFO would
    // block the tool, another user's file would speak for it).
    std::vector<std::string> refusals;
    const bool usable = device::KeepTrustedCatalogues(localeDir, kTextDomain, &refusals);
    for (const std::string& refusal : refusals)
        std::fprintf(stderr, "message catalogue not used: %s\n", refusal.c_str());
    if (!usable)
        return; // no catalogue to read: the keys are shown rather than a hang
    bindtextdomain(kTextDomain, localeDir.c_str());
    bind_textdomain_codeset(kTextDomain, "UTF-8");
}

} // namespace tools
