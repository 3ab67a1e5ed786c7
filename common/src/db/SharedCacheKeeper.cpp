#include "db/SharedCacheKeeper.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kReadOnlyVfs = "weather-readonly";

// The default file system under a second name, registered once; null when it
// cannot be, and then nothing is kept.
const char* ReadOnlyVfs()
{
    static const char* name = []() -> const char* {
        sqlite3_vfs* base = sqlite3_vfs_find(nullptr);
        if (base == nullptr)
            return nullptr;
        static sqlite3_vfs alias = *base;
        alias.zName = kReadOnlyVfs;
        alias.pNext = nullptr;
        return sqlite3_vfs_register(&alias, 0) == SQLITE_OK ? kReadOnlyVfs : nullptr;
    }();
    return name;
}

bool SameFile(const SharedCacheKeeper::Identity& a, const SharedCacheKeeper::Identity& b)
{
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

} // namespace

const char* SharedCacheKeeper::VfsFor(bool readOnly)
{
    return readOnly ? ReadOnlyVfs() : nullptr;
}

SharedCacheKeeper::Identity SharedCacheKeeper::Look(const std::string& path)
{
    Identity identity;
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
        identity.exists = true;
        identity.device = info.st_dev;
        identity.inode = info.st_ino;
    }
    return identity;
}

std::map<SharedCacheKeeper::Key, SharedCacheKeeper::Kept>& SharedCacheKeeper::KeptConnections()
{
    // Never destroyed: kept connections live until the process ends.
    static auto* kept = new std::map<Key, Kept>();
    return *kept;
}

SharedCacheKeeper::Identity SharedCacheKeeper::BeforeOpen(const std::string& path)
{
    // Every kept connection is looked at, not only the one under this path:
    // SQLite shares a cache by the file's full name, so another spelling of
    // the same name ("a//b", "a/./b", a link in the way) joins it too.
    const Identity now = Look(path);
    const pid_t self = getpid();
    auto& kept = KeptConnections();
    for (auto it = kept.begin(); it != kept.end();) {
        const Identity seen = it->first.first == path ? now : Look(it->first.first);
        if (it->second.owner == self && SameFile(it->second.file, seen)) {
            ++it;
            continue;
        }
        sqlite3_close_v2(it->second.db);
        it = kept.erase(it);
    }
    return now;
}

void SharedCacheKeeper::AfterOpen(const std::string& path, bool readOnly, const Identity& before)
{
    if (ReadOnlyVfs() == nullptr)
        return;
    auto& kept = KeptConnections();
    const Key key(path, readOnly);
    if (kept.count(key) != 0 || !SameFile(before, Look(path)))
        return;
    // Joins the cache the opening just made; SQLITE_OPEN_CREATE is left out, so
    // it never makes a file of its own.
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_SHAREDCACHE | (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    if (sqlite3_open_v2(path.c_str(), &db, flags, VfsFor(readOnly)) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return;
    }
    kept[key] = Kept{db, before, getpid()};
}

void SharedCacheKeeper::DropAll()
{
    auto& kept = KeptConnections();
    for (auto& entry : kept)
        sqlite3_close_v2(entry.second.db);
    kept.clear();
}
