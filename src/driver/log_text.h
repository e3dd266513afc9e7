// The small text helpers of log lines, shared by every subsystem that logs:
// numbers, addresses, host texts and the case-insensitive name comparison.
#pragma once

#include <string>

namespace ecocam {

// A whole number in decimal.
inline std::string Num(long long value) { return std::to_string(value); }

// Lowercase hexadecimal without a "0x" prefix: a value as its 32 bits (a
// negative one as its two's complement), an address as its full width.
std::string Hex(int value);
std::string Hex(const void* address);

// A value as the parameter push logs it: an int in decimal, a flag as "1"
// or "0", a double in the default stream notation (six significant digits,
// whatever the locale), and a host's text as it stands, "(null)" for none.
inline std::string Text(int value) { return std::to_string(value); }
inline std::string Text(bool value) { return value ? "1" : "0"; }
std::string Text(double value);
inline std::string Text(const char* text) { return text != nullptr ? std::string(text) : "(null)"; }

// True when the two names are equal ignoring ASCII case. A null name equals
// nothing.
bool EqualsNoCase(const char* a, const char* b);
bool EqualsNoCase(const std::string& a, const char* b);

}  // namespace ecocam
