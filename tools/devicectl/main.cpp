// devicectl: look at and change the emulated device from a shell.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <device/host_locale.h>

#include "Commands.h"
#include "ToolText.h"

namespace {

void Usage(FILE* out)
{
    std::fputs(_("usage: devicectl COMMAND [ARGS]\n"), out);
    std::fputs(_("  show                               root, layout, apps, system keys, locks, preferences\n"
                 "  init                               create the default device (idempotent)\n"
                 "  apps                               installed applications\n"
                 "  install APP --pkg PKG [--cert CERT] [--exec PATH] [--version V]\n"
                 "  uninstall APP\n"
                 "  key get KEY\n"
                 "  key set KEY VALUE [--type int|bool|double|string]\n"
                 "  key unset KEY\n"
                 "  pref get --app APP KEY\n"
                 "  pref set --app APP KEY VALUE [--type int|bool|double|string]\n"
                 "  launch APP [--op OP] [--uri URI] [--extra K=V]... [--wait SECONDS]\n"
                 "  inbox APP                          requests recorded for an app without executable\n"
                 "  log [-f]                           print (and follow) the device log\n"
                 "  weather [set NAME VALUE | clock GMT_OFFSET]  weather settings by name (weather --help)\n"
                 "The device root is $WEATHER_DEVICE_ROOT, else $HOME/.weather-device.\n"),
               out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        Usage(stderr);
        return 2;
    }
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "-h" || command == "--help" || command == "help") {
        Usage(stdout);
        return 0;
    }
    device::AdoptDeviceLocale();
    if (command == "show")
        return devicectl::Show();
    if (command == "init")
        return devicectl::Init();
    if (command == "apps")
        return devicectl::Apps();
    if (command == "install")
        return devicectl::Install(args);
    if (command == "uninstall")
        return devicectl::Uninstall(args);
    if (command == "key")
        return devicectl::Key(args);
    if (command == "pref")
        return devicectl::Pref(args);
    if (command == "launch")
        return devicectl::Launch(args);
    if (command == "inbox")
        return devicectl::Inbox(args);
    if (command == "weather")
        return devicectl::Weather(args);
    if (command == "log")
        return devicectl::Log(args);
    std::fprintf(stderr, _("devicectl: unknown command '%s'\n"), command.c_str());
    Usage(stderr);
    return 2;
}
