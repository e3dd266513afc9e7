// Regular files on POSIX: stat before the open, a non-blocking open (a
// FIFO without a writer would otherwise block it), fstat after it.
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "../regular_file.h"

namespace ecocam::platform {

bool RegularFileReader::Open(const char* path) {
  Close();
  struct stat info;
  if (path == nullptr || stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return false;
  }
  // Reads of a regular file never wait anyway; plain blocking reads keep
  // the descriptor as any other file's.
  const int flags = fcntl(fd, F_GETFL);
  if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  _handle = fd;
  return true;
}

std::size_t RegularFileReader::Read(char* buffer, std::size_t size) {
  if (!IsOpen() || buffer == nullptr || size == 0) return 0;
  for (;;) {
    const ssize_t n = read(static_cast<int>(_handle), buffer, size);
    if (n >= 0) return static_cast<std::size_t>(n);
    if (errno != EINTR) return 0;
  }
}

void RegularFileReader::Close() {
  if (!IsOpen()) return;
  close(static_cast<int>(_handle));
  _handle = kNone;
}

}  // namespace ecocam::platform
