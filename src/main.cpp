#include "BackupRestoreMain.h"

int main(int argc, char* argv[])
{
    return NSWeatherService::BackupRestoreMain::Main(argc, argv);
}
