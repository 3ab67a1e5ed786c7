#include "utils/StringHelper.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <type_traits>
#include <cstdio>
#include <iomanip>
#include <sstream>

namespace {

// One stream extraction; a failed extraction leaves 0 (the stream sets it).
// The stream is made once per thread and reset per call: constructing one
// cost more than the extraction itself.
template <typename T> T ExtractNumber(const std::string& str)
{
    // Plain decimal text that cannot overflow (what the restore record and the
    // keys carry) reads the same without the stream.
    if constexpr (std::is_integral<T>::value) {
        size_t digits = str.empty() ? 0 : str.size() - (str[0] == '-' ? 1 : 0);
        if (digits > 0 && digits <= static_cast<size_t>(std::numeric_limits<T>::digits10)) {
            T value = 0;
            auto end = str.data() + str.size();
            auto parsed = std::from_chars(str.data(), end, value);
            if (parsed.ec == std::errc() && parsed.ptr == end)
                return value;
        }
    }

    thread_local std::istringstream stream;
    stream.clear();
    stream.str(str);
    T value = 0;
    stream >> value;
    return value;
}

// What a stream insertion with the default format writes for an integer
// (the classic locale: no grouping), without a stream.
template <typename T> std::string InsertNumber(T value)
{
    char text[24];
    auto written = std::to_chars(text, text + sizeof text, value);
    return std::string(text, written.ptr);
}

} // namespace

DEFINE_SINGLETON(StringHelper)

bool StringHelper::Init()
{
    return true;
}

int32_t StringHelper::StringToInt(const std::string& str)
{
    RETURN_IF(str.length() <= 0, 0);
    return ExtractNumber<int32_t>(str);
}

int64_t StringHelper::StringToInt64(const std::string& str)
{
    RETURN_IF(str.length() <= 0, 0);
    return ExtractNumber<int64_t>(str);
}

float StringHelper::StringToFloat(const std::string& str)
{
    RETURN_IF(str.length() <= 0, 0.0f);
    return ExtractNumber<float>(str);
}

double StringHelper::StringToDouble(const std::string& str)
{
    RETURN_IF(str.length() <= 0, 0.0);
    return ExtractNumber<double>(str);
}

std::string StringHelper::IntToString(int32_t value)
{
    return InsertNumber(value);
}

std::string StringHelper::Int64ToString(int64_t value)
{
    return InsertNumber(value);
}

std::string StringHelper::FloatToString(float value)
{
    std::ostringstream stream;
    stream << static_cast<double>(value);
    return stream.str();
}

std::string StringHelper::FloatToStringWithDecimals(float value, int decimals)
{
    std::string str = FloatToString(value);
    if (value == 0.0f)
        return str;
    size_t point = str.find('.');
    if (point == std::string::npos)
        return str;
    if (decimals <= 0)
        return str.substr(0, point);
    return str.substr(0, point + 1 + static_cast<size_t>(decimals));
}

std::string StringHelper::DoubleToFixedString(double value, int decimals)
{
    // Fixed notation as a classic-locale stream writes it, 6 decimals by
    // default. Not printf: the service sets LC_NUMERIC from the device
    // language, and a decimal comma would change the text.
    char text[64];
    auto written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals > 0 ? decimals : 6);
    if (written.ec == std::errc())
        return std::string(text, written.ptr);
    std::ostringstream stream;
    stream << std::fixed;
    if (decimals > 0)
        stream << std::setprecision(decimals);
    stream << value;
    return stream.str();
}

// An empty pattern matches nothing: replacing it would never end in ReplaceAll.
std::string StringHelper::ReplaceFirst(std::string str, const std::string& pattern, const std::string& replacement)
{
    if (pattern.empty())
        return str;
    size_t pos = str.find(pattern);
    if (pos != std::string::npos)
        str.replace(pos, pattern.length(), replacement);
    return str;
}

std::string StringHelper::ReplaceAll(std::string str, const std::string& pattern, const std::string& replacement)
{
    if (pattern.empty())
        return str;
    size_t pos = 0;
    while ((pos = str.find(pattern, pos)) != std::string::npos) {
        str.replace(pos, pattern.length(), replacement);
        // Go on behind the inserted text so a replacement holding the pattern cannot loop.
        pos += replacement.length();
    }
    return str;
}

std::string StringHelper::RemoveFirst(std::string str, const std::string& pattern)
{
    return ReplaceFirst(std::move(str), pattern, std::string());
}

std::string StringHelper::EraseString(std::string str, size_t position, size_t count)
{
    str.erase(position, count);
    return str;
}

std::string StringHelper::RemoveCharacter(std::string str, char character)
{
    str.erase(std::remove(str.begin(), str.end(), character), str.end());
    return str;
}

bool StringHelper::Contains(const std::string& str, const std::string& pattern)
{
    return str.find(pattern) != std::string::npos;
}

std::string StringHelper::ConvertNewLineToBreakTag(const std::string& str)
{
    return ReplaceAll(str, "\n", "<br/>");
}

std::string StringHelper::ConvertNewLineToSpace(const std::string& str)
{
    return ReplaceAll(str, "\n", " ");
}

std::string StringHelper::MakeColorTag(int red, int green, int blue, int alpha, int fontSize, const std::string& text,
                                       const std::string& fontName)
{
    char tag[256] = {0};
    if (!fontName.empty())
        snprintf(tag, sizeof(tag), "<color=#%02x%02x%02x%02x font_size=%d font=%s>", red, green, blue, alpha, fontSize,
                 fontName.c_str());
    else
        snprintf(tag, sizeof(tag), "<color=#%02x%02x%02x%02x font_size=%d>", red, green, blue, alpha, fontSize);
    return std::string(tag) + text + "</color>";
}

std::vector<std::string> StringHelper::Split(const std::string& str, char delimiter)
{
    std::vector<std::string> pieces;
    std::istringstream stream(str);
    std::string piece;
    while (std::getline(stream, piece, delimiter))
        pieces.push_back(piece);
    return pieces;
}
