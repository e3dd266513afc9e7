// Numbers read from text by the C library itself, in its classic "C"
// locale, whatever locale the host has set for its own threads. Stored
// files (the INI file, lookup tables) are read with these, so a value
// means on every platform exactly what this platform's strtod and strtol
// make of it, and a host that switched to a locale with a decimal comma
// still reads "0.5" as one half.
#pragma once

namespace ecocam::platform {

// strtod(text) in the "C" locale: the longest prefix this platform's C
// library takes as a number, after leading white space; 0 for null or
// when there is none. Which forms count (hexadecimal, "inf", "nan") is the
// library's decision; overflow gives an infinity, underflow a tiny or zero
// value, as the library does.
double ParseDoubleInCLocale(const char* text);

// strtoll(text, nullptr, 10) in the "C" locale: leading white space, an
// optional sign, the decimal digits that follow; 0 for null or when there
// are none; saturated at the limits of long long.
long long ParseInt64InCLocale(const char* text);

}  // namespace ecocam::platform
