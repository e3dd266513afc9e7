// Numbers as text, the same whatever locale the host has set: the INI file
// and the lookup-table files always use the "C" forms (a decimal point).
#pragma once

#include <string>

namespace ecocam {

// atoi rules: leading white space, an optional sign, then the leading
// decimal digits; 0 when there are none or `text` is null. Values beyond
// the type's range saturate at its limits.
int ParseLeadingInt(const char* text);
long long ParseLeadingInt64(const char* text);

// atof rules in the "C" locale: leading white space, then the longest
// decimal floating-point prefix ("inf" and "nan" included); 0 when there is
// none or `text` is null. Overflow gives an infinity, underflow 0.
double ParseLeadingDouble(const char* text);

// The text printf("%.*g") gives in the "C" locale, which is also what a
// stream with that precision writes in the default floating format.
std::string FormatDouble(double value, int precision);

std::string FormatInt(long long value);
std::string FormatUnsigned(unsigned long long value);

}  // namespace ecocam
