#include "BackupRestoreMain.h"

#include <sqlite3.h>

#include "db/SqliteProcess.h"

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
    ConfigureSqliteForOneThreadPerConnection();
    return NSWeatherService::BackupRestoreMain::Main(argc, argv);
}
