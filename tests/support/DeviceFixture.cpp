#include "DeviceFixture.h"

#include <device/host.h>

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

std::mutex gRootMutex;
std::string gRoot;
pid_t gCreator = 0;

void RemoveTree(const std::string& path)
{
    GDir* dir = g_dir_open(path.c_str(), 0, nullptr);
    if (dir) {
        while (const gchar* name = g_dir_read_name(dir)) {
            std::string child = path + "/" + name;
            if (g_file_test(child.c_str(), G_FILE_TEST_IS_DIR) && !g_file_test(child.c_str(), G_FILE_TEST_IS_SYMLINK))
                RemoveTree(child);
            else
                unlink(child.c_str());
        }
        g_dir_close(dir);
    }
    rmdir(path.c_str());
}

// Forked children exit too: only the process that made the root removes it.
void RemoveRootAtExit()
{
    if (gRoot.empty() || getpid() != gCreator)
        return;
    const char* keep = g_getenv("WEATHER_TEST_KEEP_ROOT");
    if (keep && g_strcmp0(keep, "1") == 0) {
        std::fprintf(stderr, "device root kept: %s\n", gRoot.c_str());
        return;
    }
    RemoveTree(gRoot);
}

std::mutex gCaptureMutex;
std::vector<LogCapture*> gCaptures;

void CaptureHook(log_priority priority, const char* tag, const char* message, void*)
{
    std::lock_guard<std::mutex> guard(gCaptureMutex);
    for (LogCapture* capture : gCaptures)
        capture->Record(priority, tag, message);
}

} // namespace

void DeviceFixture::Ensure()
{
    std::lock_guard<std::mutex> guard(gRootMutex);
    if (!gRoot.empty())
        return;
    char pattern[] = "/tmp/weather-test-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        std::abort();
    }
    gRoot = pattern;
    gCreator = getpid();
    std::atexit(RemoveRootAtExit);
    g_setenv(device::kRootEnv, gRoot.c_str(), TRUE);
    g_setenv(device::kAppIdEnv, kDefaultAppId, TRUE);
    g_unsetenv(device::kFaultsEnv);
    if (!device::EnsureDefaultDevice()) {
        std::fprintf(stderr, "cannot set up the device under %s\n", gRoot.c_str());
        std::abort();
    }
}

std::string DeviceFixture::Root()
{
    Ensure();
    std::lock_guard<std::mutex> guard(gRootMutex);
    return gRoot;
}

void DeviceFixture::SetAppId(const std::string& appId)
{
    g_setenv(device::kAppIdEnv, appId.c_str(), TRUE);
}

void DeviceFixture::RemoveTree(const std::string& path)
{
    ::RemoveTree(path);
}

TempDir::TempDir(const char* prefix, mode_t mode)
{
    gchar* dir = g_dir_make_tmp((std::string(prefix) + "-XXXXXX").c_str(), nullptr);
    if (!dir || chmod(dir, mode) != 0) {
        std::perror(prefix);
        std::abort();
    }
    mPath = dir;
    g_free(dir);
}

std::string ReadText(const std::string& path)
{
    gchar* data = nullptr;
    gsize length = 0;
    std::string text;
    if (g_file_get_contents(path.c_str(), &data, &length, nullptr))
        text.assign(data, length);
    g_free(data);
    return text;
}

void DeviceFixture::Reset()
{
    SetAppId(kDefaultAppId);
    device::ClearFaults();
    g_unsetenv(device::kFaultsEnv);
}

LogCapture::LogCapture()
{
    std::lock_guard<std::mutex> guard(gCaptureMutex);
    gCaptures.push_back(this);
    dlog_set_capture_hook(CaptureHook, nullptr);
}

LogCapture::~LogCapture()
{
    std::lock_guard<std::mutex> guard(gCaptureMutex);
    gCaptures.erase(std::remove(gCaptures.begin(), gCaptures.end(), this), gCaptures.end());
    if (gCaptures.empty())
        dlog_set_capture_hook(nullptr, nullptr);
}

void LogCapture::Record(log_priority priority, const char* tag, const char* message)
{
    std::lock_guard<std::mutex> guard(mMutex);
    mLines.push_back({priority, tag ? tag : "", message ? message : ""});
}

std::vector<LogCapture::Line> LogCapture::Lines() const
{
    std::lock_guard<std::mutex> guard(mMutex);
    return mLines;
}

std::vector<std::string> LogCapture::Messages() const
{
    std::lock_guard<std::mutex> guard(mMutex);
    std::vector<std::string> messages;
    for (const Line& line : mLines)
        messages.push_back(line.message);
    return messages;
}

bool LogCapture::Contains(const std::string& text) const
{
    return Count(text) > 0;
}

size_t LogCapture::Count(const std::string& text) const
{
    std::lock_guard<std::mutex> guard(mMutex);
    return static_cast<size_t>(std::count_if(
        mLines.begin(), mLines.end(), [&](const Line& line) { return line.message.find(text) != std::string::npos; }));
}

bool LogCapture::Contains(const std::string& tag, const std::string& text) const
{
    std::lock_guard<std::mutex> guard(mMutex);
    return std::any_of(mLines.begin(), mLines.end(), [&](const Line& line) {
        return line.tag == tag && line.message.find(text) != std::string::npos;
    });
}

void LogCapture::Clear()
{
    std::lock_guard<std::mutex> guard(mMutex);
    mLines.clear();
}
