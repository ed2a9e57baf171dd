#pragma once

// Helpers of a save that replaces a file through a temporary file beside it: the temporary
// file's name, the replaced file's permissions, and the folder sync that makes the rename
// durable.

#include <string>

namespace orq {

// The name of temporary file number `attempt` of this process for the file `base` (a name
// without folder): ".~BASE.PID-N.tmp", with BASE shortened (at a character boundary) when the
// whole would exceed the file system's 255-byte limit of a name.
std::string TemporaryFileName(const std::string& base, long pid, int attempt);

// Gives the open file `fd` the permission bits of the regular file `path`, when there is one,
// so that a file replaced keeps its mode (a private file stays private).
void KeepFileMode(int fd, const std::string& path);

// Syncs the folder that holds `path`, so that a rename into it survives a crash. Best effort: a
// folder that cannot be opened is left as it is.
void SyncParentFolder(const std::string& path);

} // namespace orq
