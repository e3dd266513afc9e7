// Locale-independent number parsing and formatting. Parsing is the C
// library's own in the "C" locale (through the platform layer), so a
// stored value reads exactly as atoi and atof read it there; formatting
// uses std::to_chars, which never consults a locale, unlike printf and the
// streams' number formatting.
#include "params/number_text.h"

#include <charconv>
#include <limits>
#include <system_error>

#include "platform/c_numbers.h"

namespace ecocam {

int ParseLeadingInt(const char* text) {
  // strtol's answer where long has 32 bits; where it has 64, the same
  // limits, so a value beyond an int saturates instead of wrapping.
  const long long value = platform::ParseInt64InCLocale(text);
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(value);
}

long long ParseLeadingInt64(const char* text) { return platform::ParseInt64InCLocale(text); }

double ParseLeadingDouble(const char* text) { return platform::ParseDoubleInCLocale(text); }

std::string FormatDouble(double value, int precision) {
  char buffer[512];
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
  if (r.ec != std::errc()) return std::string();
  return std::string(buffer, r.ptr);
}

std::string FormatInt(long long value) {
  char buffer[32];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, r.ptr);
}

std::string FormatUnsigned(unsigned long long value) {
  char buffer[32];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, r.ptr);
}

}  // namespace ecocam
