#include "FaceImages.h"

#include <device/no_destructor.h>

#include "FacePage.h"

namespace weatherctl {

namespace {

// Parts drawn once on a 64x64 grid; the images place and scale them.
constexpr const char* kParts =
    R"svg(<symbol id="part-sun" viewBox="0 0 64 64"><g stroke="#f0a500" stroke-width="4" stroke-linecap="round"><path d="M32 4v8M32 52v8M4 32h8M52 32h8M12.2 12.2l5.7 5.7M46.1 46.1l5.7 5.7M12.2 51.8l5.7-5.7M46.1 17.9l5.7-5.7"/></g><circle cx="32" cy="32" r="13" fill="#ffc21a" stroke="#f0a500" stroke-width="2"/></symbol>
<symbol id="part-moon" viewBox="0 0 64 64"><path d="M40 8a24 24 0 1 0 16 38A20 20 0 0 1 40 8z" fill="#f4d774" stroke="#c9a93c" stroke-width="2"/></symbol>
<symbol id="part-star" viewBox="0 0 64 64"><path d="M32 8l6 18 18 6-18 6-6 18-6-18-18-6 18-6z" fill="#f4d774"/></symbol>
<symbol id="part-cloud" viewBox="0 0 64 64"><path d="M16 50h32a11 11 0 0 0 1-22 15 15 0 0 0-28-5 12 12 0 0 0-5 27z" fill="#e4e9ef" stroke="#8795a5" stroke-width="2.5"/></symbol>
<symbol id="part-dark-cloud" viewBox="0 0 64 64"><path d="M16 50h32a11 11 0 0 0 1-22 15 15 0 0 0-28-5 12 12 0 0 0-5 27z" fill="#7c8896" stroke="#4d5866" stroke-width="2.5"/></symbol>
<symbol id="part-drops" viewBox="0 0 64 64"><g stroke="#2a7be4" stroke-width="5" stroke-linecap="round"><path d="M18 20l-5 14M34 20l-5 14M50 20l-5 14"/></g></symbol>
<symbol id="part-flakes" viewBox="0 0 64 64"><g stroke="#3d9ad6" stroke-width="3" stroke-linecap="round"><path d="M16 18v16M9 22l14 8M9 30l14-8M46 18v16M39 22l14 8M39 30l14-8"/></g></symbol>
<symbol id="part-flake" viewBox="0 0 64 64"><g stroke="#3d9ad6" stroke-width="4" stroke-linecap="round"><path d="M32 10v44M13 21l38 22M13 43l38-22"/></g></symbol>
<symbol id="part-bolt" viewBox="0 0 64 64"><path d="M36 4L16 36h14l-6 24 24-34H34z" fill="#ffcc00" stroke="#b38600" stroke-width="2" stroke-linejoin="round"/></symbol>
<symbol id="part-pellets" viewBox="0 0 64 64"><g fill="#dff1ff" stroke="#3d9ad6" stroke-width="3"><circle cx="16" cy="26" r="6"/><circle cx="34" cy="34" r="6"/><circle cx="52" cy="24" r="6"/></g></symbol>
<symbol id="part-fog" viewBox="0 0 64 64"><g stroke="#8f9aa7" stroke-width="5" stroke-linecap="round"><path d="M8 16h40M16 28h40M8 40h40M16 52h36"/></g></symbol>
<symbol id="part-wind" viewBox="0 0 64 64"><g fill="none" stroke="#5f8fb5" stroke-width="5" stroke-linecap="round"><path d="M6 24h36a8 8 0 1 0-8-8M6 36h46a7 7 0 1 1-7 7M6 48h24"/></g></symbol>
<symbol id="part-thermometer" viewBox="0 0 64 64"><path d="M26 10a6 6 0 0 1 12 0v28a12 12 0 1 1-12 0z" fill="#fff" stroke="#55606c" stroke-width="3"/><path d="M30 22h4v20h-4z" fill="currentColor"/><circle cx="32" cy="48" r="8" fill="currentColor"/></symbol>
<symbol id="part-sand" viewBox="0 0 64 64"><g fill="none" stroke="#c0873a" stroke-width="5" stroke-linecap="round"><path d="M6 18q8-8 16 0t16 0 16 0M6 34q8-8 16 0t16 0 16 0M10 50q8-8 16 0t16 0"/></g><g fill="#a86f24"><circle cx="54" cy="48" r="3"/><circle cx="48" cy="58" r="2.5"/><circle cx="58" cy="58" r="2"/></g></symbol>
<symbol id="part-spiral" viewBox="0 0 64 64"><g fill="none" stroke="#4f6479" stroke-width="5" stroke-linecap="round"><path d="M32 32m-5 0a5 5 0 1 1 10 0a10 10 0 0 1-20 0a15 15 0 0 1 30 0a20 20 0 0 1-40 0a25 25 0 0 1 29-24.7"/></g><circle cx="32" cy="32" r="4" fill="#4f6479"/></symbol>
)svg";

// Image n's drawing is images[n - 1]: the parts it is made of.
constexpr const char* kImages[23] = {
    // 1 sunny
    R"(<use href="#part-sun"/>)",
    // 2 partly sunny
    R"(<use href="#part-sun" x="-10" y="-12" width="54" height="54"/><use href="#part-cloud" y="6"/>)",
    // 3 cloudy
    R"(<use href="#part-cloud" x="-10" y="-12" width="54" height="54"/><use href="#part-cloud" y="4"/>)",
    // 4 rain
    R"(<use href="#part-cloud" y="-12"/><use href="#part-drops" y="26"/>)",
    // 5 fog
    R"(<use href="#part-cloud" y="-18" width="56" height="56"/><use href="#part-fog" y="16" height="48"/>)",
    // 6 shower
    R"(<use href="#part-cloud" y="-12"/><use href="#part-drops" x="6" y="24" width="52" height="52"/>)",
    // 7 partly sunny with shower
    R"(<use href="#part-sun" x="-10" y="-14" width="50" height="50"/><use href="#part-cloud" y="-6"/>)"
    R"(<use href="#part-drops" x="10" y="28" width="48" height="48"/>)",
    // 8 thunderstorm
    R"(<use href="#part-dark-cloud" y="-14"/><use href="#part-bolt" x="16" y="24" width="38" height="38"/>)",
    // 9 partly sunny with thunder shower
    R"(<use href="#part-sun" x="-10" y="-14" width="50" height="50"/><use href="#part-dark-cloud" y="-6"/>)"
    R"(<use href="#part-bolt" x="24" y="30" width="32" height="32"/><use href="#part-drops" x="4" y="28" width="30" height="30"/>)",
    // 10 flurries
    R"(<use href="#part-cloud" y="-12"/><use href="#part-flake" x="22" y="40" width="22" height="22"/>)",
    // 11 partly sunny with flurries
    R"(<use href="#part-sun" x="-10" y="-14" width="50" height="50"/><use href="#part-cloud" y="-6"/>)"
    R"(<use href="#part-flake" x="26" y="42" width="20" height="20"/>)",
    // 12 snow
    R"(<use href="#part-cloud" y="-12"/><use href="#part-flakes" y="24"/>)",
    // 13 rain and snow mixed
    R"(<use href="#part-cloud" y="-12"/><use href="#part-drops" x="-6" y="26" width="40" height="40"/>)"
    R"(<use href="#part-flake" x="36" y="40" width="22" height="22"/>)",
    // 14 ice, sleet, freezing rain
    R"(<use href="#part-cloud" y="-12"/><use href="#part-pellets" y="22" width="64" height="44"/>)"
    R"(<use href="#part-drops" x="6" y="32" width="30" height="30"/>)",
    // 15 hot
    R"(<use href="#part-sun" x="22" y="-4" width="44" height="44"/><use href="#part-thermometer" color="#e0402a" x="-6"/>)",
    // 16 cold
    R"(<use href="#part-flake" x="30" width="34" height="34"/><use href="#part-thermometer" color="#2a7be4" x="-6"/>)",
    // 17 windy
    R"(<use href="#part-wind"/>)",
    // 18 clear (night)
    R"(<use href="#part-moon"/><use href="#part-star" x="42" y="6" width="18" height="18"/>)"
    R"(<use href="#part-star" x="4" y="44" width="12" height="12"/>)",
    // 19 mostly clear (night)
    R"(<use href="#part-moon" x="-6" y="-8" width="54" height="54"/><use href="#part-cloud" x="18" y="24" width="46" height="46"/>)",
    // 20 heavy rain
    R"(<use href="#part-dark-cloud" y="-14"/><use href="#part-drops" x="-4" y="22"/><use href="#part-drops" x="6" y="34" width="56" height="40"/>)",
    // 21 hail
    R"(<use href="#part-dark-cloud" y="-14"/><use href="#part-pellets" y="26" width="64" height="40"/>)",
    // 22 sandstorm
    R"(<use href="#part-sand"/>)",
    // 23 hurricane
    R"(<use href="#part-spiral"/>)",
};

} // namespace

const std::string& FaceImageDefinitions()
{
    static NoDestructor<std::string> definitions([] {
        std::string text = R"(<svg class="definitions" aria-hidden="true" width="0" height="0">)";
        text += kParts;
        for (int n = 1; n <= 23; ++n)
            text += R"(<symbol id="image-)" + std::to_string(n) + R"(" viewBox="0 0 64 64">)" + kImages[n - 1] +
                    "</symbol>\n";
        return text + "</svg>\n";
    }());
    return *definitions;
}

int FaceImageNumber(const std::string& imageName)
{
    // "NN." as GetImageName writes it.
    if (imageName.size() < 3 || imageName[2] != '.' || imageName[0] < '0' || imageName[0] > '9' || imageName[1] < '0' ||
        imageName[1] > '9')
        return 0;
    const int number = (imageName[0] - '0') * 10 + (imageName[1] - '0');
    return number >= 1 && number <= 23 ? number : 0;
}

std::string FaceImage(const std::string& imageName, const char* cls)
{
    const int number = FaceImageNumber(imageName);
    std::string svg = std::string(R"(<svg class=")") + cls + (number ? "" : " no-image") +
                      R"(" viewBox="0 0 64 64" role="img"><title>)" + HtmlEscape(imageName) + "</title>";
    if (number)
        svg += R"(<use href="#image-)" + std::to_string(number) + R"("/>)";
    else
        svg +=
            R"(<circle cx="32" cy="32" r="24" fill="none" stroke="#9aa4ae" stroke-width="3" stroke-dasharray="6 6"/>)";
    return svg + "</svg>";
}

} // namespace weatherctl
