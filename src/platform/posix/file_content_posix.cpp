// Whole-file reads and rewrites. A rewrite goes to a temporary file beside
// the target that takes the target's owner and permission bits and then
// replaces it by a rename, so a failed write never leaves half a file.
// Where that cannot keep the file as it was (its folder takes no new
// file, or the owner cannot be given to the new one), the file is
// rewritten in place instead.
#include "file_content_posix.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../regular_file.h"

namespace ecocam::platform::posix {
namespace {

bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Closes the descriptor; false when the close reports a failed write.
bool Finish(int fd, bool ok) { return close(fd) == 0 && ok; }

bool WriteInPlace(const std::string& target, const std::string& data) {
  const int fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  return Finish(fd, WriteAll(fd, data));
}

// The folder part of `path`, with its trailing separator; empty for a
// bare file name.
std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Writes `data` to a new file beside `target` and renames it over the
// target. `existing` describes the target, or is null when there is none.
// Sets `inPlace` when the result would not keep the target as it was and
// nothing has been changed.
bool WriteAndRename(const std::string& target, const std::string& data, const struct stat* existing, bool& inPlace) {
  static std::atomic<unsigned> counter{0};
  const std::string temp = FolderOf(target) + ".ecocam-" + std::to_string(static_cast<long>(getpid())) + "-" +
                           std::to_string(counter.fetch_add(1)) + ".tmp";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    inPlace = existing != nullptr;  // a folder that takes no new file
    return false;
  }
  bool ok = true;
  if (existing != nullptr) {
    // The owner first: a change of owner clears the set-id bits.
    if ((existing->st_uid != geteuid() || existing->st_gid != getegid()) &&
        fchown(fd, existing->st_uid, existing->st_gid) != 0) {
      inPlace = true;
      ok = false;
    }
    ok = ok && fchmod(fd, existing->st_mode & 07777) == 0;
  }
  ok = Finish(fd, ok && WriteAll(fd, data));
  if (ok && std::rename(temp.c_str(), target.c_str()) == 0) return true;
  std::remove(temp.c_str());
  return false;
}

}  // namespace

bool ReadRegularFile(const char* path, std::string& data) {
  RegularFileReader file;
  if (!file.Open(path)) return false;
  data.clear();
  char buffer[16 * 1024];
  for (std::size_t n; (n = file.Read(buffer, sizeof buffer)) > 0;) data.append(buffer, n);
  return true;
}

bool IsMissing(const char* path) {
  struct stat info;
  return path != nullptr && lstat(path, &info) != 0 && errno == ENOENT;
}

bool ReplaceFileContent(const char* path, const std::string& data) {
  if (path == nullptr) return false;
  std::string target = path;
  struct stat existing;
  const bool exists = stat(path, &existing) == 0;
  if (exists) {
    if (!S_ISREG(existing.st_mode)) return false;
    // Read-only as Windows has it: no write bit for the owner refuses even
    // a process that could write anyway (root).
    if ((existing.st_mode & S_IWUSR) == 0 || access(path, W_OK) != 0) return false;
    // Through a symbolic link: the link stays, the file it names changes.
    const std::unique_ptr<char, decltype(&std::free)> real(realpath(path, nullptr), &std::free);
    if (real == nullptr) return false;
    target = real.get();
  } else if (errno != ENOENT) {
    return false;
  }
  bool inPlace = false;
  if (WriteAndRename(target, data, exists ? &existing : nullptr, inPlace)) return true;
  return inPlace && WriteInPlace(target, data);
}

}  // namespace ecocam::platform::posix
