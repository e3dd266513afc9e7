// Reading a file that must be an ordinary file on disk. A path from a
// stored setting may name anything: a FIFO, whose opening waits for a
// writer that may never come, a device that never ends (/dev/zero, a
// serial port), a socket or a folder. None of those is ever opened for
// reading here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ecocam::platform {

class RegularFileReader {
 public:
  RegularFileReader() = default;
  ~RegularFileReader() { Close(); }
  RegularFileReader(const RegularFileReader&) = delete;
  RegularFileReader& operator=(const RegularFileReader&) = delete;

  // Opens `path` for reading when it names a regular file (symbolic links
  // followed); closes a file opened before. False, at once and without
  // reading, for anything else, a missing file or a null path. The type is
  // checked before the open and again on the opened file, and the open
  // itself cannot block, so a name replaced by a FIFO in between is
  // refused too.
  bool Open(const char* path);
  // Reads up to `size` bytes into `buffer`: the count read, 0 at the end
  // of the file, on an error, or when nothing is open.
  std::size_t Read(char* buffer, std::size_t size);
  void Close();
  bool IsOpen() const { return _handle != kNone; }

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t _handle = kNone;  // the file descriptor, or the Windows HANDLE
};

}  // namespace ecocam::platform
