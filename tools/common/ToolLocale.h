#ifndef WEATHER_TOOLS_TOOL_LOCALE_H
#define WEATHER_TOOLS_TOOL_LOCALE_H

namespace tools {

// For a tool that shows the weather texts as the device would: LC_TIME and
// LC_MESSAGES from the device language (device::AdoptDeviceLocale) and the
// "weather" catalogue of the resource directory of the application this
// process acts as. Call after setting the process's application id.
void UseDeviceLocale();

} // namespace tools

#endif
