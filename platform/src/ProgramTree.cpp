#include "ProgramTree.h"

#include <device/no_destructor.h>
#include <device/trusted_file.h>
#include <device/unique_fd.h>

#include <elf.h>
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <vector>

#include <glib.h>

#include "DeviceInternal.h"

#ifndef WEATHER_TREE_BINDIR
#define WEATHER_TREE_BINDIR "bin"
#endif
#ifndef WEATHER_TREE_LIBEXECDIR
#define WEATHER_TREE_LIBEXECDIR "libexec"
#endif
#ifndef WEATHER_TREE_DATADIR
#define WEATHER_TREE_DATADIR "share/weather-backup-restore/res"
#endif

namespace device {
namespace internal {

namespace {

constexpr const char* kServiceName = "weather-backup-restore";
constexpr const char* kBackupctlName = "backupctl";

bool EndsWithDir(const std::string& dir, const std::string& sub)
{
    return dir.size() > sub.size() + 1 && dir.compare(dir.size() - sub.size(), sub.size(), sub) == 0 &&
           dir[dir.size() - sub.size() - 1] == '/';
}

bool Exists(const std::string& path)
{
    return g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
}

// The first directory that fails the rule, as the seam refused it; "" when all pass.
std::string FirstRefused(const std::vector<std::string>& dirs)
{
    for (const std::string& dir : dirs)
        if (!IsTrustedDirectory(dir))
            return LastTrustRefusal();
    return "";
}

bool ReadAt(int fd, off_t at, void* to, size_t size)
{
    return pread(fd, to, size, at) == static_cast<ssize_t>(size);
}

} // namespace

std::string BuildTopOf(const std::string& executable)
{
    UniqueFd fd;
    if (OpenTrustedFile(executable, O_RDONLY, &fd) != FileTrust::Ok)
        return "";
    Elf64_Ehdr header;
    if (!ReadAt(fd.Get(), 0, &header, sizeof header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shnum == 0 ||
        header.e_shnum > 4096 || header.e_shstrndx >= header.e_shnum)
        return "";
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    if (!ReadAt(fd.Get(), static_cast<off_t>(header.e_shoff), sections.data(), sections.size() * sizeof(Elf64_Shdr)))
        return "";
    const Elf64_Shdr& names = sections[header.e_shstrndx];
    if (names.sh_size == 0 || names.sh_size > (1u << 20))
        return "";
    std::string table(names.sh_size, '\0');
    if (!ReadAt(fd.Get(), static_cast<off_t>(names.sh_offset), &table[0], table.size()))
        return "";
    for (const Elf64_Shdr& section : sections) {
        if (section.sh_name >= table.size() || std::strcmp(table.c_str() + section.sh_name, kBuildTopSection) != 0)
            continue;
        if (section.sh_size == 0 || section.sh_size > PATH_MAX)
            return "";
        std::string content(section.sh_size, '\0');
        if (!ReadAt(fd.Get(), static_cast<off_t>(section.sh_offset), &content[0], content.size()))
            return "";
        return content.c_str(); // up to its terminating zero
    }
    return "";
}

ProgramTree FindProgramTree(const std::string& executable, const std::string& buildTop)
{
    ProgramTree tree;
    if (executable.empty() || executable[0] != '/')
        return tree;
    const std::string dir = executable.substr(0, executable.rfind('/'));
    for (const std::string sub : {WEATHER_TREE_BINDIR, WEATHER_TREE_LIBEXECDIR}) {
        if (!EndsWithDir(dir, sub))
            continue;
        const std::string prefix = dir.substr(0, dir.size() - sub.size() - 1);
        const std::string resources = prefix + "/" + WEATHER_TREE_DATADIR;
        if (!Exists(resources))
            continue;
        // Another user's share/ or libexec/ beside a copy of a program must
        // not decide what the device registers and runs.
        tree.refusal =
            FirstRefused({prefix + "/" + WEATHER_TREE_BINDIR, prefix + "/" + WEATHER_TREE_LIBEXECDIR, resources});
        if (!tree.refusal.empty())
            return tree;
        tree.installed = true;
        tree.service = prefix + "/" + WEATHER_TREE_LIBEXECDIR + "/" + kServiceName;
        tree.backupctl = prefix + "/" + WEATHER_TREE_BINDIR + "/" + kBackupctlName;
        tree.resources = resources;
        return tree;
    }
    if (buildTop.empty() || buildTop[0] == '/')
        return tree;
    g_autofree gchar* top = g_canonicalize_filename(buildTop.c_str(), dir.c_str());
    tree.refusal =
        FirstRefused({top, std::string(top) + "/src", std::string(top) + "/tools", std::string(top) + "/res"});
    if (!tree.refusal.empty())
        return tree;
    tree.service = std::string(top) + "/src/" + kServiceName;
    tree.backupctl = std::string(top) + "/tools/" + kBackupctlName;
    tree.resources = std::string(top) + "/res";
    return tree;
}

const ProgramTree& OwnProgramTree()
{
    // The executable of a process never changes; never destroyed, so that
    // threads still running at exit can read it.
    static NoDestructor<const ProgramTree> tree([] {
        g_autofree gchar* self = g_file_read_link("/proc/self/exe", nullptr);
        const std::string executable = self ? self : "";
        ProgramTree found = FindProgramTree(executable, "");
        if (!found.installed && found.refusal.empty())
            found = FindProgramTree(executable, BuildTopOf(executable));
        return found;
    }());
    return *tree;
}

} // namespace internal
} // namespace device
