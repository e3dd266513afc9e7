// INI files on Windows: the system's private-profile functions themselves.
#include <windows.h>

#include <climits>

// windows.h maps WriteProfileString to the win.ini function; ours is different.
#undef WriteProfileString

#include "../profile_file.h"

namespace ecocam::platform {

std::size_t ReadProfileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                              std::size_t size, const char* file) {
  if (buffer == nullptr || size == 0) return 0;
  if (section == nullptr || key == nullptr || file == nullptr) {
    // A null section or key would list names instead of reading a value.
    buffer[0] = '\0';
    return 0;
  }
  DWORD n = size > UINT_MAX ? UINT_MAX : static_cast<DWORD>(size);
  return GetPrivateProfileStringA(section, key, defaultValue ? defaultValue : "", buffer, n, file);
}

bool WriteProfileString(const char* section, const char* key, const char* value, const char* file) {
  // A null key or value would delete the section or the key.
  if (section == nullptr || key == nullptr || value == nullptr || file == nullptr) return false;
  return WritePrivateProfileStringA(section, key, value, file) != 0;
}

}  // namespace ecocam::platform
