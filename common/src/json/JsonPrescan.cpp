#include "json/JsonPrescan.h"

#include <cstring>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordChar(char c) { return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

// Checks the number token [begin, end): only plain decimal integers are of concern.
std::string CheckNumber(const char* begin, const char* end)
{
    const char* digits = begin;
    bool negative = false;
    if (digits < end && *digits == '-') {
        negative = true;
        ++digits;
    }
    const char* p = digits;
    while (p < end && IsDigit(*p))
        ++p;
    size_t count = static_cast<size_t>(p - digits);
    if (count == 0)
        return "";  // "-" alone or ".5": the parser decides
    if (p < end && (*p == 'x' || *p == 'X'))
        return "number is not in JSON form (hexadecimal)";
    if (p < end)
        return "";  // fraction or exponent: read as a double
    if (count > 1 && digits[0] == '0')
        return "number is not in JSON form (leading zero)";
    const char* limit = negative ? "9223372036854775808" : "9223372036854775807";
    const size_t limitLen = 19;
    if (count > limitLen || (count == limitLen && std::memcmp(digits, limit, limitLen) > 0))
        return "integer out of 64-bit range";
    return "";
}

}  // namespace

std::string JsonPrescan(const char* data, size_t length, int maxDepth)
{
    const char* p = data;
    const char* end = data + length;
    int depth = 0;
    while (p < end) {
        char c = *p;
        if (c == '"') {
            for (++p; p < end && *p != '"'; ++p) {
                if (*p == '\\' && p + 1 < end)
                    ++p;
            }
            if (p < end)
                ++p;  // closing quote
        } else if (c == '{' || c == '[') {
            if (++depth > maxDepth)
                return "nesting deeper than " + std::to_string(maxDepth) + " levels";
            ++p;
        } else if (c == '}' || c == ']') {
            if (depth > 0)
                --depth;
            ++p;
        } else if (c == '-' || IsWordChar(c) || c == '.') {
            // One token: a number (sign, digits, fraction, exponent) or a bare word.
            const char* begin = p++;
            while (p < end && (IsWordChar(*p) || *p == '.' ||
                               ((*p == '+' || *p == '-') && (p[-1] == 'e' || p[-1] == 'E'))))
                ++p;
            if (c == '-' || IsDigit(c)) {
                std::string reason = CheckNumber(begin, p);
                if (!reason.empty())
                    return reason;
            }
        } else {
            ++p;
        }
    }
    return "";
}
