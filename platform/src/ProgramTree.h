#ifndef DEVICE_PROGRAM_TREE_H
#define DEVICE_PROGRAM_TREE_H

// The tree the running program belongs to: an installed prefix or a build
// directory, found from /proc/self/exe at run time, and trusted only when
// nobody else can change it (the seam's trusted-directory rule).

#include <string>

namespace device {
namespace internal {

struct ProgramTree {
    bool installed = false; // an installed prefix, not a build directory
    std::string service;    // the backup/restore service executable
    std::string backupctl;  // the cloud backup client of the host
    std::string resources;  // what the device set-up copies into the weather package
    std::string refusal;    // why the tree the program sits in is not used, "" if it is
};

// Name of the section in which a program of a build carries the relative
// path from its own directory to the top of the build. The install step
// removes it: installed programs never look for a build.
#ifndef WEATHER_TREE_BUILD_TOP_SECTION
#define WEATHER_TREE_BUILD_TOP_SECTION ".weather_build_top"
#endif
constexpr const char* kBuildTopSection = WEATHER_TREE_BUILD_TOP_SECTION;

// Installed: the executable sits in <prefix>/<bindir> or <prefix>/<libexecdir>
// and <prefix>/<datadir> exists. Build tree: `buildTop` (relative to the
// executable's directory, from kBuildTopSection) is the top of its build;
// nothing is searched for. Either must pass the trusted-directory rule
// (bindir, libexecdir and datadir; the top, src/, tools/ and res/), or every
// path is empty and `refusal` names the directory. No tree at all (a program
// of another project that links the layer): every field empty.
ProgramTree FindProgramTree(const std::string& executable, const std::string& buildTop);

// The content of kBuildTopSection in the ELF file `executable`, "" without one.
std::string BuildTopOf(const std::string& executable);

// FindProgramTree of this process's executable, looked up once.
const ProgramTree& OwnProgramTree();

} // namespace internal
} // namespace device

#endif
