// The floor of a backup, for service_bench: in one process, take a request
// over a Unix socket, read the settings row with raw SQLite, build the record
// value with JSON-GLib, write the records file atomically with fsync and
// answer. Linked to the same libraries as the service.
//
//   backup_floor serve <socket path> <settings db> <records file>
//       listens; one backup per connection; "quit" ends it (warm floor)
//   backup_floor once <settings db> <records file>
//       one backup for the request on descriptor 3, then exits (cold floor)

#include <glib.h>
#include <json-glib/json-glib.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool Backup(const char* dbPath, const char* recordsPath)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_open_v2(dbPath, &db, SQLITE_OPEN_SHAREDCACHE | SQLITE_OPEN_READONLY, nullptr);
    sqlite3_prepare_v2(db,
                       "SELECT TemperatureUnit, AutoRefreshInterval, ShowCurrentCityAgreement, NotificationOn "
                       "FROM SETTING_TABLE",
                       -1, &stmt, nullptr);
    bool found = sqlite3_step(stmt) == SQLITE_ROW;
    JsonBuilder* builder = json_builder_new();
    json_builder_begin_object(builder);
    json_builder_set_member_name(builder, "tempUnit");
    json_builder_add_int_value(builder, found ? sqlite3_column_int(stmt, 0) : 0);
    json_builder_set_member_name(builder, "autoRefreshTimeInterval");
    json_builder_add_int_value(builder, found ? sqlite3_column_int(stmt, 1) : 0);
    json_builder_set_member_name(builder, "useCurrentLocationAgreed");
    json_builder_add_boolean_value(builder, found && sqlite3_column_int(stmt, 2));
    json_builder_set_member_name(builder, "useNotification");
    json_builder_add_boolean_value(builder, found && sqlite3_column_int(stmt, 3));
    json_builder_end_object(builder);
    sqlite3_finalize(stmt);
    sqlite3_close(db);

    JsonGenerator* generator = json_generator_new();
    JsonNode* root = json_builder_get_root(builder);
    json_generator_set_root(generator, root);
    gchar* value = json_generator_to_data(generator, nullptr);
    std::string record = std::string("backup_item_tavo_weather\n") + value + "\n";
    bool written = g_file_set_contents_full(recordsPath, record.c_str(), static_cast<gssize>(record.size()),
                                            G_FILE_SET_CONTENTS_CONSISTENT, 0600, nullptr);
    g_free(value);
    json_node_unref(root);
    g_object_unref(generator);
    g_object_unref(builder);
    return found && written;
}

// Reads one request from fd and answers it; false when the request was "quit" or the peer left.
bool Serve(int fd, const char* dbPath, const char* recordsPath)
{
    char request[256];
    ssize_t n = read(fd, request, sizeof request - 1);
    if (n <= 0)
        return false;
    request[n] = '\0';
    if (strncmp(request, "quit", 4) == 0)
        return false;
    const char* answer = Backup(dbPath, recordsPath) ? "ok" : "failed";
    return write(fd, answer, strlen(answer)) > 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "once") == 0)
        return Serve(3, argv[2], argv[3]) ? 0 : 1;
    if (argc != 5 || strcmp(argv[1], "serve") != 0) {
        fprintf(stderr, "usage: backup_floor serve SOCKET DB FILE | once DB FILE\n");
        return 2;
    }
    int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    snprintf(address.sun_path, sizeof address.sun_path, "%s", argv[2]);
    unlink(argv[2]);
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 4) != 0) {
        perror("backup_floor");
        return 1;
    }
    for (bool more = true; more;) {
        int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            break;
        more = Serve(connection, argv[3], argv[4]);
        close(connection);
    }
    close(listener);
    unlink(argv[2]);
    return 0;
}
