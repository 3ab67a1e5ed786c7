#ifndef DEVICECTL_COMMANDS_H
#define DEVICECTL_COMMANDS_H

// Subcommands of devicectl; each returns the process exit code
// (0 done, 1 failed, 2 bad usage).

#include <string>
#include <vector>

namespace devicectl {

using Args = std::vector<std::string>;

int Show();
int Init();
int Apps();
int Install(const Args& args);
int Uninstall(const Args& args);
int Key(const Args& args);
int Pref(const Args& args);
int Launch(const Args& args);
int Inbox(const Args& args);
int Log(const Args& args);
// Weather settings by name and the city clock (WeatherCommand.cpp).
int Weather(const Args& args);

// Splits "--name value" options from positional arguments. Options listed
// in `repeatable` may appear more than once; flags take no value.
struct ParsedArgs {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    std::string error;

    bool Has(const std::string& name) const;
    std::string Get(const std::string& name, const std::string& fallback = "") const;
    std::vector<std::string> GetAll(const std::string& name) const;
};
ParsedArgs ParseArgs(const Args& args, const std::vector<std::string>& valued, const std::vector<std::string>& flags);

} // namespace devicectl

#endif
