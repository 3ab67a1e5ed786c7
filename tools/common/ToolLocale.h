#ifndef WEATHER_TOOLS_TOOL_LOCALE_H
#define WEATHER_TOOLS_TOOL_LOCALE_H

namespace tools {

// For a tool that shows the weather texts as the device would: LC_TIME,
// LC_MESSAGES and the catalogue list from the device language over the
// shell's (device::AdoptDeviceLocale) and the catalogues of the "weather"
// domain and of the tool's own domain (when given) in the resource directory
// of the application this process acts as; a catalogue path that is not a
// regular file is refused with a message on stderr. Call after setting the
// process's application id.
void UseDeviceLocale(const char* toolDomain = nullptr);

} // namespace tools

#endif
