// Builds the read-only icon lookup database from its text source.
//
// Usage: IconDBGenerator <source.txt> <output.db>
// Source lines: "icon_id day_mapping_id night_mapping_id", separated by blanks
// or commas; '#' starts a comment. The output is rebuilt from scratch.

#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

bool Exec(sqlite3* db, const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::cerr << "IconDBGenerator: " << (error ? error : "unknown error") << " in: " << sql << "\n";
        sqlite3_free(error);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: IconDBGenerator <source.txt> <output.db>\n";
        return 2;
    }
    std::ifstream source(argv[1]);
    if (!source) {
        std::cerr << "IconDBGenerator: cannot read " << argv[1] << "\n";
        return 1;
    }
    const std::string output = argv[2];
    const std::string temporary = output + ".tmp";
    std::remove(temporary.c_str());

    sqlite3* db = nullptr;
    if (sqlite3_open(temporary.c_str(), &db) != SQLITE_OK) {
        std::cerr << "IconDBGenerator: cannot create " << temporary << "\n";
        sqlite3_close(db);
        return 1;
    }
    bool ok = Exec(db, "CREATE TABLE icon_table (icon_id INTEGER PRIMARY KEY, day_mapping_id INTEGER, "
                       "night_mapping_id INTEGER);") &&
              Exec(db, "BEGIN;");
    sqlite3_stmt* stmt = nullptr;
    if (ok && sqlite3_prepare_v2(db, "INSERT INTO icon_table VALUES (?, ?, ?);", -1, &stmt, nullptr) != SQLITE_OK)
        ok = false;

    std::string line;
    int lineNumber = 0;
    while (ok && std::getline(source, line)) {
        lineNumber++;
        line = line.substr(0, line.find('#'));
        for (char& c : line)
            if (c == ',')
                c = ' ';
        std::istringstream fields(line);
        long iconId = 0, day = 0, night = 0;
        if (!(fields >> iconId))
            continue; // blank or comment line
        std::string rest;
        if (!(fields >> day >> night) || (fields >> rest)) {
            std::cerr << argv[1] << ":" << lineNumber << ": expected three numbers\n";
            ok = false;
            break;
        }
        sqlite3_bind_int64(stmt, 1, iconId);
        sqlite3_bind_int64(stmt, 2, day);
        sqlite3_bind_int64(stmt, 3, night);
        if (sqlite3_step(stmt) != SQLITE_DONE) {
            std::cerr << argv[1] << ":" << lineNumber << ": " << sqlite3_errmsg(db) << "\n";
            ok = false;
        }
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    ok = ok && Exec(db, "COMMIT;");
    sqlite3_close(db);

    if (!ok || std::rename(temporary.c_str(), output.c_str()) != 0) {
        std::remove(temporary.c_str());
        std::cerr << "IconDBGenerator: " << output << " not written\n";
        return 1;
    }
    return 0;
}
