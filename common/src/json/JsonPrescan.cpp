#include "json/JsonPrescan.h"

std::string JsonPrescan(const char* data, size_t length, int maxDepth)
{
    const char* p = data;
    const char* end = data + length;
    int depth = 0;
    while (p < end) {
        char c = *p++;
        if (c == '"') {
            for (; p < end && *p != '"'; ++p) {
                if (*p == '\\' && p + 1 < end)
                    ++p;
            }
            if (p < end)
                ++p; // closing quote
        } else if (c == '{' || c == '[') {
            if (++depth > maxDepth)
                return "nesting deeper than " + std::to_string(maxDepth) + " levels";
        } else if ((c == '}' || c == ']') && depth > 0) {
            --depth;
        }
    }
    return "";
}
