#include "FacePage.h"

#include <algorithm>

#include "FaceImages.h"
#include "ToolText.h"

namespace weatherctl {

namespace {

// Life indices on one screen; the rest go to the screens after it.
constexpr size_t kIndicesPerScreen = 4;
// Hours on the hourly strip and days on the daily list, as a watch shows them.
constexpr size_t kHoursShown = 4;
constexpr size_t kDaysShown = 5;

// The layout, once: each kind of text gets its font and its box inside the
// 360x360 circle. Horizontal places are logical (inline-start), so a right
// to left face is the mirror image of the same rules. A text wider than its
// box is cut with an ellipsis; the script marks it (.cut) for a reviewer.
constexpr const char* kStyle = R"css(
:root { --sans: "Noto Sans", "Noto Sans Arabic", "Noto Naskh Arabic", "Noto Sans Myanmar", "Noto Sans CJK SC", sans-serif; }
:lang(ja) { --sans: "Noto Sans", "Noto Sans CJK JP", sans-serif; }
:lang(ko) { --sans: "Noto Sans", "Noto Sans CJK KR", sans-serif; }
:lang(zh-TW) { --sans: "Noto Sans", "Noto Sans CJK TC", sans-serif; }
:lang(ar) { --sans: "Noto Sans Arabic", "Noto Naskh Arabic", "Noto Sans", sans-serif; }
:lang(my) { --sans: "Noto Sans Myanmar", "Noto Sans", sans-serif; }
body { margin: 16px; background: #e9ecef; color: #111; font: 14px/1.4 var(--sans); display: flex; align-items: flex-start; gap: 40px; }
.definitions { position: absolute; width: 0; height: 0; overflow: hidden; }
.language { display: flex; flex-direction: column; gap: 24px; padding: 12px; background: #f8f9fa; border-radius: 12px; }
.language-name { margin: 0; font: 600 18px/24px var(--sans); }
.city { display: flex; gap: 16px; }
.screen { position: relative; flex: none; width: 360px; height: 360px; border-radius: 50%; background: #0b0d10; color: #f4f6f8; font-family: var(--sans); }
.t { position: absolute; box-sizing: border-box; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; text-align: center; }
.t.cut { outline: 2px dashed #ff3b30; outline-offset: -1px; }
.img { position: absolute; }
.img.no-image { opacity: 0.6; }
.city-name { top: 44px; inset-inline-start: 80px; width: 200px; height: 34px; font: 600 22px/34px var(--sans); }
.clock { top: 80px; inset-inline-start: 100px; width: 160px; height: 28px; font: 18px/28px var(--sans); }
.clock-long { top: 110px; inset-inline-start: 60px; width: 240px; height: 24px; font: 14px/24px var(--sans); color: #b8c0c8; }
.main .img { top: 138px; inset-inline-start: 58px; width: 96px; height: 96px; }
.temperature { top: 150px; inset-inline-start: 170px; width: 130px; height: 64px; font: 300 40px/64px var(--sans); text-align: start; }
.condition { top: 238px; inset-inline-start: 60px; width: 240px; height: 26px; font: 16px/26px var(--sans); }
.high { top: 268px; inset-inline-start: 70px; width: 108px; height: 24px; font: 14px/24px var(--sans); }
.low { top: 268px; inset-inline-start: 182px; width: 108px; height: 24px; font: 14px/24px var(--sans); }
.rain { top: 296px; inset-inline-start: 100px; width: 160px; height: 24px; font: 14px/24px var(--sans); color: #8cc8ff; }
.heading { top: 36px; inset-inline-start: 90px; width: 180px; height: 30px; font: 600 18px/30px var(--sans); color: #ffd27a; }
.hour { position: absolute; top: 96px; width: 75px; height: 160px; }
.hour:nth-of-type(1) { inset-inline-start: 28px; }
.hour:nth-of-type(2) { inset-inline-start: 104px; }
.hour:nth-of-type(3) { inset-inline-start: 180px; }
.hour:nth-of-type(4) { inset-inline-start: 256px; }
.hour-time { top: 0; inset-inline-start: 0; width: 75px; height: 24px; font: 13px/24px var(--sans); }
.hour .img { top: 34px; inset-inline-start: 13.5px; width: 48px; height: 48px; }
.hour-temperature { top: 94px; inset-inline-start: 0; width: 75px; height: 30px; font: 18px/30px var(--sans); }
.day { position: absolute; inset-inline-start: 58px; width: 244px; height: 40px; }
.day:nth-of-type(1) { top: 76px; }
.day:nth-of-type(2) { top: 122px; }
.day:nth-of-type(3) { top: 168px; }
.day:nth-of-type(4) { top: 214px; }
.day:nth-of-type(5) { top: 260px; }
.day-name { top: 6px; inset-inline-start: 0; width: 76px; height: 28px; font: 15px/28px var(--sans); text-align: start; }
.day .img { top: 2px; inset-inline-start: 84px; width: 36px; height: 36px; }
.day-temperature { top: 6px; inset-inline-start: 128px; width: 116px; height: 28px; font: 15px/28px var(--sans); text-align: end; }
.index { position: absolute; inset-inline-start: 70px; width: 220px; height: 52px; }
.index:nth-of-type(1) { top: 76px; }
.index:nth-of-type(2) { top: 136px; }
.index:nth-of-type(3) { top: 196px; }
.index:nth-of-type(4) { top: 256px; }
.index-title { top: 0; inset-inline-start: 0; width: 220px; height: 22px; font: 13px/22px var(--sans); color: #b8c0c8; }
.index-value { top: 22px; inset-inline-start: 0; width: 220px; height: 28px; font: 18px/28px var(--sans); }
)css";

// Marks every text its box cuts once the fonts are in; the page then says it
// is laid out. The text's own width counts, to the fraction of a pixel that
// already brings the ellipsis (scrollWidth rounds it away).
constexpr const char* kScript = R"js(
document.fonts.ready.then(() => {
  const range = document.createRange();
  for (const box of document.querySelectorAll('.t')) {
    range.selectNodeContents(box);
    if (range.getBoundingClientRect().width > box.getBoundingClientRect().width || box.scrollWidth > box.clientWidth) {
      box.classList.add('cut');
      box.title = box.textContent;
    }
  }
  document.documentElement.dataset.laidOut = 'yes';
});
)js";

std::string Text(const char* kind, const std::string& text)
{
    return std::string(R"(<div class="t )") + kind + R"(">)" + HtmlEscape(text) + "</div>";
}

// A value after its label. The tool's words and the data layer's (life
// index titles) are marked apart from the data, for the browser test. The
// value is isolated: after an Arabic label, "17°C" would read "C°17".
std::string Labelled(const char* kind, const std::string& label, const std::string& value)
{
    return std::string(R"(<div class="t )") + kind + R"("><span class="label tool">)" + HtmlEscape(label) +
           "</span> <bdi>" + HtmlEscape(value) + "</bdi></div>";
}

// show's list headings end in a colon (or a full-width one); a screen's
// heading stands alone.
std::string Heading(std::string label)
{
    for (const std::string colon : {":", "\uFF1A"}) {
        if (label.size() >= colon.size() && label.compare(label.size() - colon.size(), colon.size(), colon) == 0)
            label.resize(label.size() - colon.size());
    }
    return R"(<div class="t heading"><span class="label tool">)" + HtmlEscape(label) + "</span></div>";
}

// "ar_AE.UTF-8" as an HTML language tag: "ar-AE".
std::string LanguageTag(const std::string& language)
{
    std::string tag = language.substr(0, language.find_first_of(".@"));
    std::replace(tag.begin(), tag.end(), '_', '-');
    return tag.empty() ? "und" : tag;
}

std::string MainScreen(const CityView& v, const DeviceView& device, const ViewLabels& labels)
{
    return R"(<div class="screen main">)" + Text("city-name", v.name) + Text("clock", v.localTime) +
           Text("clock-long", v.localTimeLong) + FaceImage(v.icon, "img") +
           Text("temperature", Degrees(v.current, device)) + Text("condition", v.condition) +
           Labelled("high", labels.high, Degrees(v.high, device)) +
           Labelled("low", labels.low, Degrees(v.low, device)) +
           Labelled("rain", labels.rain, Percent(v.rainProbability)) + "</div>";
}

std::string HourlyScreen(const CityView& v, const DeviceView& device, const ViewLabels& labels)
{
    std::string html = R"(<div class="screen hourly">)" + Heading(labels.hourly);
    for (size_t i = 0; i < std::min(v.hours.size(), kHoursShown); ++i) {
        const HourView& h = v.hours[i];
        html += R"(<div class="hour">)" + Text("hour-time", h.time) + FaceImage(h.icon, "img") +
                Text("hour-temperature", Degrees(h.temperature, device)) + "</div>";
    }
    return html + "</div>";
}

std::string DailyScreen(const CityView& v, const DeviceView& device, const ViewLabels& labels)
{
    std::string html = R"(<div class="screen daily">)" + Heading(labels.daily);
    for (size_t i = 0; i < std::min(v.days.size(), kDaysShown); ++i) {
        const DayView& d = v.days[i];
        html += R"(<div class="day">)" + Text("day-name", d.weekday) + FaceImage(d.icon, "img") +
                Text("day-temperature", Degrees(d.high, device) + " / " + Degrees(d.low, device)) + "</div>";
    }
    return html + "</div>";
}

std::string LifeIndexScreens(const CityView& v, const DeviceView& device, const ViewLabels& labels)
{
    std::string html;
    for (size_t first = 0; first < v.lifeIndices.size(); first += kIndicesPerScreen) {
        html += R"(<div class="screen life-index">)" + Heading(labels.lifeIndex);
        for (size_t i = first; i < std::min(v.lifeIndices.size(), first + kIndicesPerScreen); ++i) {
            const LifeIndexView& l = v.lifeIndices[i];
            html += R"(<div class="index"><div class="t index-title"><span class="label">)" + HtmlEscape(l.title) +
                    "</span></div>" + Text("index-value", LifeIndexValue(l, device)) + "</div>";
        }
        html += "</div>";
    }
    return html;
}

} // namespace

std::string HtmlEscape(const std::string& text)
{
    std::string out;
    for (char c : PrintableText(text)) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string FaceSection(const DeviceView& device, const ViewLabels& labels, const std::vector<CityView>& cities)
{
    std::string html = R"(<section class="language" lang=")" + HtmlEscape(LanguageTag(device.language)) + R"(" dir=")" +
                       (device.isRightToLeft ? "rtl" : "ltr") + R"(" data-language=")" + HtmlEscape(device.language) +
                       R"("><h2 class="language-name" dir="ltr">)" + HtmlEscape(device.language) + "</h2>\n";
    for (const CityView& v : cities) {
        html += R"(<div class="city" data-location=")" + HtmlEscape(v.locationId) + R"(">)" +
                MainScreen(v, device, labels) + HourlyScreen(v, device, labels) + DailyScreen(v, device, labels) +
                LifeIndexScreens(v, device, labels) + "</div>\n";
    }
    return html + "</section>\n";
}

std::string FacePage(const std::vector<std::string>& sections)
{
    std::string html = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n"
                       // Nothing but the page itself may load.
                       "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                       "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n"
                       "<title>";
    html += HtmlEscape(_("Watch screens"));
    html += "</title>\n<style>";
    html += kStyle;
    html += "</style>\n</head>\n<body>\n";
    html += FaceImageDefinitions();
    for (const std::string& section : sections)
        html += section;
    html += "<script>";
    html += kScript;
    return html + "</script>\n</body></html>\n";
}

} // namespace weatherctl
