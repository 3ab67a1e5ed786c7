#ifndef DEVICE_TRUSTED_FILE_H
#define DEVICE_TRUSTED_FILE_H

// The one way a file of the device root or of the program tree is opened.
// Nothing another user could have written is read, written or run: the
// directory must be trusted, a final link is never followed, a FIFO never
// blocks, and the open descriptor must be a regular file (or a directory)
// of this user or root that neither group nor others can write. Every
// refusal is logged "refused file [path]: why" or "refused directory
// [path]: why" (tag "device-host"). Plain C++, usable by every layer.

#include <device/unique_fd.h>

#include <sys/types.h>

#include <string>
#include <vector>

namespace device {

enum class FileTrust { Ok, Missing, Refused };

// A directory is trusted when it and every directory above it up to "/" are
// owned by this user or root and writable by nobody else; above it, a
// root-owned directory with the sticky bit (as /tmp) is accepted too. No
// level may be a link. Checked levels are remembered for the process (one
// lstat of the directory itself each later time).
bool IsTrustedDirectory(const std::string& dir);

// open(2) through the seam: `flags` as for open (O_CREAT with `mode`,
// O_DIRECTORY for a directory); O_NOFOLLOW, O_NONBLOCK, O_CLOEXEC and
// O_NOCTTY are added, O_TRUNC is applied only after the checks, and the
// descriptor is back in blocking mode unless O_NONBLOCK was asked. A missing
// file is Missing (no log line), anything the checks refuse is Refused.
FileTrust OpenTrustedFile(const std::string& path, int flags, UniqueFd* fd, mode_t mode = 0600);

// The same checks for a file another library is about to open by path
// (SQLite, gettext): Missing when absent, Ok when it passes. Inside a
// trusted directory nobody else can swap it afterwards.
FileTrust CheckTrustedFile(const std::string& path);

// The refusal this thread logged last ("" after a success).
std::string LastTrustRefusal();

// Before a text domain is bound under `localeDir`: every catalogue file (and
// the directories to it) that gettext may try for the languages it will walk
// now (LANGUAGE, else the messages locale) is checked as above. Languages
// with a refused catalogue are taken out of LANGUAGE; false when none is
// left, and the domain must then not be bound there. `refusals` gets each
// refusal's text.
bool KeepTrustedCatalogues(const std::string& localeDir, const std::string& domain,
                           std::vector<std::string>* refusals = nullptr);
// The names gettext tries for one language, most specific first.
std::vector<std::string> CatalogueNames(const std::string& language);

} // namespace device

#endif
