#ifndef WEATHER_COMMON_COLUMN_TABLE_H
#define WEATHER_COMMON_COLUMN_TABLE_H

// A table's columns written once. The CREATE text, the column and placeholder
// lists, the assignments, the bindings and the reading of a row are all made
// from one array of Column, so that a column cannot be added to one of them
// and forgotten in another.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "db/DBConnector.h"
#include "db/Statement.h"
#include "db/WeatherStatement.h"

template <typename Row> struct Column {
    const char* name;
    // What follows the name in the CREATE text (the stored schema keeps its tabs).
    const char* declaration;
    // Null for key columns, which the controllers bind themselves.
    void (*bind)(Statement& stmt, int index, const Row& row);
    void (*read)(const Statement& stmt, int index, Row& row);
};

namespace ColumnTable {

// "CREATE TABLE IF NOT EXISTS %q (<name><declaration>, ...[, <tail>]);"
template <typename Row, size_t N> std::string CreateText(const Column<Row> (&columns)[N], const char* tail)
{
    std::string text = "CREATE TABLE IF NOT EXISTS %q (";
    for (size_t i = 0; i < N; i++) {
        if (i > 0)
            text += ", ";
        text += columns[i].name;
        text += columns[i].declaration;
    }
    if (tail) {
        text += ", ";
        text += tail;
    }
    return text + ");";
}

// The names of columns[from..] joined by ",".
template <typename Row, size_t N> std::string Names(const Column<Row> (&columns)[N], size_t from)
{
    std::string text;
    for (size_t i = from; i < N; i++) {
        if (i > from)
            text += ",";
        text += columns[i].name;
    }
    return text;
}

// "<name> = ?" for columns[from..] joined by ",".
template <typename Row, size_t N> std::string Assignments(const Column<Row> (&columns)[N], size_t from)
{
    std::string text;
    for (size_t i = from; i < N; i++) {
        if (i > from)
            text += ",";
        text += columns[i].name;
        text += " = ?";
    }
    return text;
}

// count "?" joined by ", ".
inline std::string Placeholders(size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; i++)
        text += i > 0 ? ", ?" : "?";
    return text;
}

// Binds the values of columns[from..] at first, first + 1, ...
template <typename Row, size_t N>
void Bind(const Column<Row> (&columns)[N], size_t from, Statement& stmt, int first, const Row& row)
{
    for (size_t i = from; i < N; i++)
        columns[i].bind(stmt, first + static_cast<int>(i - from), row);
}

// Reads columns[from..] from result columns 0, 1, ...
template <typename Row, size_t N>
void Read(const Column<Row> (&columns)[N], size_t from, const Statement& stmt, Row& row)
{
    for (size_t i = from; i < N; i++)
        columns[i].read(stmt, static_cast<int>(i - from), row);
}

// Tables whose rows are a city's vector: columns[0] is FK_ID, columns[1] the
// position in the vector, the rest the record's values. Each record is
// prepared, bound and stepped on its own, so an empty vector runs nothing;
// null records are skipped. The step results are not examined.
template <typename Record, size_t N>
void InsertRows(const Column<Record> (&columns)[N], const std::string& query,
                const std::vector<std::shared_ptr<Record>>& records, int primaryKey)
{
    DBConnector* dbConnector = DBConnector::GetInstance();
    for (size_t i = 0; i < records.size(); i++) {
        if (!records[i])
            continue;
        Statement stmt = dbConnector->DBPrepareStatement(query);
        stmt.BindInt(1, primaryKey);
        stmt.BindInt(2, static_cast<int>(i));
        Bind(columns, 2, stmt, 3, *records[i]);
        stmt.Step();
    }
}

// The values at 1 .. N - 2, then the key and the position.
template <typename Record, size_t N>
void UpdateRows(const Column<Record> (&columns)[N], const std::string& query,
                const std::vector<std::shared_ptr<Record>>& records, int primaryKey)
{
    DBConnector* dbConnector = DBConnector::GetInstance();
    for (size_t i = 0; i < records.size(); i++) {
        if (!records[i])
            continue;
        Statement stmt = dbConnector->DBPrepareStatement(query);
        Bind(columns, 2, stmt, 1, *records[i]);
        stmt.BindInt(static_cast<int>(N) - 1, primaryKey);
        stmt.BindInt(static_cast<int>(N), static_cast<int>(i));
        stmt.Step();
    }
}

// The rows of the key in stored order, each made through the record's Make
// (a failed Init is logged there and the row skipped); null when there are none.
template <typename Record, size_t N>
std::shared_ptr<std::vector<std::shared_ptr<Record>>> SelectRows(const Column<Record> (&columns)[N],
                                                                 const std::string& query, int primaryKey)
{
    Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(query);
    stmt.BindInt(1, primaryKey);
    std::shared_ptr<std::vector<std::shared_ptr<Record>>> records;
    while (stmt.Step() == SQLITE_ROW) {
        std::shared_ptr<Record> record = Record::Make();
        if (!record)
            continue;
        Read(columns, 2, stmt, *record);
        if (!records)
            records = std::make_shared<std::vector<std::shared_ptr<Record>>>();
        records->push_back(std::move(record));
    }
    return records;
}

} // namespace ColumnTable

// Column entries for a record with Get<Field>/Set<Field> accessors.
#define KEY_COLUMN(name, declaration)                                                                                  \
    {                                                                                                                  \
        name, declaration, nullptr, nullptr                                                                            \
    }
#define INT_COLUMN(Row, name, declaration, Field)                                                                      \
    {                                                                                                                  \
        name, declaration, [](Statement& s, int i, const Row& r) { s.BindInt(i, r.Get##Field()); },                    \
            [](const Statement& s, int i, Row& r) { r.Set##Field(s.ColumnInt(i)); }                                    \
    }
#define TIME_COLUMN(Row, name, declaration, Field)                                                                     \
    {                                                                                                                  \
        name, declaration, [](Statement& s, int i, const Row& r) { s.BindTime(i, r.Get##Field()); },                   \
            [](const Statement& s, int i, Row& r) { r.Set##Field(s.ColumnTime(i)); }                                   \
    }
#define DOUBLE_COLUMN(Row, name, declaration, Field)                                                                   \
    {                                                                                                                  \
        name, declaration, [](Statement& s, int i, const Row& r) { s.BindDouble(i, r.Get##Field()); },                 \
            [](const Statement& s, int i, Row& r) { r.Set##Field(s.ColumnDouble(i)); }                                 \
    }
#define TEXT_COLUMN(Row, name, declaration, Field)                                                                     \
    {                                                                                                                  \
        name, declaration, [](Statement& s, int i, const Row& r) { s.BindText(i, r.Get##Field()); },                   \
            [](const Statement& s, int i, Row& r) { r.Set##Field(s.ColumnText(i)); }                                   \
    }
// Stored in Celsius rounded half up to one decimal; read into the record's own
// temperature, both scales set.
#define TEMPERATURE_COLUMN(Row, name, declaration, Field)                                                              \
    {                                                                                                                  \
        name, declaration,                                                                                             \
            [](Statement& s, int i, const Row& r) { WeatherStatement::BindTemperature(s, i, r.Get##Field()); },        \
            [](const Statement& s, int i, Row& r) { WeatherStatement::SetColumnTemperature(r.Get##Field(), s, i); }    \
    }

#endif
