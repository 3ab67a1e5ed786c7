#ifndef WEATHERCTL_RENDER_H
#define WEATHERCTL_RENDER_H

// weatherctl render: the watch screens of the device's cities as one HTML
// page, in the device's language or in several side by side.

#include <string>
#include <vector>

class DataManager;

namespace weatherctl {

// A language name as the device's language key holds it: "ar_AE",
// "ar_AE.UTF-8" and "ar_AE.utf8" all give "ar_AE.UTF-8". False for a name
// that is no language_TERRITORY (or bare language) in UTF-8.
bool NormaliseLanguage(const std::string& name, std::string& normalised);

enum class RenderResult { kWritten, kLocalError, kNoSuchCity };

// Writes the page to output. Each language is drawn by a child process of
// this program that reads the device's keys with the language key overlaid,
// so the language helper, the city names and the clock formats all follow it
// from the start and the device keeps its own language. No languages: the
// device's own. Errors go to stderr.
RenderResult RenderPage(const std::vector<std::string>& languages, const std::string& city, const std::string& output);

// What each child writes to standard output: the <section> of the cities
// (all when city is empty) in this process's device language. Returns
// kNoSuchCity (WatchView.h) when the city is not on the device, else 0.
int RenderSection(DataManager* dataManager, const std::string& city);

} // namespace weatherctl

#endif
