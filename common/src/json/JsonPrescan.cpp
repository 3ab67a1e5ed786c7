#include "json/JsonPrescan.h"

std::string JsonPrescan(const char* data, size_t length, int maxDepth)
{
    const char* p = data;
    const char* end = data + length;
    int depth = 0;
    // The library's scanner reads double-quoted strings with escapes,
    // single-quoted ones without, and skips /* */ comments: brackets in them
    // are no structure. "//" starts no comment there.
    while (p < end) {
        const char c = *p++;
        if (c == '"') {
            for (; p < end && *p != '"'; ++p) {
                if (*p == '\\' && p + 1 < end)
                    ++p;
            }
            if (p < end)
                ++p; // closing quote
        } else if (c == '\'') {
            while (p < end && *p != '\'')
                ++p;
            if (p < end)
                ++p;
        } else if (c == '/' && p < end && *p == '*') {
            for (++p; p < end && !(*p == '*' && p + 1 < end && p[1] == '/'); ++p) {
            }
            p = p < end ? p + 2 : end;
        } else if (c == '{' || c == '[') {
            if (++depth > maxDepth)
                return "nesting deeper than " + std::to_string(maxDepth) + " levels";
        } else if ((c == '}' || c == ']') && depth > 0) {
            --depth;
        }
    }
    return "";
}
