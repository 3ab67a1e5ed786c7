#include "utils/FileHelper.h"

#include <glib.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <device/app_common.h>
#include <device/app_manager.h>
#include <device/trusted_file.h>
#include <device/unique_fd.h>

#include "utils/DBFileNames.h"

namespace {

constexpr int ERR_OK = 0;

// Process-wide: once a directory is known it never changes for this run.
std::string sSharedDataDirPath;
std::string sResourceDirPath;
std::string sSharedResourceDirPath;
std::string sSharedTrustedDirPath;

const std::string kEdjResourceFile = "edje/Resources.edj";
const std::string kWeatherDBFile = std::string("db/") + DBFileName::kWeather;
const std::string kSettingDBFile = std::string("db/") + DBFileName::kSetting;
const std::string kVersionDBFile = std::string("db/") + DBFileName::kVersion;
const std::string kShareTargetDBFile = std::string("db/") + DBFileName::kShareTarget;
const std::string kWeatherInfoJsonFile = "db/.json.txt";

} // namespace

DEFINE_SINGLETON(FileHelper)

bool FileHelper::Init()
{
    return true;
}

std::string FileHelper::GetSharedDataDirectoryPath()
{
    return GetOwnAppDirectoryPath(__func__, sSharedDataDirPath, app_manager_get_shared_data_path,
                                  "sharedDataDirPath == NULL", "sharedDataDirPath < 1");
}

std::string FileHelper::GetSharedDataDirectoryPath(const std::string& appId)
{
    RETURN_IF(appId.length() < 1, std::string());
    return GetAppDirectoryPath(__func__, appId, app_manager_get_shared_data_path, "sharedDataDirPath == NULL",
                               "sharedDataDirPath < 1");
}

std::string FileHelper::GetResourceDirectoryPath()
{
    if (!sResourceDirPath.empty())
        return sResourceDirPath;

    g_autofree char* resourceDirPath = app_get_resource_path();
    LOGE("app_get_resource_path : %s", resourceDirPath ? resourceDirPath : "(null)");
    RETURN_IF(resourceDirPath == NULL, std::string());
    std::string path(resourceDirPath);
    RETURN_IF_MSG(path.length() < 1, "resourceDirPath < 1", std::string());

    sResourceDirPath = path;
    return sResourceDirPath;
}

std::string FileHelper::GetSharedResourceDirectoryPath()
{
    return GetOwnAppDirectoryPath(__func__, sSharedResourceDirPath, app_manager_get_shared_resource_path,
                                  "sharedResDirPath == NULL", nullptr);
}

std::string FileHelper::GetSharedTrustedDirectoryPath()
{
    return GetOwnAppDirectoryPath(__func__, sSharedTrustedDirPath, app_manager_get_shared_trusted_path,
                                  "sharedTrustedDirPath == NULL", nullptr);
}

std::string FileHelper::GetOwnAppDirectoryPath(const char* getter, std::string& cache, AppDirectoryGetter getPath,
                                               const char* nullText, const char* emptyText)
{
    if (!cache.empty())
        return cache;

    pid_t pid = getpid();
    g_autofree char* appId = NULL;
    int ret = app_manager_get_app_id(pid, &appId);
    if (ret != ERR_OK) {
        LOG_RETURN_NOTE_AT(getter, "app_manager_get_app_id failed for pid:%d", (int)pid);
        return std::string();
    }
    if (appId == NULL) {
        LOG_RETURN_GUARD_AT(getter, "appId == NULL");
        return std::string();
    }
    std::string ownAppId(appId);

    std::string path = GetAppDirectoryPath(getter, ownAppId, getPath, nullText, emptyText);
    if (!path.empty())
        cache = path;
    return path;
}

std::string FileHelper::GetAppDirectoryPath(const char* getter, const std::string& appId, AppDirectoryGetter getPath,
                                            const char* nullText, const char* emptyText)
{
    g_autofree char* dirPath = NULL;
    int ret = getPath(appId.c_str(), &dirPath);
    if (ret != ERR_OK) {
        LOG_RETURN_GUARD_AT(getter, "ret != ERR_OK");
        return std::string();
    }
    if (dirPath == NULL) {
        LOG_RETURN_GUARD_AT(getter, nullText);
        return std::string();
    }
    std::string path(dirPath);
    // Only the shared data getters log an empty directory.
    if (path.empty() && emptyText != nullptr)
        LOG_RETURN_GUARD_AT(getter, emptyText);
    return path;
}

std::string FileHelper::GetFilePath(const char* getter, const std::string& directory, const std::string& name)
{
    if (directory.length() < 1) {
        LOG_RETURN_GUARD_AT(getter, "ret.length() < 1");
        return std::string();
    }
    return directory + name;
}

std::string FileHelper::GetEdjResourceFilePath()
{
    return GetFilePath(__func__, GetResourceDirectoryPath(), kEdjResourceFile);
}

std::string FileHelper::GetSharedDataDummyDBFilePath()
{
    return GetFilePath(__func__, GetSharedDataDirectoryPath(), kWeatherDBFile);
}

std::string FileHelper::GetSharedDataDummySettingDBFilePath()
{
    return GetFilePath(__func__, GetSharedDataDirectoryPath(), kSettingDBFile);
}

std::string FileHelper::GetSharedDataDummyVersionDBFilePath()
{
    return GetFilePath(__func__, GetSharedDataDirectoryPath(), kVersionDBFile);
}

std::string FileHelper::GetSharedDataDummySharedTargetDBFilePath()
{
    return GetFilePath(__func__, GetSharedDataDirectoryPath(), kShareTargetDBFile);
}

std::string FileHelper::GetWeatherInfoJsonFilePath()
{
    return GetFilePath(__func__, GetSharedDataDirectoryPath(), kWeatherInfoJsonFile);
}

std::string FileHelper::GetSharedResourceDummyDBFilePath()
{
    return GetFilePath(__func__, GetSharedResourceDirectoryPath(), kWeatherDBFile);
}

std::string FileHelper::GetSharedResourceDummySettingDBFilePath()
{
    return GetFilePath(__func__, GetSharedResourceDirectoryPath(), kSettingDBFile);
}

std::string FileHelper::GetSharedResourceDummyVersionDBFilePath()
{
    return GetFilePath(__func__, GetSharedResourceDirectoryPath(), kVersionDBFile);
}

std::string FileHelper::GetSharedResourceDummySharedTargetDBFilePath()
{
    return GetFilePath(__func__, GetSharedResourceDirectoryPath(), kShareTargetDBFile);
}

bool FileHelper::IsExists(const std::string& fullName)
{
    RETURN_IF(fullName.length() < 1, false);
    return access(fullName.c_str(), F_OK) == 0;
}

bool FileHelper::IsUntrustedFile(const std::string& path)
{
    // Opened without following a link and without waiting, then checked on
    // the descriptor; inside a trusted directory only the user could swap it
    // before the library's own open.
    return device::CheckTrustedFile(path) == device::FileTrust::Refused;
}

bool FileHelper::MakeDirectory(const std::string& path)
{
    RETURN_IF(path.length() < 1, false);
    if (mkdir(path.c_str(), 0755) == 0)
        return true;
    // An existing directory is the normal case on every start after the first.
    if (errno == EEXIST)
        return false;
    LOGE("mkdir failed(path:%s), errno:%d", path.c_str(), errno);
    return false;
}

void FileHelper::RemoveFile(const std::string& filePath)
{
    RETURN_IF(filePath.length() < 1);
    if (remove(filePath.c_str()) != 0)
        LOG_RETURN_NOTE("%s", filePath.c_str());
}

namespace {

// A stream over a file opened through the seam, or null.
FILE* OpenStream(const std::string& path, int flags, mode_t mode, const char* streamMode)
{
    device::UniqueFd fd;
    if (device::OpenTrustedFile(path, flags, &fd, mode) != device::FileTrust::Ok)
        return NULL;
    FILE* stream = fdopen(fd.Get(), streamMode);
    if (stream != NULL)
        fd.Release();
    return stream;
}

// fopen's "w" and "r", with fopen's creation mode (the umask applies).
FILE* OpenForWrite(const std::string& path)
{
    return OpenStream(path, O_WRONLY | O_CREAT | O_TRUNC, 0666, "w");
}

FILE* OpenForRead(const std::string& path)
{
    return OpenStream(path, O_RDONLY, 0, "r");
}

} // namespace

void FileHelper::WriteToFile(const std::string& content, const std::string& filePath)
{
    FILE* fp = OpenForWrite(filePath);
    if (fp == NULL) {
        LOGE("[Failed] fopen function. file pointer is null point");
        return;
    }
    // The length counts, not the first zero byte.
    fwrite(content.data(), 1, content.size(), fp);
    fclose(fp);
}

void FileHelper::CopyFile(const std::string& srcPath, const std::string& dstPath)
{
    FILE* in = OpenForRead(srcPath);
    FILE* out = in != NULL ? OpenForWrite(dstPath) : NULL;
    if (in == NULL) {
        LOG_RETURN_GUARD_AT(__func__, "!inStream.is_open()");
    } else if (out == NULL) {
        LOG_RETURN_GUARD_AT(__func__, "!outStream.is_open()");
    } else {
        char buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, in)) > 0 && fwrite(buffer, 1, n, out) == n) {
        }
    }
    // Both close on every path.
    if (in != NULL)
        fclose(in);
    if (out != NULL)
        fclose(out);
}

FILE* FileHelper::FileOpenForRead(const char* filename, int* fileHandle)
{
    RETURN_IF(NULL == filename || NULL == fileHandle, NULL);

    FILE* fd = OpenForRead(filename);
    RETURN_IF(NULL == fd, NULL);

    *fileHandle = fileno(fd);
    if (FileReadLockWait(*fileHandle) != 0) {
        fclose(fd);
        *fileHandle = 0;
        return NULL;
    }
    return fd;
}

int FileHelper::FileReadLockWait(int fileHandle)
{
    struct flock lock = {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    if (fcntl(fileHandle, F_SETLKW, &lock) == -1) {
        LOGE("errno: %d", errno);
        return -1;
    }
    return 0;
}

int FileHelper::FileUnlock(int fileHandle)
{
    struct flock lock = {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    if (fcntl(fileHandle, F_SETLK, &lock) == -1) {
        LOGE("errno: %d", errno);
        return -1;
    }
    return 0;
}

int FileHelper::FileClose(FILE* fd, int fileHandle)
{
    RETURN_IF(fd == NULL, -1);

    int result = FileUnlock(fileHandle) == 0 ? 0 : -1;
    int file_ret = fclose(fd);
    RETURN_IF(0 != file_ret, -1);
    return result;
}
