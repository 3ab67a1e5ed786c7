#ifndef WEATHERCTL_FACE_PAGE_H
#define WEATHERCTL_FACE_PAGE_H

// The HTML of `weatherctl render`: round watch screens of the cities' views,
// laid out by one stylesheet, in a page that needs nothing outside itself.

#include <string>
#include <vector>

#include "CityView.h"

namespace weatherctl {

// A text for HTML element content or a quoted attribute: the text as
// PrintableText gives it, with & < > " ' as references.
std::string HtmlEscape(const std::string& text);

// The faces of the cities in one language: a <section> with a row of
// screens per city, right to left when the device says the language is.
std::string FaceSection(const DeviceView& device, const ViewLabels& labels, const std::vector<CityView>& cities);

// The page: the sections side by side, the stylesheet, the images and the
// script that marks the texts their boxes cut.
std::string FacePage(const std::vector<std::string>& sections);

} // namespace weatherctl

#endif
