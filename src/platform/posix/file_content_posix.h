// Whole-file reads and rewrites for the POSIX profile functions.
#pragma once

#include <string>

namespace ecocam::platform::posix {

// The bytes of `path` when it names a regular file (a FIFO, a device or a
// folder is never opened for reading); false for anything else.
bool ReadRegularFile(const char* path, std::string& data);

// True when nothing at all is at `path` (not even a dangling link).
bool IsMissing(const char* path);

// Sets the content of the file `path` names to `data`, as the user would
// have it set: a file whose owner may not write it (no owner write bit,
// even for root, or no write permission for this process) is refused and
// left untouched; so is anything that is not a regular file. A symbolic
// link is written through, and the file keeps its owner and permission
// bits. A missing file is created (0666 less the umask).
bool ReplaceFileContent(const char* path, const std::string& data);

}  // namespace ecocam::platform::posix
