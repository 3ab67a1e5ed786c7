#ifndef WEATHER_COMMON_STRING_HELPER_H
#define WEATHER_COMMON_STRING_HELPER_H

#include <cstdint>
#include <string>
#include <vector>

#include "utils/Pattern.h"

// Byte-string conversions and edits; nothing here is locale-aware.
// Editing operations return an edited copy of their input.
class StringHelper {
public:
    DECLARE_SINGLETON(StringHelper);

    virtual bool Init();
    virtual ~StringHelper() = default;

    // Read one value from the start of the text; trailing text is ignored,
    // a text that does not start with a number gives 0.
    int32_t StringToInt(const std::string& str);
    int64_t StringToInt64(const std::string& str);
    float StringToFloat(const std::string& str);
    double StringToDouble(const std::string& str);

    std::string IntToString(int32_t value);
    std::string Int64ToString(int64_t value);
    std::string FloatToString(float value);
    std::string FloatToStringWithDecimals(float value, int decimals);
    std::string DoubleToFixedString(double value, int decimals);

    std::string ReplaceFirst(std::string str, const std::string& pattern, const std::string& replacement);
    std::string ReplaceAll(std::string str, const std::string& pattern, const std::string& replacement);
    std::string RemoveFirst(std::string str, const std::string& pattern);
    // Throws std::out_of_range when position is beyond the end.
    std::string EraseString(std::string str, size_t position, size_t count);
    std::string RemoveCharacter(std::string str, char character);
    bool Contains(const std::string& str, const std::string& pattern);

    std::string ConvertNewLineToBreakTag(const std::string& str);
    std::string ConvertNewLineToSpace(const std::string& str);
    std::string MakeColorTag(int red, int green, int blue, int alpha, int fontSize, const std::string& text,
                             const std::string& fontName);

    std::vector<std::string> Split(const std::string& str, char delimiter);

private:
    StringHelper() = default;
};

#endif
