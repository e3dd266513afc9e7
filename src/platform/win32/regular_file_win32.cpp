// Regular files on Windows: the attributes before the open (no folder, no
// device), the handle's type after it (a disk file, not a pipe or a
// character device such as a console or a serial port).
#include <windows.h>

#include "../regular_file.h"

namespace ecocam::platform {

bool RegularFileReader::Open(const char* path) {
  Close();
  if (path == nullptr) return false;
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return false;
  }
  // Others may go on writing or replacing the file while it is read.
  const HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return false;
  }
  _handle = reinterpret_cast<std::intptr_t>(file);
  return true;
}

std::size_t RegularFileReader::Read(char* buffer, std::size_t size) {
  if (!IsOpen() || buffer == nullptr || size == 0) return 0;
  const DWORD want = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
  DWORD got = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(_handle), buffer, want, &got, nullptr)) return 0;
  return got;
}

void RegularFileReader::Close() {
  if (!IsOpen()) return;
  CloseHandle(reinterpret_cast<HANDLE>(_handle));
  _handle = kNone;
}

}  // namespace ecocam::platform
