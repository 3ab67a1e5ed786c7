#pragma once

#include <sqlite3.h>

// Process-wide SQLite settings for a program whose every connection is used
// by one thread at a time, as each opening of the data layer is (it opens,
// runs one transaction and closes on the calling thread). SQLite then takes
// no lock of its own on each call and keeps no memory statistics nobody
// reads: a tenth of a cold backup's instructions, and a fortieth of
// `weatherctl show` and `list`. Call it in main, before the first database
// call; a program that shares a connection between threads must not.
inline void ConfigureSqliteForOneThreadPerConnection()
{
    sqlite3_config(SQLITE_CONFIG_MULTITHREAD);
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
}
