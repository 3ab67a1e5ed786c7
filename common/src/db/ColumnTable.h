#ifndef WEATHER_COMMON_COLUMN_TABLE_H
#define WEATHER_COMMON_COLUMN_TABLE_H

// A table's columns written once. The CREATE text, the column and placeholder
// lists, the assignments, the bindings and the reading of a row are all made
// from one array of Column, so that a column cannot be added to one of them
// and forgotten in another. Also the statements every weather table writes
// the same way (temperatures, deleting rows, creating the table).

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "db/Column.h"
#include "db/DBConnector.h"
#include "db/QueryGenerator.h"
#include "db/Statement.h"
#include "typedef/Temperature.h"
#include "utils/Log.h"

namespace ColumnTable {

// "CREATE TABLE IF NOT EXISTS %q (<name><declaration>, ...[, <tail>]);"
template <typename Columns> std::string CreateText(const Columns& columns, const char* tail)
{
    std::string text = "CREATE TABLE IF NOT EXISTS %q (";
    for (size_t i = 0; i < std::size(columns); i++) {
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

// The names of columns[from..] joined by separator.
template <typename Columns> std::string Names(const Columns& columns, size_t from, const char* separator = ",")
{
    std::string text;
    for (size_t i = from; i < std::size(columns); i++) {
        if (i > from)
            text += separator;
        text += columns[i].name;
    }
    return text;
}

// "<name> = ?" for columns[from..end) joined by separator.
template <typename Columns>
std::string Assignments(const Columns& columns, size_t from, size_t end = SIZE_MAX, const char* separator = ",")
{
    std::string text;
    for (size_t i = from; i < std::min(end, std::size(columns)); i++) {
        if (i > from)
            text += separator;
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

// Temperatures are written in Celsius, half up to one decimal.
inline void BindValue(Statement& stmt, int index, ColumnKind kind, const ColumnValue& value)
{
    switch (kind) {
    case ColumnKind::Int32:
        return stmt.BindInt(index, static_cast<int>(value.i));
    case ColumnKind::Int64:
        return stmt.BindInt64(index, value.i);
    case ColumnKind::Time:
        return stmt.BindTime(index, static_cast<uint32_t>(value.i));
    case ColumnKind::Double:
    case ColumnKind::Float:
        return stmt.BindDouble(index, value.d);
    case ColumnKind::Temperature:
        return stmt.BindDouble(index, Temperature::RoundToOneDecimal(value.d));
    case ColumnKind::Text:
        return stmt.BindText(index, value.s);
    case ColumnKind::Bool:
        return stmt.BindBool(index, value.b);
    }
}

// A 32-bit time is zero-extended from its 64-bit column; any non-zero
// integer reads as true.
inline void ReadValue(const Statement& stmt, int index, ColumnKind kind, ColumnValue& value)
{
    switch (kind) {
    case ColumnKind::Int32:
        value.i = stmt.ColumnInt(index);
        return;
    case ColumnKind::Int64:
        value.i = stmt.ColumnInt64(index);
        return;
    case ColumnKind::Time:
        value.i = stmt.ColumnTime(index);
        return;
    case ColumnKind::Double:
    case ColumnKind::Float:
    case ColumnKind::Temperature:
        value.d = stmt.ColumnDouble(index);
        return;
    case ColumnKind::Text:
        value.s = stmt.ColumnText(index);
        return;
    case ColumnKind::Bool:
        value.b = stmt.ColumnBool(index);
        return;
    }
}

// Binds the values of columns[from..] at first, first + 1, ...
template <typename Columns, typename Row>
void Bind(const Columns& columns, size_t from, Statement& stmt, int first, const Row& row)
{
    ColumnValue value;
    for (size_t i = from; i < std::size(columns); i++) {
        columns[i].get(row, value);
        BindValue(stmt, first + static_cast<int>(i - from), columns[i].kind, value);
    }
}

// Reads columns[from..] from result columns 0, 1, ...
template <typename Columns, typename Row>
void Read(const Columns& columns, size_t from, const Statement& stmt, Row& row)
{
    ColumnValue value;
    for (size_t i = from; i < std::size(columns); i++) {
        ReadValue(stmt, static_cast<int>(i - from), columns[i].kind, value);
        columns[i].set(row, value);
    }
}

// A field's value into the member of value its type uses, and back.
template <typename T> void Put(ColumnValue& value, const T& field)
{
    if constexpr (std::is_same_v<T, bool>)
        value.b = field;
    else if constexpr (std::is_integral_v<T>)
        value.i = field;
    else if constexpr (std::is_floating_point_v<T>)
        value.d = field;
    else
        value.s = field;
}
template <typename T> T Take(const ColumnValue& value)
{
    if constexpr (std::is_same_v<T, bool>)
        return value.b;
    else if constexpr (std::is_integral_v<T>)
        return static_cast<T>(value.i);
    else if constexpr (std::is_floating_point_v<T>)
        return static_cast<T>(value.d);
    else
        return value.s;
}

// A record without a temperature is written as the unsupported marker; a
// read fills the record's own temperature (made by its Init), both scales.
inline void PutTemperature(ColumnValue& value, const TemperaturePtr& temperaturePtr)
{
    value.d = temperaturePtr ? temperaturePtr->GetCelsius() : FLOAT_UNSUPPORTED_VALUE;
}
inline void TakeTemperature(const TemperaturePtr& temperaturePtr, const ColumnValue& value)
{
    if (temperaturePtr)
        temperaturePtr->SetTemperature(value.d);
}

// "DELETE FROM <table> WHERE FK_ID=?;" for one city's rows; false when the
// step does not finish, which the caller logs in its own name.
inline bool DeleteRowsOfKey(const char* tableName, int primaryKey)
{
    Statement stmt =
        DBConnector::GetInstance()->DBPrepareStatement(std::string("DELETE FROM ") + tableName + " WHERE FK_ID=?;");
    stmt.BindInt(1, primaryKey);
    return stmt.Step() == SQLITE_DONE;
}

inline void DeleteAllRows(const char* tableName)
{
    std::string query = std::string("DELETE FROM ") + tableName + ";";
    DBConnector::GetInstance()->DBExecuteQuery(query.c_str());
}

// statement is a CREATE text with "%q" standing for the table name.
inline void CreateTable(const char* statement, const char* tableName)
{
    char* query = sqlite3_mprintf(statement, tableName);
    DBConnector::GetInstance()->DBExecuteQuery(query);
    sqlite3_free(query);
}

} // namespace ColumnTable

// What the tables of a city's rows share: columns[0] is FK_ID, the next
// keyCount - 1 columns the rest of a row's key, the others its values.
// Expects the connection to be open on the weather file.
template <typename Row> class CityKeyedTable {
public:
    std::string CreateText() const
    {
        return ColumnTable::CreateText(
            mColumns, "FOREIGN KEY(FK_ID) REFERENCES CITY_TABLE(PK_ID) ON DELETE CASCADE ON UPDATE CASCADE");
    }
    void CreateTable() const { ColumnTable::CreateTable(CreateText().c_str(), mTableName); }

    // Builds the statement texts once.
    void MakeQueries(QueryGenernator& generator)
    {
        mInsertQuery = generator.MakeInsertQuery(mTableName, ColumnTable::Names(mColumns, 0),
                                                 ColumnTable::Placeholders(mColumns.size()));
        mUpdateQuery = generator.MakeUpdateQuery(mTableName, ColumnTable::Assignments(mColumns, mKeyCount),
                                                 generator.MakeWhereClause(mUpdateCondition));
        mSelectQuery = generator.MakeSelectQuery(mTableName, ColumnTable::Names(mColumns, mKeyCount),
                                                 generator.MakeWhereClause("FK_ID = ?"), "", "", "");
        mSelectAllQuery =
            generator.MakeSelectQuery(mTableName, ColumnTable::Names(mColumns, mKeyCount) + ",FK_ID", "", "", "", "");
    }

    // Removes the key's rows; logs when the statement does not finish.
    void Delete(int primaryKey) const
    {
        if (!ColumnTable::DeleteRowsOfKey(mTableName, primaryKey))
            LOGE("Fail to Delete");
    }
    void DeleteAll() const { ColumnTable::DeleteAllRows(mTableName); }

protected:
    // updateCondition: the key's condition in the UPDATE text, as the table
    // has always written it.
    CityKeyedTable(const char* tableName, ColumnSpan<Row> columns, size_t keyCount, std::string updateCondition)
        : mTableName(tableName), mColumns(columns), mKeyCount(keyCount), mUpdateCondition(std::move(updateCondition))
    {
    }

    // Every row in stored order, in one pass: each(key, stmt) with stmt on
    // the row's values, where a select per city scans the whole table once
    // per city.
    template <typename Each> void EachRow(Each each) const
    {
        Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mSelectAllQuery);
        const int keyColumn = static_cast<int>(mColumns.size() - mKeyCount);
        while (stmt.Step() == SQLITE_ROW)
            each(stmt.ColumnInt(keyColumn), stmt);
    }

    // The key's rows, bound and not yet stepped.
    Statement SelectOfKey(int primaryKey) const
    {
        Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(mSelectQuery);
        stmt.BindInt(1, primaryKey);
        return stmt;
    }

    const char* mTableName;
    ColumnSpan<Row> mColumns;
    size_t mKeyCount;
    std::string mUpdateCondition;
    std::string mInsertQuery;
    std::string mUpdateQuery;
    std::string mSelectQuery;
    std::string mSelectAllQuery;
};

// The tables that hold a city's record vector (hourly, yesterday, weekly,
// moon phase): columns[1] is the position in the vector. Each record is
// prepared, bound and stepped on its own, so an empty vector runs nothing;
// null records are skipped; step results are not examined.
template <typename Record> class CityRecordsTable : public CityKeyedTable<Record> {
    using Base = CityKeyedTable<Record>;

public:
    using Records = std::vector<std::shared_ptr<Record>>;

    template <size_t N>
    CityRecordsTable(const char* tableName, const Column<Record> (&columns)[N])
        : Base(tableName, {columns, N}, 2, std::string("FK_ID = ? AND ") + columns[1].name + " = ?;")
    {
    }

    void Insert(const Records& records, int primaryKey) const
    {
        for (size_t i = 0; i < records.size(); i++) {
            if (!records[i])
                continue;
            Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(this->mInsertQuery);
            stmt.BindInt(1, primaryKey);
            stmt.BindInt(2, static_cast<int>(i));
            ColumnTable::Bind(this->mColumns, 2, stmt, 3, *records[i]);
            stmt.Step();
        }
    }

    // The values at 1 .. N - 2, then the key and the position. Only the
    // stored positions change; extra records or rows stay as they are.
    void Update(const Records& records, int primaryKey) const
    {
        const int count = static_cast<int>(this->mColumns.size());
        for (size_t i = 0; i < records.size(); i++) {
            if (!records[i])
                continue;
            Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(this->mUpdateQuery);
            ColumnTable::Bind(this->mColumns, 2, stmt, 1, *records[i]);
            stmt.BindInt(count - 1, primaryKey);
            stmt.BindInt(count, static_cast<int>(i));
            stmt.Step();
        }
    }

    // The rows of the key in stored order, each made through the record's
    // Make (a failed Init is logged there and the row skipped); null when
    // there are none.
    std::shared_ptr<Records> Select(int primaryKey) const
    {
        Statement stmt = this->SelectOfKey(primaryKey);
        std::shared_ptr<Records> records;
        while (stmt.Step() == SQLITE_ROW) {
            if (std::shared_ptr<Record> record = Read(stmt)) {
                if (!records)
                    records = std::make_shared<Records>();
                records->push_back(std::move(record));
            }
        }
        return records;
    }

    // Every row with its key, in stored order.
    template <typename Each> void SelectAll(Each each) const
    {
        this->EachRow([this, &each](int primaryKey, const Statement& stmt) {
            if (std::shared_ptr<Record> record = Read(stmt))
                each(primaryKey, std::move(record));
        });
    }

private:
    std::shared_ptr<Record> Read(const Statement& stmt) const
    {
        std::shared_ptr<Record> record = Record::Make();
        if (record)
            ColumnTable::Read(this->mColumns, 2, stmt, *record);
        return record;
    }
};

// The tables that hold one row per city (current weather, life index), read
// through readRecord(stmt, table), which makes the record and fills it with
// Read; a null result drops the row.
template <typename Row, typename RecordPtr> class CityRowTable : public CityKeyedTable<Row> {
    using Base = CityKeyedTable<Row>;

public:
    using ReadRecord = RecordPtr (*)(const Statement& stmt, const CityRowTable& table);

    template <size_t N>
    CityRowTable(const char* tableName, const Column<Row> (&columns)[N], const char* updateCondition,
                 ReadRecord readRecord)
        : Base(tableName, {columns, N}, 1, updateCondition), mReadRecord(readRecord)
    {
    }

    // The key at 1, the values after it; the step's result is not examined.
    void Insert(const Row& row, int primaryKey) const
    {
        Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(this->mInsertQuery);
        stmt.BindInt(1, primaryKey);
        ColumnTable::Bind(this->mColumns, 1, stmt, 2, row);
        stmt.Step();
    }

    // The values at 1 .. N - 1, the key last.
    void Update(const Row& row, int primaryKey) const
    {
        Statement stmt = DBConnector::GetInstance()->DBPrepareStatement(this->mUpdateQuery);
        ColumnTable::Bind(this->mColumns, 1, stmt, 1, row);
        stmt.BindInt(static_cast<int>(this->mColumns.size()), primaryKey);
        stmt.Step();
    }

    // The key's row; null, with "No result : <step result>" logged, when
    // there is none.
    RecordPtr Select(int primaryKey) const
    {
        Statement stmt = this->SelectOfKey(primaryKey);
        int rc = stmt.Step();
        if (rc != SQLITE_ROW) {
            LOGE("No result : %d", rc);
            return nullptr;
        }
        return mReadRecord(stmt, *this);
    }

    // Every row with its key, in stored order.
    template <typename Each> void SelectAll(Each each) const
    {
        this->EachRow([this, &each](int primaryKey, const Statement& stmt) {
            if (RecordPtr record = mReadRecord(stmt, *this))
                each(primaryKey, std::move(record));
        });
    }

    void Read(const Statement& stmt, Row& row) const { ColumnTable::Read(this->mColumns, 1, stmt, row); }

private:
    ReadRecord mReadRecord;
};

// Column entries for a record with Get<Field>/Set<Field> accessors, reached
// as row.Get<Field>() (INT_COLUMN) or, for a row made of parts, as
// row.part.Get<Field>() (INT_COLUMN_OF).
#define ACCESSOR_COLUMN(Row, path, name, declaration, Field, kind)                                                     \
    {                                                                                                                  \
        name, declaration, ColumnKind::kind,                                                                           \
            [](const Row& r, ColumnValue& v) { ColumnTable::Put(v, r path Get##Field()); },                            \
            [](Row& r, const ColumnValue& v) {                                                                         \
                r path Set##Field(ColumnTable::Take<std::decay_t<decltype(r path Get##Field())>>(v));                  \
            }                                                                                                          \
    }
#define KEY_COLUMN(name, declaration)                                                                                  \
    {                                                                                                                  \
        name, declaration, ColumnKind::Int32, nullptr, nullptr                                                         \
    }
#define INT_COLUMN_OF(Row, part, name, declaration, Field) ACCESSOR_COLUMN(Row, .part., name, declaration, Field, Int32)
#define TIME_COLUMN_OF(Row, part, name, declaration, Field) ACCESSOR_COLUMN(Row, .part., name, declaration, Field, Time)
#define DOUBLE_COLUMN_OF(Row, part, name, declaration, Field)                                                          \
    ACCESSOR_COLUMN(Row, .part., name, declaration, Field, Double)
// A float in memory, a double in the table.
#define FLOAT_COLUMN_OF(Row, part, name, declaration, Field)                                                           \
    ACCESSOR_COLUMN(Row, .part., name, declaration, Field, Float)
#define TEXT_COLUMN_OF(Row, part, name, declaration, Field) ACCESSOR_COLUMN(Row, .part., name, declaration, Field, Text)
// Stored in Celsius rounded half up to one decimal.
#define TEMPERATURE_COLUMN_OF(Row, part, name, declaration, Field)                                                     \
    {                                                                                                                  \
        name, declaration, ColumnKind::Temperature,                                                                    \
            [](const Row& r, ColumnValue& v) { ColumnTable::PutTemperature(v, r.part.Get##Field()); },                 \
            [](Row& r, const ColumnValue& v) { ColumnTable::TakeTemperature(r.part.Get##Field(), v); }                 \
    }

#define INT_COLUMN(Row, name, declaration, Field) ACCESSOR_COLUMN(Row, ., name, declaration, Field, Int32)
#define INT64_COLUMN(Row, name, declaration, Field) ACCESSOR_COLUMN(Row, ., name, declaration, Field, Int64)
#define BOOL_COLUMN(Row, name, declaration, Field) ACCESSOR_COLUMN(Row, ., name, declaration, Field, Bool)
#define TIME_COLUMN(Row, name, declaration, Field) ACCESSOR_COLUMN(Row, ., name, declaration, Field, Time)
#define DOUBLE_COLUMN(Row, name, declaration, Field) ACCESSOR_COLUMN(Row, ., name, declaration, Field, Double)
#define TEXT_COLUMN(Row, name, declaration, Field) ACCESSOR_COLUMN(Row, ., name, declaration, Field, Text)
#define TEMPERATURE_COLUMN(Row, name, declaration, Field)                                                              \
    {                                                                                                                  \
        name, declaration, ColumnKind::Temperature,                                                                    \
            [](const Row& r, ColumnValue& v) { ColumnTable::PutTemperature(v, r.Get##Field()); },                      \
            [](Row& r, const ColumnValue& v) { ColumnTable::TakeTemperature(r.Get##Field(), v); }                      \
    }

#endif
