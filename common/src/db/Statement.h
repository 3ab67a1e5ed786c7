#ifndef WEATHER_COMMON_STATEMENT_H
#define WEATHER_COMMON_STATEMENT_H

#include <sqlite3.h>

#include <cstdint>
#include <string>

// One prepared statement with a single owner. Going out of scope finalizes it,
// or, when it was lent from the connector's statement cache, resets it and
// hands it back, so no path out of a function leaks or double-frees it.
// A null statement (a failed prepare) is allowed throughout: SQLite ignores
// bindings on it and a step answers SQLITE_MISUSE, which callers treat like
// any failed step.
class Statement {
public:
    Statement() = default;
    // Owns stmt and finalizes it.
    explicit Statement(sqlite3_stmt* stmt) : mStmt(stmt) {}
    // Borrows stmt from a cache whose in-use flag is lent.
    Statement(sqlite3_stmt* stmt, bool* lent) : mStmt(stmt), mLent(lent) {}
    ~Statement() { Release(); }

    Statement(Statement&& other) noexcept : mStmt(other.mStmt), mLent(other.mLent)
    {
        other.mStmt = nullptr;
        other.mLent = nullptr;
    }
    Statement& operator=(Statement&& other) noexcept
    {
        if (this != &other) {
            Release();
            mStmt = other.mStmt;
            mLent = other.mLent;
            other.mStmt = nullptr;
            other.mLent = nullptr;
        }
        return *this;
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* Get() const { return mStmt; }
    explicit operator bool() const { return mStmt != nullptr; }

    void BindInt(int index, int value) { sqlite3_bind_int(mStmt, index, value); }
    void BindInt64(int index, int64_t value) { sqlite3_bind_int64(mStmt, index, value); }
    void BindDouble(int index, double value) { sqlite3_bind_double(mStmt, index, value); }
    void BindBool(int index, bool value) { sqlite3_bind_int(mStmt, index, value ? 1 : 0); }
    void BindText(int index, const std::string& value)
    {
        sqlite3_bind_text(mStmt, index, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    }
    // Times are unsigned 32-bit in memory and widened without sign.
    void BindTime(int index, uint32_t value) { sqlite3_bind_int64(mStmt, index, static_cast<sqlite3_int64>(value)); }

    int Step() { return sqlite3_step(mStmt); }

    int ColumnInt(int index) const { return sqlite3_column_int(mStmt, index); }
    int64_t ColumnInt64(int index) const { return sqlite3_column_int64(mStmt, index); }
    double ColumnDouble(int index) const { return sqlite3_column_double(mStmt, index); }
    bool ColumnBool(int index) const { return sqlite3_column_int(mStmt, index) != 0; }
    uint32_t ColumnTime(int index) const { return static_cast<uint32_t>(sqlite3_column_int64(mStmt, index)); }
    // SQL NULL reads as an empty text.
    std::string ColumnText(int index) const
    {
        const unsigned char* text = sqlite3_column_text(mStmt, index);
        return text ? reinterpret_cast<const char*>(text) : "";
    }

private:
    void Release()
    {
        if (mLent) {
            sqlite3_reset(mStmt);
            sqlite3_clear_bindings(mStmt);
            *mLent = false;
        } else {
            sqlite3_finalize(mStmt);
        }
        mStmt = nullptr;
        mLent = nullptr;
    }

    sqlite3_stmt* mStmt = nullptr;
    bool* mLent = nullptr;
};

#endif
