#ifndef WEATHER_TEST_PO_FILE_H
#define WEATHER_TEST_PO_FILE_H

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// One entry of a gettext source file (.po or .pot) as gettext reads it:
// continued strings joined, escapes undone, flags and obsolete entries kept.
struct PoEntry {
    std::string context;
    std::string id;
    std::string idPlural;
    std::vector<std::string> strs;  // msgstr, or msgstr[0..n] of a plural entry
    std::vector<std::string> flags; // "fuzzy", "c-format", ...
    bool obsolete = false;
    int line = 0;
};

struct PoFile {
    bool opened = false;
    std::vector<PoEntry> entries;    // the header (empty msgid) included
    std::vector<std::string> errors; // lines the reader did not understand
};

inline PoFile ReadPoFile(const std::string& path)
{
    PoFile file;
    std::ifstream in(path);
    file.opened = static_cast<bool>(in);
    PoEntry entry;
    std::vector<std::string> pendingFlags;
    std::string* target = nullptr;
    bool inEntry = false;
    int number = 0;
    auto finish = [&] {
        if (inEntry)
            file.entries.push_back(entry);
        entry = PoEntry();
        inEntry = false;
        target = nullptr;
    };
    auto unquote = [&](const std::string& text, size_t from, std::string& out) {
        size_t open = text.find('"', from);
        size_t close = text.rfind('"');
        if (open == std::string::npos || close == open) {
            file.errors.push_back(path + ":" + std::to_string(number) + ": no quoted string");
            return;
        }
        for (size_t i = open + 1; i < close; ++i) {
            if (text[i] != '\\') {
                out += text[i];
                continue;
            }
            char c = ++i < close ? text[i] : '\\';
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        }
    };
    std::string raw;
    while (std::getline(in, raw)) {
        ++number;
        std::string line = raw;
        bool obsolete = line.rfind("#~", 0) == 0;
        if (obsolete)
            line = line.substr(line.size() > 2 && line[2] == ' ' ? 3 : 2);
        if (line.empty()) {
            finish();
            continue;
        }
        if (line.rfind("#,", 0) == 0) {
            if (inEntry && target)
                finish();
            std::istringstream words(line.substr(2));
            std::string flag;
            while (std::getline(words, flag, ',')) {
                flag.erase(0, flag.find_first_not_of(' '));
                flag.erase(flag.find_last_not_of(' ') + 1);
                pendingFlags.push_back(flag);
            }
            continue;
        }
        if (line[0] == '#')
            continue;
        auto begins = [&](const char* keyword, std::string*& into, std::string& field) {
            std::string word = keyword;
            if (line.rfind(word + " ", 0) != 0)
                return false;
            into = &field;
            unquote(line, word.size(), field);
            return true;
        };
        if (line.rfind("msgctxt ", 0) == 0 || (line.rfind("msgid ", 0) == 0 && target != &entry.context)) {
            finish();
            inEntry = true;
            entry.line = number;
            entry.obsolete = obsolete;
            entry.flags = pendingFlags;
            pendingFlags.clear();
        }
        if (begins("msgctxt", target, entry.context) || begins("msgid", target, entry.id) ||
            begins("msgid_plural", target, entry.idPlural))
            continue;
        if (line.rfind("msgstr", 0) == 0) {
            entry.strs.emplace_back();
            target = &entry.strs.back();
            unquote(line, line.find(' '), *target);
            continue;
        }
        if (line[0] == '"' && target) {
            unquote(line, 0, *target);
            continue;
        }
        file.errors.push_back(path + ":" + std::to_string(number) + ": " + raw);
    }
    finish();
    return file;
}

#endif
