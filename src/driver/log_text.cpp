// The text helpers of log lines.
#include "driver/log_text.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <locale>
#include <sstream>

namespace ecocam {
namespace {

bool SameLetter(char a, char b) {
  return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
}

}  // namespace

std::string Hex(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
  return text;
}

std::string Hex(const void* address) {
  char text[2 * sizeof(unsigned long long) + 1];
  std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(address)));
  return text;
}

std::string Text(double value) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << value;
  return text.str();
}

bool EqualsNoCase(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return false;
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (!SameLetter(*a, *b)) return false;
  }
  return *a == *b;
}

bool EqualsNoCase(const std::string& a, const char* b) {
  if (b == nullptr) return false;
  std::size_t i = 0;
  for (; i < a.size() && b[i] != '\0'; ++i) {
    if (!SameLetter(a[i], b[i])) return false;
  }
  return i == a.size() && b[i] == '\0';
}

}  // namespace ecocam
