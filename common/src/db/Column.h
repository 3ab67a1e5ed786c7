#ifndef WEATHER_COMMON_COLUMN_H
#define WEATHER_COMMON_COLUMN_H

// The one description of a stored record's fields: the tables make their
// statements from it (ColumnTable.h) and weatherctl's city file its members.

#include <cstddef>
#include <cstdint>
#include <string>

// What a column holds, which decides how it is bound, read, and written in a
// file of records outside the database (weatherctl's city file).
enum class ColumnKind { Int32, Int64, Time, Double, Float, Text, Bool, Temperature };

// One value on its way between a record and a statement or a file, in the
// member its kind uses: i for the integers and times, d for the numbers with
// a fraction and temperatures (Celsius), s for text, b for booleans.
struct ColumnValue {
    int64_t i = 0;
    double d = 0.0;
    std::string s;
    bool b = false;
};

// One column: the table's and the city file's one description of a record's
// field.
template <typename Row> struct Column {
    const char* name;
    // What follows the name in the CREATE text (the stored schema keeps its tabs).
    const char* declaration;
    ColumnKind kind;
    // Null for key columns, which the controllers bind themselves.
    void (*get)(const Row& row, ColumnValue& value);
    void (*set)(Row& row, const ColumnValue& value);
};

// A table's column array held by a class that is not told its length.
template <typename Row> struct ColumnSpan {
    const Column<Row>* first;
    size_t count;

    const Column<Row>* begin() const { return first; }
    const Column<Row>* end() const { return first + count; }
    size_t size() const { return count; }
    const Column<Row>& operator[](size_t i) const { return first[i]; }
};

#endif
