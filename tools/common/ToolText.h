#ifndef WEATHER_TOOLS_TOOL_TEXT_H
#define WEATHER_TOOLS_TOOL_TEXT_H

// A tool's own words, looked up in its own text domain (the tool's name, set
// by the build as WEATHER_TOOL_DOMAIN); the "weather" domain holds only the
// system's keys. A word without a catalogue reads as written here.

#include <libintl.h>

#include <cstdarg>
#include <string>

#include <glib.h>

#define _(text) dgettext(WEATHER_TOOL_DOMAIN, text)
#define P_(singular, plural, n) dngettext(WEATHER_TOOL_DOMAIN, singular, plural, n)
// Marks a word for the catalogue where it is looked up later.
#define N_(text) text

namespace tools {

// A translated printf format filled in: the words around a value may move
// with the language.
inline std::string Format(const char* format, ...) G_GNUC_PRINTF(1, 2);
inline std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    g_autofree gchar* text = g_strdup_vprintf(format, args);
    va_end(args);
    return text ? text : "";
}

} // namespace tools

#endif
