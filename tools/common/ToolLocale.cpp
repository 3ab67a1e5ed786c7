#include "ToolLocale.h"

#include <libintl.h>

#include <device/host_locale.h>

#include <string>

#include "utils/FileHelper.h"

namespace tools {

void UseDeviceLocale()
{
    device::AdoptDeviceLocale();
    std::string resourceDir = FileHelper::GetInstance()->GetResourceDirectoryPath();
    if (resourceDir.empty())
        return;
    bindtextdomain("weather", (resourceDir + "/locale").c_str());
    bind_textdomain_codeset("weather", "UTF-8");
}

} // namespace tools
