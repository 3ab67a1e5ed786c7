#include "SettingsStore.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <glib.h>
#include <sqlite3.h>

#include <device/app_manager.h>
#include <device/trusted_file.h>

#include "ToolText.h"
#include "utils/DBFileNames.h"

namespace backupctl {
namespace {

constexpr const char* kServiceAppId = "com.velurio.weather-backuprestore";
constexpr int kBusyTimeoutMs = 2000;

bool ParseValue(const std::string& text, bool boolean, long long& value)
{
    if (boolean && (text == "true" || text == "false")) {
        value = text == "true";
        return true;
    }
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long long parsed = strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX)
        return false;
    if (boolean && parsed != 0 && parsed != 1)
        return false;
    value = parsed;
    return true;
}

} // namespace

std::string SettingKeys()
{
    std::string keys;
    for (const BackedUpSetting& setting : kBackedUpSettings)
        keys += (keys.empty() ? "" : ", ") + std::string(setting.key);
    return keys;
}

std::string SettingsDbPath()
{
    char* dir = nullptr;
    if (app_manager_get_shared_data_path(kServiceAppId, &dir) != APP_MANAGER_ERROR_NONE || dir == nullptr)
        return "";
    std::string path = std::string(dir) + "db/" + DBFileName::kSetting;
    free(dir);
    return path;
}

// SQLite opens the database and a journal beside it by path: both pass the
// platform's file checks first, so a FIFO or another user's file planted
// there is refused, never opened or rolled in.
static bool Openable(const std::string& path, std::string& error)
{
    switch (device::CheckTrustedFile(path)) {
    case device::FileTrust::Missing:
        error =
            tools::Format(_("no settings database at %s (the service creates it when it first starts)"), path.c_str());
        return false;
    case device::FileTrust::Refused:
        error = device::LastTrustRefusal();
        return false;
    case device::FileTrust::Ok:
        break;
    }
    if (device::CheckTrustedFile(path + "-journal") == device::FileTrust::Refused) {
        error = device::LastTrustRefusal();
        return false;
    }
    return true;
}

bool ReadSettings(const std::string& path, Settings& settings, std::string& error)
{
    if (!Openable(path, error))
        return false;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        error = tools::Format(_("cannot open %s: %s"), path.c_str(), db ? sqlite3_errmsg(db) : _("out of memory"));
        sqlite3_close(db);
        return false;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    std::string columns;
    for (const BackedUpSetting& setting : kBackedUpSettings) {
        columns += (columns.empty() ? "" : ", ") + std::string(setting.column);
        if (setting.alsoColumn)
            columns += std::string(", ") + setting.alsoColumn;
    }
    const std::string sql = "SELECT " + columns + " FROM SETTING_TABLE LIMIT 1;";
    sqlite3_stmt* stmt = nullptr;
    bool ok = false;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        error = tools::Format(_("cannot read the settings: %s"), sqlite3_errmsg(db));
    } else if (sqlite3_step(stmt) != SQLITE_ROW) {
        error = _("the settings table has no row");
    } else {
        settings.clear();
        int index = 0;
        for (const BackedUpSetting& setting : kBackedUpSettings) {
            const bool boolean = setting.type == BackupValueType::Boolean;
            StoredSetting stored{&setting, sqlite3_column_int(stmt, index++), 0};
            if (setting.alsoColumn)
                stored.alsoValue = sqlite3_column_int(stmt, index++);
            if (boolean) {
                stored.value = stored.value != 0;
                stored.alsoValue = stored.alsoValue != 0;
            }
            settings.push_back(stored);
        }
        ok = true;
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return ok;
}

bool WriteSetting(const std::string& path, const std::string& key, const std::string& text, std::string& error)
{
    const BackedUpSetting* setting = nullptr;
    for (const BackedUpSetting& s : kBackedUpSettings)
        if (key == s.key)
            setting = &s;
    if (setting == nullptr) {
        error = tools::Format(_("unknown setting %s (%s)"), key.c_str(), SettingKeys().c_str());
        return false;
    }
    const bool boolean = setting->type == BackupValueType::Boolean;
    long long value = 0;
    if (!ParseValue(text, boolean, value)) {
        error = tools::Format(boolean ? _("invalid value %s for %s (true/false)")
                                      : _("invalid value %s for %s (a 32-bit integer)"),
                              text.c_str(), key.c_str());
        return false;
    }
    if (!Openable(path, error))
        return false;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        error = tools::Format(_("cannot open %s: %s"), path.c_str(), db ? sqlite3_errmsg(db) : _("out of memory"));
        sqlite3_close(db);
        return false;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    std::string sql = std::string("UPDATE SETTING_TABLE SET ") + setting->column + " = ?1";
    if (setting->alsoColumn)
        sql += std::string(", ") + setting->alsoColumn + " = ?1";
    sql += ";";
    sqlite3_stmt* stmt = nullptr;
    bool ok = false;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        error = tools::Format(_("cannot update the settings: %s"), sqlite3_errmsg(db));
    } else {
        sqlite3_bind_int64(stmt, 1, value);
        if (sqlite3_step(stmt) != SQLITE_DONE)
            error = tools::Format(_("cannot update the settings: %s"), sqlite3_errmsg(db));
        else if (sqlite3_changes(db) == 0)
            error = _("the settings table has no row");
        else
            ok = true;
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return ok;
}

} // namespace backupctl
