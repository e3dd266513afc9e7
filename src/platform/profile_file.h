// Reading and writing one key of an INI ("profile") file.
//
// On Windows these are the system's private-profile functions. Elsewhere they
// are our own reader and writer with the same observable behaviour: section
// and key names match regardless of letter case, blanks around names and
// values are trimmed, a value in matching quotes loses them, writing creates
// the file and the section on demand, keeps every other line, and appends a
// new key at the end of its section.
#pragma once

#include <cstddef>

namespace ecocam::platform {

// Copies the value of `key` in `section` of `file`, or `defaultValue` (null:
// empty) when the file, the section or the key is missing, into `buffer` of
// `size` bytes, cut to size - 1 characters and always terminated. Returns the
// number of characters copied.
std::size_t ReadProfileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                              std::size_t size, const char* file);

// Sets `key` in `section` of `file` to `value`. False when the file cannot be
// written (a read-only file among them, which is left as it is) or an
// argument is null. A rewritten file keeps its permissions and a UTF-8
// byte-order mark at its start.
bool WriteProfileString(const char* section, const char* key, const char* value, const char* file);

}  // namespace ecocam::platform
