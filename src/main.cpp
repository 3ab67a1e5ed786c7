#include "BackupRestoreMain.h"

#include <sqlite3.h>

int main(int argc, char* argv[])
{
    // No page-cache memory set aside in advance for each connection: the
    // service reads and writes a few pages per job, and the bulk block
    // (20 pages) would stay resident for its whole life.
    sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
    // Nor a lookaside pool per connection: each opening would set aside and
    // touch about 120 KiB for a few statements, a fiftieth of the service's
    // resident size, and its own allocations cost no more than the pool's set-up.
    sqlite3_config(SQLITE_CONFIG_LOOKASIDE, 0, 0);
    // One thread uses the one connection, so SQLite needs no lock of its own
    // per call, and nobody reads its memory statistics: together a tenth of
    // a cold backup's instructions (nine openings, each parsing a schema).
    sqlite3_config(SQLITE_CONFIG_MULTITHREAD);
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    return NSWeatherService::BackupRestoreMain::Main(argc, argv);
}
