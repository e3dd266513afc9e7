// Numbers as text, the same whatever locale the host has set: the INI file
// and the lookup-table files always use the "C" forms (a decimal point).
#pragma once

#include <string>

namespace ecocam {

// atoi in the "C" locale, as strtol base 10: leading white space, one
// optional sign, then the leading decimal digits ("0x10" reads as 0); 0
// when there are none or `text` is null. Values beyond the type's range
// saturate at its limits.
int ParseLeadingInt(const char* text);
long long ParseLeadingInt64(const char* text);

// atof in the "C" locale, as this platform's strtod reads it: leading
// white space, then the longest prefix the C library takes as a number;
// 0 when there is none or `text` is null. Hexadecimal numbers, "inf" and
// "nan" count where the library reads them (glibc does, msvcrt does not).
double ParseLeadingDouble(const char* text);

// The text printf("%.*g") gives in the "C" locale, which is also what a
// stream with that precision writes in the default floating format.
std::string FormatDouble(double value, int precision);

std::string FormatInt(long long value);
std::string FormatUnsigned(unsigned long long value);

}  // namespace ecocam
