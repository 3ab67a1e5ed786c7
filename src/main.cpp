#include "BackupRestoreMain.h"

#include <sqlite3.h>

int main(int argc, char* argv[])
{
    // No page-cache memory set aside in advance for each connection: the
    // service reads and writes a few pages per job, and the bulk block
    // (20 pages) would stay resident for its whole life.
    sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
    return NSWeatherService::BackupRestoreMain::Main(argc, argv);
}
