#include "ProgramTree.h"

#include <glib.h>

#include <device/no_destructor.h>

#ifndef WEATHER_TREE_BINDIR
#define WEATHER_TREE_BINDIR "bin"
#endif
#ifndef WEATHER_TREE_LIBEXECDIR
#define WEATHER_TREE_LIBEXECDIR "libexec"
#endif
#ifndef WEATHER_TREE_DATADIR
#define WEATHER_TREE_DATADIR "share/weather-backup-restore/res"
#endif
#ifndef WEATHER_TREE_BUILD_MARKER
#define WEATHER_TREE_BUILD_MARKER ".weather-build-tree"
#endif

namespace device {
namespace internal {

namespace {

constexpr const char* kServiceName = "weather-backup-restore";
constexpr const char* kBackupctlName = "backupctl";
constexpr int kMaxBuildDepth = 3;

bool EndsWithDir(const std::string& dir, const std::string& sub)
{
    return dir.size() > sub.size() + 1 && dir.compare(dir.size() - sub.size(), sub.size(), sub) == 0 &&
           dir[dir.size() - sub.size() - 1] == '/';
}

bool IsDir(const std::string& path)
{
    return g_file_test(path.c_str(), G_FILE_TEST_IS_DIR);
}

} // namespace

ProgramTree FindProgramTree(const std::string& executable)
{
    ProgramTree tree;
    if (executable.empty() || executable[0] != '/')
        return tree;
    const std::string dir = executable.substr(0, executable.rfind('/'));
    for (const std::string sub : {WEATHER_TREE_BINDIR, WEATHER_TREE_LIBEXECDIR}) {
        if (!EndsWithDir(dir, sub))
            continue;
        const std::string prefix = dir.substr(0, dir.size() - sub.size() - 1);
        if (!IsDir(prefix + "/" + WEATHER_TREE_DATADIR))
            continue;
        tree.installed = true;
        tree.service = prefix + "/" + WEATHER_TREE_LIBEXECDIR + "/" + kServiceName;
        tree.backupctl = prefix + "/" + WEATHER_TREE_BINDIR + "/" + kBackupctlName;
        tree.resources = prefix + "/" + WEATHER_TREE_DATADIR;
        return tree;
    }
    // Programs of a build sit one or two levels below its top (src/, tools/,
    // tests/fixtures/), where the configure step leaves its marker.
    std::string top = dir;
    for (int depth = 0; depth <= kMaxBuildDepth && !top.empty(); ++depth) {
        if (g_file_test((top + "/" + WEATHER_TREE_BUILD_MARKER).c_str(), G_FILE_TEST_IS_REGULAR)) {
            tree.service = top + "/src/" + kServiceName;
            tree.backupctl = top + "/tools/" + kBackupctlName;
            tree.resources = top + "/res";
            return tree;
        }
        top = top.substr(0, top.rfind('/'));
    }
    return tree;
}

const ProgramTree& OwnProgramTree()
{
    // The executable of a process never changes; never destroyed, so that
    // threads still running at exit can read it.
    static NoDestructor<const ProgramTree> tree([] {
        g_autofree gchar* self = g_file_read_link("/proc/self/exe", nullptr);
        return FindProgramTree(self ? self : "");
    }());
    return *tree;
}

} // namespace internal
} // namespace device
