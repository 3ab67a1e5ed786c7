#ifndef DEVICE_PROGRAM_TREE_H
#define DEVICE_PROGRAM_TREE_H

// The tree the running program belongs to: an installed prefix or a build
// directory, found from /proc/self/exe at run time so that a prefix given at
// install time works and no path of the build is compiled in.

#include <string>

namespace device {
namespace internal {

struct ProgramTree {
    bool installed = false; // an installed prefix, not a build directory
    std::string service;    // the backup/restore service executable
    std::string backupctl;  // the cloud backup client of the host
    std::string resources;  // what the device set-up copies into the weather package
};

// Installed: the executable sits in <prefix>/<bindir> or <prefix>/<libexecdir>
// and <prefix>/<datadir> exists. Build tree: a directory at most three levels
// above the executable holds the build's marker file. Otherwise every path is
// empty (a program of another project that links the layer).
ProgramTree FindProgramTree(const std::string& executable);

// FindProgramTree of this process's executable, looked up once.
const ProgramTree& OwnProgramTree();

} // namespace internal
} // namespace device

#endif
