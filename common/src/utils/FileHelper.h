#ifndef WEATHER_COMMON_FILE_HELPER_H
#define WEATHER_COMMON_FILE_HELPER_H

#include <cstdio>
#include <string>

#include "utils/Pattern.h"

// Directories the platform assigns to this application, the fixed file paths
// of the weather databases under them, and a few small file operations.
// Directory lookups are cached for the life of the process once they succeed.
class FileHelper {
public:
    DECLARE_SINGLETON(FileHelper);

    virtual bool Init();

    // Directories; each returns an empty string on failure.
    std::string GetSharedDataDirectoryPath();
    std::string GetSharedDataDirectoryPath(const std::string& appId);
    std::string GetResourceDirectoryPath();
    std::string GetSharedResourceDirectoryPath();
    std::string GetSharedTrustedDirectoryPath();

    // Directory + fixed relative name; empty when the directory is unknown.
    std::string GetEdjResourceFilePath();
    std::string GetSharedDataDummyDBFilePath();
    std::string GetSharedDataDummySettingDBFilePath();
    std::string GetSharedDataDummyVersionDBFilePath();
    std::string GetSharedDataDummySharedTargetDBFilePath();
    std::string GetWeatherInfoJsonFilePath();
    std::string GetSharedResourceDummyDBFilePath();
    std::string GetSharedResourceDummySettingDBFilePath();
    std::string GetSharedResourceDummyVersionDBFilePath();
    std::string GetSharedResourceDummySharedTargetDBFilePath();

    bool IsExists(const std::string& fullName);
    // True when path exists and fails the platform's file checks (a link, a
    // FIFO, a directory, another user's file, one others can write, one in a
    // directory others can write): checked before a library opens it by path.
    bool IsUntrustedFile(const std::string& path);
    // True only when the directory was created by this call.
    bool MakeDirectory(const std::string& path);
    void RemoveFile(const std::string& filePath);
    // These open through the platform's file seam and refuse what it refuses.
    void WriteToFile(const std::string& content, const std::string& filePath);
    void CopyFile(const std::string& srcPath, const std::string& dstPath);

    // Read access under a shared whole-file lock that waits for writers.
    FILE* FileOpenForRead(const char* filename, int* fileHandle);
    int FileClose(FILE* fd, int fileHandle);
    int FileReadLockWait(int fileHandle);
    int FileUnlock(int fileHandle);

private:
    FileHelper() = default;

    // The application manager's per-application directory lookups.
    using AppDirectoryGetter = int (*)(const char* appId, char** path);

    // The steps the own-application directory getters share. Their lines name
    // the public getter given as `getter`; `emptyText` null: an empty
    // directory fails without a line.
    std::string GetOwnAppDirectoryPath(const char* getter, std::string& cache, AppDirectoryGetter getPath,
                                       const char* nullText, const char* emptyText);
    std::string GetAppDirectoryPath(const char* getter, const std::string& appId, AppDirectoryGetter getPath,
                                    const char* nullText, const char* emptyText);
    // Directory + relative name; empty when the directory is.
    std::string GetFilePath(const char* getter, const std::string& directory, const std::string& name);
};

#endif
