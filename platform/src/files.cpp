// The one seam through which files of the device root and of the program
// tree are opened, and the trusted-directory rule under it.

#include "DeviceInternal.h"

#include <device/host.h>
#include <device/no_destructor.h>
#include <device/log_line.h>
#include <device/trusted_file.h>
#include <device/unique_fd.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>

#include <glib.h>
#include <glib/gstdio.h>

#define FILES_LOG(fmt, ...) DLOG_LINE(device::internal::kHostLogTag, __FILE_NAME__, __func__, fmt, ##__VA_ARGS__)

namespace device {
namespace internal {

namespace {

thread_local std::string tLastRefusal;
// The log opens its own file through the seam: its refusals are kept, never logged.
thread_local int tQuiet = 0;

#define REFUSE(fmt, ...)                                                                                               \
    do {                                                                                                               \
        g_autofree gchar* reason_ = g_strdup_printf(fmt, ##__VA_ARGS__);                                               \
        ::device::internal::tLastRefusal = reason_;                                                                    \
        if (::device::internal::tQuiet == 0)                                                                           \
            FILES_LOG("%s", reason_);                                                                                  \
    } while (0)

// The directory whose files are trusted (Final), or one above it (Above),
// where a root-owned sticky directory such as /tmp is accepted: nobody else
// can rename or remove what the user keeps in it.
enum class Level { Final, Above };

// Why a directory fails the rule, "" when it passes.
std::string DirVerdict(const struct stat& info, Level level)
{
    if (S_ISLNK(info.st_mode))
        return "a symbolic link";
    if (!S_ISDIR(info.st_mode))
        return "not a directory";
    if (info.st_uid != geteuid() && info.st_uid != 0)
        return "owned by uid " + std::to_string(info.st_uid) + ", neither this user (uid " + std::to_string(geteuid()) +
               ") nor root";
    if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        if (level == Level::Above && info.st_uid == 0 && (info.st_mode & S_ISVTX))
            return "";
        char mode[8];
        g_snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(info.st_mode & 07777));
        return std::string(level == Level::Above ? "writable by others without being root's with the sticky bit"
                                                 : "writable by others") +
               " (mode " + mode + ")";
    }
    return "";
}

// Absolute, without empty or "." levels; ".." taken back lexically (no
// level may be a link, so it names the same directory).
std::string Normalized(const std::string& path)
{
    std::string relative;
    if (path.empty() || path[0] != '/') {
        g_autofree gchar* cwd = g_get_current_dir();
        relative = std::string(cwd) + "/" + path;
    }
    const std::string& absolute = relative.empty() ? path : relative;
    // One pass without a string per level: every open of the seam starts here.
    std::string out;
    out.reserve(absolute.size());
    size_t at = 0;
    while (at < absolute.size()) {
        const size_t begin = at + 1;
        const size_t next = std::min(absolute.find('/', begin), absolute.size());
        const size_t length = next - begin;
        at = next;
        if (length == 0 || (length == 1 && absolute[begin] == '.'))
            continue;
        if (length == 2 && absolute[begin] == '.' && absolute[begin + 1] == '.') {
            out.erase(std::min(out.size(), out.rfind('/')));
            continue;
        }
        out += '/';
        out.append(absolute, begin, length);
    }
    return out.empty() ? "/" : out;
}

std::string Parent(const std::string& normalized)
{
    const size_t slash = normalized.rfind('/');
    return slash == 0 || slash == std::string::npos ? "/" : normalized.substr(0, slash);
}

// Directories whose ancestors passed, with the identity they had then.
std::mutex gTrustedMutex;
std::map<std::string, std::pair<dev_t, ino_t>>& TrustedDirs()
{
    static NoDestructor<std::map<std::string, std::pair<dev_t, ino_t>>> dirs;
    return *dirs;
}

// The rule for a normalized path: its own level looked at every time, the
// levels above once per process (again when the directory is another one).
FileTrust TrustedDir(const std::string& dir, Level level)
{
    struct stat info;
    if (lstat(dir.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return FileTrust::Missing;
        REFUSE("refused directory [%s]: %s", dir.c_str(), g_strerror(errno));
        return FileTrust::Refused;
    }
    const std::string verdict = DirVerdict(info, level);
    if (!verdict.empty()) {
        REFUSE("refused directory [%s]: %s", dir.c_str(), verdict.c_str());
        return FileTrust::Refused;
    }
    if (dir == "/")
        return FileTrust::Ok;
    {
        std::lock_guard<std::mutex> guard(gTrustedMutex);
        auto found = TrustedDirs().find(dir);
        if (found != TrustedDirs().end() && found->second == std::make_pair(info.st_dev, info.st_ino))
            return FileTrust::Ok;
    }
    const FileTrust above = TrustedDir(Parent(dir), Level::Above);
    if (above != FileTrust::Ok)
        return above;
    std::lock_guard<std::mutex> guard(gTrustedMutex);
    TrustedDirs()[dir] = {info.st_dev, info.st_ino};
    return FileTrust::Ok;
}

FileTrust OpenChecked(const std::string& path, int flags, mode_t mode, UniqueFd* out)
{
    out->Reset();
    const std::string file = Normalized(path);
    const FileTrust dir = TrustedDir(Parent(file), Level::Final);
    if (dir != FileTrust::Ok)
        return dir;
    // O_NONBLOCK: a FIFO never waits for its other end; O_TRUNC only once
    // the file is known to be ours.
    UniqueFd fd(open(path.c_str(), (flags & ~O_TRUNC) | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode));
    if (!fd) {
        const int error = errno;
        if (error == ENOENT)
            return FileTrust::Missing;
        struct stat info;
        if (error == ELOOP || error == ENXIO || error == EISDIR || error == ENOTDIR || error == EOPNOTSUPP) {
            if (lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
                REFUSE("refused file [%s]: %s", file.c_str(),
                       S_ISLNK(info.st_mode) ? "a symbolic link" : "not a regular file");
                return FileTrust::Refused;
            }
        }
        REFUSE("refused file [%s]: %s", path.c_str(), g_strerror(error));
        return FileTrust::Refused;
    }
    struct stat info;
    const bool wantDir = (flags & O_DIRECTORY) != 0;
    if (fstat(fd.Get(), &info) != 0 || (wantDir ? !S_ISDIR(info.st_mode) : !S_ISREG(info.st_mode))) {
        REFUSE("refused file [%s]: %s", path.c_str(), wantDir ? "not a directory" : "not a regular file");
        return FileTrust::Refused;
    }
    // What these files say decides what runs and whom to trust: only this
    // user (or root, for what an installation put there) may have written it.
    if (info.st_uid != geteuid() && info.st_uid != 0) {
        REFUSE("refused file [%s]: owned by uid %u, neither this user (uid %u) nor root", file.c_str(),
               static_cast<unsigned>(info.st_uid), static_cast<unsigned>(geteuid()));
        return FileTrust::Refused;
    }
    if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        REFUSE("refused file [%s]: writable by others (mode %03o)", file.c_str(),
               static_cast<unsigned>(info.st_mode & 07777));
        return FileTrust::Refused;
    }
    if ((flags & O_TRUNC) && !wantDir && ftruncate(fd.Get(), 0) != 0) {
        REFUSE("cannot truncate [%s]: %s", path.c_str(), g_strerror(errno));
        return FileTrust::Refused;
    }
    if (!(flags & O_NONBLOCK))
        fcntl(fd.Get(), F_SETFL, fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    *out = std::move(fd);
    return FileTrust::Ok;
}

bool CheckDir(const std::string& path)
{
    const FileTrust trust = TrustedDir(Normalized(path), Level::Final);
    if (trust == FileTrust::Missing)
        REFUSE("refused directory [%s]: missing", path.c_str());
    return trust == FileTrust::Ok;
}

bool MakeOne(const std::string& path)
{
    if (g_mkdir(path.c_str(), 0700) == 0) {
        chmod(path.c_str(), 0700); // a umask that removes owner bits too
        return true;
    }
    return errno == EEXIST;
}

thread_local DirCheckMemo* tMemo = nullptr;

bool Checked(const std::string& dir)
{
    return tMemo && tMemo->Has(dir);
}

void Remember(const std::string& dir)
{
    if (tMemo)
        tMemo->Add(dir);
}

// Roots as configured and as resolved, for the life of the process: a link
// flipped later cannot move a device that is in use.
struct Resolution {
    std::string resolved;
    std::string refusal; // why the configured path cannot be a root, "" if it can
};

std::mutex gResolutionMutex;

std::map<std::string, Resolution>& Resolutions()
{
    static NoDestructor<std::map<std::string, Resolution>> resolutions;
    return *resolutions;
}

std::deque<std::string> Levels(const std::string& path)
{
    std::deque<std::string> levels;
    size_t at = 0;
    while (at < path.size()) {
        size_t next = path.find('/', at);
        if (next == std::string::npos)
            next = path.size();
        if (next > at)
            levels.push_back(path.substr(at, next - at));
        at = next + 1;
    }
    return levels;
}

} // namespace

// One link at a time, each the user's or root's, and every directory passed
// under the rule: a link of the user's pointing at another user's link is
// refused there, not followed to wherever that one points.
bool ResolveTrusted(const std::string& path, std::string* resolved, std::string* refusal, bool directory)
{
    std::string start = path;
    if (start.empty() || start[0] != '/') {
        g_autofree gchar* cwd = g_get_current_dir();
        start = std::string(cwd) + "/" + start;
    }
    std::deque<std::string> todo = Levels(start);
    std::string done; // "" stands for "/"
    int links = 0;
    auto refuse = [&](const std::string& level, const std::string& why) {
        *refusal = "refused directory [" + level + "]: " + why;
        return false;
    };
    struct stat top;
    if (lstat("/", &top) == 0 && !DirVerdict(top, Level::Above).empty())
        return refuse("/", DirVerdict(top, Level::Above));
    while (!todo.empty()) {
        const std::string part = todo.front();
        todo.pop_front();
        if (part == ".")
            continue;
        if (part == "..") {
            done = done.substr(0, std::min(done.size(), done.rfind('/')));
            continue;
        }
        const std::string level = done + "/" + part;
        struct stat info;
        if (lstat(level.c_str(), &info) != 0) {
            if (errno != ENOENT)
                return refuse(level, g_strerror(errno));
            done = level; // what does not exist yet is made under the rule later
            for (const std::string& rest : todo)
                if (rest != ".")
                    done = rest == ".." ? done.substr(0, std::min(done.size(), done.rfind('/'))) : done + "/" + rest;
            break;
        }
        if (S_ISLNK(info.st_mode)) {
            if (info.st_uid != geteuid() && info.st_uid != 0)
                return refuse(level, "a symbolic link of uid " + std::to_string(info.st_uid) +
                                         ", neither this user (uid " + std::to_string(geteuid()) + ") nor root");
            g_autofree gchar* target = g_file_read_link(level.c_str(), nullptr);
            if (!target || ++links > 40)
                return refuse(level, "a symbolic link that cannot be followed");
            std::deque<std::string> more = Levels(target);
            todo.insert(todo.begin(), more.begin(), more.end());
            if (target[0] == '/')
                done.clear();
            continue;
        }
        if (!S_ISDIR(info.st_mode)) {
            if (!todo.empty())
                return refuse(level, "not a directory");
            if (directory)
                return refuse(start, level == start ? "not a directory" : "leads to [" + level + "], not a directory");
            done = level;
            break;
        }
        const std::string verdict = DirVerdict(info, todo.empty() ? Level::Final : Level::Above);
        if (!verdict.empty())
            return refuse(level, verdict);
        done = level;
    }
    *resolved = done.empty() ? "/" : done;
    return true;
}

std::string ResolveRoot(const std::string& configured)
{
    if (configured.empty())
        return configured;
    std::lock_guard<std::mutex> guard(gResolutionMutex);
    auto found = Resolutions().find(configured);
    if (found == Resolutions().end()) {
        Resolution resolution;
        if (!ResolveTrusted(configured, &resolution.resolved, &resolution.refusal, true))
            resolution.resolved = Normalized(configured);
        found = Resolutions().emplace(configured, resolution).first;
    }
    return found->second.resolved;
}

DirCheckMemo::DirCheckMemo() : mOuter(tMemo)
{
    tMemo = this;
}

DirCheckMemo::~DirCheckMemo()
{
    tMemo = mOuter;
}

std::string LastRefusal()
{
    return tLastRefusal;
}

void ForgetLastRefusal()
{
    tLastRefusal.clear();
}

QuietRefusals::QuietRefusals() : mKept(tLastRefusal)
{
    ++tQuiet;
}

QuietRefusals::~QuietRefusals()
{
    --tQuiet;
    tLastRefusal = mKept;
}

FileLock::FileLock(const std::string& path)
{
    if (OpenChecked(path, O_RDWR | O_CREAT, 0600, &mFd) != FileTrust::Ok) {
        mFd.Reset();
        return;
    }
    int rc;
    while ((rc = flock(mFd.Get(), LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (rc != 0)
        mFd.Reset();
}

FileLock::~FileLock() = default; // closing the descriptor drops the flock

namespace {

// False, logged, when resolving the configured root met a level it refused.
bool ResolvedWithoutRefusal(const std::string& root)
{
    std::lock_guard<std::mutex> guard(gResolutionMutex);
    for (const auto& entry : Resolutions()) {
        if (entry.second.resolved == root && !entry.second.refusal.empty()) {
            tLastRefusal = entry.second.refusal;
            FILES_LOG("%s", tLastRefusal.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

bool CheckRoot(const std::string& root)
{
    if (root.empty() || !ResolvedWithoutRefusal(root))
        return false;
    if (!CheckDir(root))
        return false;
    // The root is one user's: another user may not even look up a name in
    // it, whatever modes the files inside were given.
    struct stat info;
    if (lstat(root.c_str(), &info) == 0 && (info.st_mode & (S_IXGRP | S_IXOTH))) {
        REFUSE("refused directory [%s]: others may enter it (mode %03o)", root.c_str(),
               static_cast<unsigned>(info.st_mode & 07777));
        return false;
    }
    return true;
}

bool MakeDirs(const std::string& path)
{
    std::string dir = path;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    if (dir.empty())
        return false;
    const std::string root = Root();
    // Below the root every level is made and checked; the root itself is
    // checked, and made (with its parents) only when missing.
    const bool underRoot =
        dir.size() > root.size() && dir.compare(0, root.size(), root) == 0 && dir[root.size()] == '/';
    if (!underRoot) {
        // Nothing is made through a level the root's resolution refused.
        if (dir == root && !ResolvedWithoutRefusal(root))
            return false;
        if (g_mkdir_with_parents(dir.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        return dir == root ? CheckRoot(dir) : CheckDir(dir);
    }
    if (!Checked(root)) {
        if (!CheckRoot(root))
            return false;
        Remember(root);
    }
    for (size_t at = root.size() + 1; at <= dir.size(); ++at) {
        if (at != dir.size() && dir[at] != '/')
            continue;
        const std::string level = dir.substr(0, at);
        if (Checked(level))
            continue;
        if (!MakeOne(level) || !CheckDir(level))
            return false;
        Remember(level);
    }
    return true;
}

bool MakeDir(const std::string& path)
{
    return !path.empty() && MakeOne(path) && CheckDir(path);
}

bool WriteFileAtomic(const std::string& path, const std::string& content)
{
    if (TrustedDir(Parent(Normalized(path)), Level::Final) != FileTrust::Ok)
        return false;
    // A fresh name (O_EXCL): nothing planted can be opened in its place.
    std::string tmp = path + ".XXXXXX";
    UniqueFd fd(g_mkstemp_full(&tmp[0], O_WRONLY | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd)
        return false;
    size_t done = 0;
    while (done < content.size()) {
        ssize_t n = write(fd.Get(), content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    // No fsync: the host device only has to survive its processes dying, not
    // power loss, and an fsync per key write made the stores slow.
    bool ok = fchmod(fd.Get(), 0600) == 0;
    ok = fd.Reset() == 0 && ok && done == content.size();
    if (ok && rename(tmp.c_str(), path.c_str()) != 0) {
        // Whatever sits there (a directory) is never written through: named, and left.
        REFUSE("cannot replace [%s]: %s", path.c_str(), g_strerror(errno));
        ok = false;
    }
    if (!ok)
        unlink(tmp.c_str());
    return ok;
}

FileTrust OpenQuietly(const std::string& path, int flags, UniqueFd* fd, mode_t mode)
{
    QuietRefusals quiet;
    return OpenChecked(path, flags, mode, fd);
}

} // namespace internal

bool MakePrivateDirs(const std::string& path)
{
    return internal::MakeDirs(path);
}

bool WritePrivateFile(const std::string& path, const std::string& content)
{
    return internal::WriteFileAtomic(path, content);
}

bool IsTrustedDirectory(const std::string& dir)
{
    internal::tLastRefusal.clear();
    const std::string normalized = internal::Normalized(dir);
    const FileTrust trust = internal::TrustedDir(normalized, internal::Level::Final);
    if (trust == FileTrust::Missing)
        REFUSE("refused directory [%s]: missing", normalized.c_str());
    return trust == FileTrust::Ok;
}

FileTrust OpenTrustedFile(const std::string& path, int flags, UniqueFd* fd, mode_t mode)
{
    internal::tLastRefusal.clear();
    return internal::OpenChecked(path, flags, mode, fd);
}

FileTrust CheckTrustedFile(const std::string& path)
{
    UniqueFd fd;
    return OpenTrustedFile(path, O_RDONLY, &fd);
}

std::string LastTrustRefusal()
{
    return internal::tLastRefusal;
}

std::vector<std::string> CatalogueNames(const std::string& language)
{
    // language[_territory][.codeset][@modifier], as gettext takes it apart:
    // every combination of the optional parts, the codeset also normalized
    // (lower case, letters and digits only), most specific first.
    const size_t at = language.find('@');
    const std::string modifier = at == std::string::npos ? "" : language.substr(at);
    const std::string rest = language.substr(0, std::min(at, language.size()));
    const size_t dot = rest.find('.');
    const std::string codeset = dot == std::string::npos ? "" : rest.substr(dot);
    const std::string head = rest.substr(0, std::min(dot, rest.size()));
    const size_t underscore = head.find('_');
    const std::string territory = underscore == std::string::npos ? "" : head.substr(underscore);
    const std::string ll = head.substr(0, std::min(underscore, head.size()));
    std::string normalized;
    for (char c : codeset.empty() ? std::string() : codeset.substr(1))
        if (g_ascii_isalnum(c))
            normalized += g_ascii_tolower(c);
    if (!normalized.empty() && g_ascii_isdigit(normalized[0]))
        normalized = "iso" + normalized;
    std::vector<std::string> names;
    auto add = [&](const std::string& name) {
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    };
    for (const std::string& t : {territory, std::string()})
        for (const std::string& m : {modifier, std::string()})
            for (const std::string& c : {codeset, normalized.empty() ? "" : "." + normalized, std::string()})
                add(ll + t + c + m);
    return names;
}

namespace {

bool CataloguesOfLanguageTrusted(const std::string& localeDir, const std::string& domain, const std::string& language,
                                 std::vector<std::string>* refusals)
{
    bool trusted = true;
    auto check = [&](const std::string& path, int flags) {
        UniqueFd fd;
        if (OpenTrustedFile(path, flags, &fd) != FileTrust::Refused)
            return;
        trusted = false;
        if (refusals)
            refusals->push_back(LastTrustRefusal());
    };
    for (const std::string& name : CatalogueNames(language)) {
        check(localeDir + "/" + name, O_RDONLY | O_DIRECTORY);
        check(localeDir + "/" + name + "/LC_MESSAGES", O_RDONLY | O_DIRECTORY);
        check(localeDir + "/" + name + "/LC_MESSAGES/" + domain + ".mo", O_RDONLY);
    }
    return trusted;
}

} // namespace

bool KeepTrustedCatalogues(const std::string& localeDir, const std::string& domain, std::vector<std::string>* refusals)
{
    const char* current = setlocale(LC_MESSAGES, nullptr);
    const std::string messages = current ? current : "C";
    // Under the "C" locale gettext opens no catalogue at all.
    if (messages == "C" || messages == "POSIX")
        return true;
    const char* env = g_getenv("LANGUAGE");
    const std::string list = env ? env : "";
    if (list.empty())
        return CataloguesOfLanguageTrusted(localeDir, domain, messages, refusals);
    std::string kept;
    g_auto(GStrv) languages = g_strsplit(list.c_str(), ":", -1);
    for (gchar** language = languages; *language; ++language) {
        if (**language && CataloguesOfLanguageTrusted(localeDir, domain, *language, refusals))
            kept += (kept.empty() ? "" : ":") + std::string(*language);
    }
    if (kept.empty())
        return false;
    if (kept != list)
        g_setenv("LANGUAGE", kept.c_str(), TRUE);
    return true;
}

ReadStatus ReadRegularFile(const std::string& path, size_t maxSize, std::string* content)
{
    content->clear();
    UniqueFd fd;
    switch (internal::OpenChecked(path, O_RDONLY, 0, &fd)) {
    case FileTrust::Missing:
        return ReadStatus::Missing;
    case FileTrust::Refused:
        return ReadStatus::Refused;
    case FileTrust::Ok:
        break;
    }
    struct stat info;
    if (fstat(fd.Get(), &info) != 0) {
        REFUSE("cannot read [%s]: %s", path.c_str(), g_strerror(errno));
        return ReadStatus::Refused;
    }
    if (static_cast<unsigned long long>(info.st_size) > maxSize) {
        REFUSE("refused file [%s]: %lld bytes, more than %zu", path.c_str(), static_cast<long long>(info.st_size),
               maxSize);
        return ReadStatus::TooLarge;
    }
    // One byte beyond the limit, so a file that grew meanwhile is refused, not cut.
    content->resize(std::min(maxSize + 1, static_cast<size_t>(info.st_size) + 4096));
    size_t got = 0;
    for (;;) {
        if (got == content->size()) {
            if (got > maxSize)
                break;
            content->resize(std::min(maxSize + 1, got * 2));
        }
        ssize_t n = read(fd.Get(), &(*content)[got], content->size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            REFUSE("cannot read [%s]: %s", path.c_str(), g_strerror(errno));
            content->clear();
            return ReadStatus::Refused;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    if (got > maxSize) {
        REFUSE("refused file [%s]: more than %zu bytes", path.c_str(), maxSize);
        content->clear();
        return ReadStatus::TooLarge;
    }
    content->resize(got);
    return ReadStatus::Ok;
}

} // namespace device
