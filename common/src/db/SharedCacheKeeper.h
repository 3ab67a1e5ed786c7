#ifndef WEATHER_COMMON_DB_SHARED_CACHE_KEEPER_H
#define WEATHER_COMMON_DB_SHARED_CACHE_KEEPER_H

#include <sqlite3.h>
#include <sys/types.h>

#include <map>
#include <string>
#include <utility>

// Keeps SQLite's shared cache of a database file alive between the
// connector's openings. Every operation opens and closes the connection, and
// with the last connection to a file SQLite drops its parsed schema and cached
// pages, so each opening would read and parse the whole schema again. One idle
// connection per file and kind (read-only or writable) holds them: it never runs
// a statement or takes a lock, and SQLite still checks at each transaction
// start whether another process changed the file.
//
// Read-only openings go through their own name of the default file system, so
// that they share a cache with each other only: joining a writable one would
// make them writable.
//
// Only the connector's openings check a kept connection before joining it:
// any other shared-cache opening of the same file in this process joins it as
// it is, even when the file it holds was removed since.
class SharedCacheKeeper {
public:
    // The file system name for an opening of that kind (null: SQLite's default).
    static const char* VfsFor(bool readOnly);

    // The file a path named when it was looked at.
    struct Identity {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
    };

    // Before an opening of path: drops every kept connection whose path no
    // longer names the file it holds (removed, replaced), and all of them in a
    // fork of the process that kept them, so the opening never joins a stale
    // cache. Returns what the path named just before the opening.
    static Identity BeforeOpen(const std::string& path);
    // After a successful opening of path: keeps a connection to it if none is
    // kept and the path still names the file it named before the opening (the
    // one the opening reached).
    static void AfterOpen(const std::string& path, bool readOnly, const Identity& before);
    // Closes every kept connection (the data layer's files were removed).
    static void DropAll();

private:
    struct Kept {
        sqlite3* db = nullptr;
        Identity file;
        pid_t owner = 0;
    };
    using Key = std::pair<std::string, bool>;

    static Identity Look(const std::string& path);
    static std::map<Key, Kept>& KeptConnections();
};

#endif
