// Locale-independent number parsing and formatting. std::from_chars and
// std::to_chars never consult the C library's locale, unlike atof, strtod,
// printf and the streams' number formatting.
#include "params/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <system_error>

namespace ecocam {
namespace {

// The white space of isspace() in the "C" locale.
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Leading digits with an optional sign, saturated to [lowest, highest].
long long ParseSaturated(const char* text, long long lowest, long long highest) {
  if (text == nullptr) return 0;
  while (IsSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  // Accumulate toward the sign so the most negative value is reachable.
  long long result = 0;
  for (; IsDigit(*text); ++text) {
    const int digit = *text - '0';
    if (negative) {
      if (result < (lowest + digit) / 10) return lowest;
      result = result * 10 - digit;
      if (result < lowest) return lowest;
    } else {
      if (result > (highest - digit) / 10) return highest;
      result = result * 10 + digit;
      if (result > highest) return highest;
    }
  }
  return result;
}

// For a decimal number that does not fit a double: true when it is too
// large (overflow), false when too small (underflow). `text` is the matched
// number without its sign.
bool IsHuge(const char* text, const char* end) {
  long long magnitude = 0;  // decimal exponent of the first significant digit
  const char* p = text;
  while (p < end && *p == '0') ++p;
  long long intDigits = 0;
  while (p < end && IsDigit(*p)) ++p, ++intDigits;
  bool seenSignificant = intDigits > 0;
  long long fracZeros = 0;
  if (p < end && *p == '.') {
    ++p;
    for (; p < end && IsDigit(*p); ++p) {
      if (!seenSignificant && *p == '0') ++fracZeros;
      else seenSignificant = true;
    }
  }
  magnitude = intDigits > 0 ? intDigits - 1 : -(fracZeros + 1);
  if (p < end && (*p == 'e' || *p == 'E')) {
    magnitude += ParseSaturated(p + 1, -(1LL << 40), 1LL << 40);
  }
  return magnitude > 0;
}

}  // namespace

int ParseLeadingInt(const char* text) {
  return static_cast<int>(ParseSaturated(text, std::numeric_limits<int>::min(),
                                         std::numeric_limits<int>::max()));
}

long long ParseLeadingInt64(const char* text) {
  return ParseSaturated(text, std::numeric_limits<long long>::min(),
                        std::numeric_limits<long long>::max());
}

double ParseLeadingDouble(const char* text) {
  if (text == nullptr) return 0.0;
  while (IsSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  const char* end = text;
  while (*end != '\0') ++end;
  double value = 0.0;
  const std::from_chars_result r = std::from_chars(text, end, value, std::chars_format::general);
  if (r.ec == std::errc::invalid_argument) return 0.0;
  if (r.ec == std::errc::result_out_of_range) {
    value = IsHuge(text, r.ptr) ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -value : value;
}

std::string FormatDouble(double value, int precision) {
  char buffer[512];
  const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value,
                                               std::chars_format::general, precision);
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
