// Numbers in stored files against the C library of the platform the test
// runs on, in the "C" locale: every generated text must read exactly as
// atof (strtod) and strtol read it there, whatever locale the host has set.
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "decimal_comma_locale.h"
#include "params/lut_table_file.h"
#include "params/number_text.h"
#include "support/temp_dir.h"

namespace ecocam {
namespace {

// Texts a user, an editor or a damaged file may leave as a value.
const std::vector<std::string> kEdgeTexts = {
    "",
    " ",
    "-",
    "+",
    ".",
    "e5",
    "--5",
    "+-5",
    "-+5",
    "++5",
    "- 5",
    "0x10",
    "0X1A",
    "0x",
    "0x.p1",
    "0x.8",
    "0x1p-1074",
    "0x1.fffffffffffffp1023",
    "0x1p1024",
    "1e400",
    "-1e400",
    "1e-400",
    "4.9e-324",
    "2.4703282292062327e-324",
    "2.4703282292062328e-324",
    "1.7976931348623157e308",
    "1.7976931348623159e308",
    "2.2250738585072011e-308",
    "2147483647",
    "2147483648",
    "-2147483648",
    "-2147483649",
    "4294967296",
    "9223372036854775807",
    "9223372036854775808",
    "-9223372036854775808",
    "-9223372036854775809",
    "99999999999999999999999",
    "0.40000000000000002",
    "inf",
    "-INF",
    "infinity",
    "infinit",
    "nan",
    "-nan",
    "NaN",
    "nan(0x7)",
    "nan(",
    "nan(abc)",
    "1,5",
    "1.5,5",
    "\xA0"
    "5",
    " \t\n\v\f\r42",
    "12.7",
    "1e",
    "1e+",
    "1e-",
    "1E5",
    ".5e1",
    "5.",
    "00012",
    "0012.5e-1",
};

// Random texts built from the pieces a number may have: blanks, signs,
// prefixes, digits (short, long and far too long), a point, exponents and
// the words the C library may know, each followed by something else.
class NumberTexts {
 public:
  explicit NumberTexts(unsigned seed) : _random(seed) {}

  std::string Next() {
    static const char* const kBlanks[] = {"", "", "", " ", "\t", "  \t", "\n", "\v\f\r", "\xA0"};
    static const char* const kSigns[] = {"", "", "", "-", "+", "--", "+-", "-+"};
    static const char* const kWords[] = {"inf",      "INF",  "Infinity",  "infinit", "nan", "NaN",
                                         "nan(123)", "nan(", "nan(ab_9)", "in",      "na"};
    static const char* const kTails[] = {"",   "",   "",   "x", ",5",  ";", " 7",  "e",
                                         "E+", "p3", "e-", ".", "abc", "#", "\x80"};
    std::string text = Pick(kBlanks);
    text += Pick(kSigns);
    if (Chance(10)) {
      text += Pick(kWords);
    } else {
      const bool hex = Chance(15);
      if (hex) text += Chance(2) ? "0x" : "0X";
      text += Digits(hex);
      if (Chance(3)) text += "." + Digits(hex);
      if (Chance(3)) {
        text += hex ? (Chance(2) ? "p" : "P") : (Chance(2) ? "e" : "E");
        text += Pick(kSigns);
        text += std::to_string(Below(Chance(4) ? 100000 : 400));
      }
    }
    return text + Pick(kTails);
  }

 private:
  template <std::size_t N>
  const char* Pick(const char* const (&pieces)[N]) {
    return pieces[Below(N)];
  }
  unsigned Below(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(_random); }
  bool Chance(unsigned oneIn) { return Below(oneIn) == 0; }

  std::string Digits(bool hex) {
    static const char kHex[] = "0123456789abcdefABCDEF";
    const unsigned length = Chance(20) ? 300 + Below(200) : Below(25);
    std::string digits;
    if (Chance(4)) digits.assign(Below(30), '0');  // leading zeros
    for (unsigned i = 0; i < length; ++i) digits += kHex[Below(hex ? 22 : 10)];
    return digits;
  }

  std::mt19937 _random;
};

std::vector<std::string> AllTexts() {
  std::vector<std::string> texts = kEdgeTexts;
  NumberTexts generate(20261208);
  for (int i = 0; i < 20000; ++i) texts.push_back(generate.Next());
  return texts;
}

std::uint64_t Bits(double d) {
  std::uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return bits;
}

int ClampToInt(long value) {
  if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(value);
}

// What the C library says about each text, asked in the "C" locale.
struct Reference {
  double atof;
  int atoi;  // strtol base 10, saturated to an int
  long long strtoll;
};

std::vector<Reference> ReferencesOf(const std::vector<std::string>& texts) {
  std::setlocale(LC_ALL, "C");
  std::vector<Reference> refs;
  for (const std::string& t : texts) {
    refs.push_back(
        {std::atof(t.c_str()), ClampToInt(std::strtol(t.c_str(), nullptr, 10)), std::strtoll(t.c_str(), nullptr, 10)});
  }
  return refs;
}

std::string Shown(const std::string& text) {
  std::string shown = "\"";
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7f) {
      shown += static_cast<char>(c);
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      shown += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
    }
  }
  return shown + "\"";
}

// The driver's parsing gives the library's answer for every text; at most
// a few differences are listed, so a broken parser does not flood the log.
void ExpectSameAsTheCLibrary(const std::vector<std::string>& texts, const std::vector<Reference>& refs) {
  int reported = 0;
  for (std::size_t i = 0; i < texts.size() && reported < 10; ++i) {
    const char* text = texts[i].c_str();
    const double d = ParseLeadingDouble(text);
    const int n = ParseLeadingInt(text);
    const long long ll = ParseLeadingInt64(text);
    // Bit for bit: the sign of a zero, an infinity and a NaN's payload too.
    if (Bits(d) != Bits(refs[i].atof) || n != refs[i].atoi || ll != refs[i].strtoll) {
      ++reported;
      ADD_FAILURE() << Shown(texts[i]) << ": double " << d << " (library " << refs[i].atof << "), int " << n
                    << " (library " << refs[i].atoi << "), long long " << ll << " (library " << refs[i].strtoll << ")";
    }
  }
}

TEST(NumberText, ReadsEveryTextAsTheCLibraryDoesInTheCLocale) {
  const std::vector<std::string> texts = AllTexts();
  ExpectSameAsTheCLibrary(texts, ReferencesOf(texts));
  EXPECT_EQ(ParseLeadingDouble(nullptr), 0.0);
  EXPECT_EQ(ParseLeadingInt(nullptr), 0);
  EXPECT_EQ(ParseLeadingInt64(nullptr), 0);
}

TEST(NumberText, AHostsDecimalCommaChangesNothing) {
  const std::vector<std::string> texts = AllTexts();
  const std::vector<Reference> refs = ReferencesOf(texts);
  testing::DecimalCommaLocale locale;
  if (!locale.active()) GTEST_SKIP() << "no locale with a decimal comma is installed";
  ASSERT_EQ(std::atof("0.5"), 0.0);  // the library itself now stops at the point
  ExpectSameAsTheCLibrary(texts, refs);
}

// The lookup table's cells are read one character at a time; each cell
// must still read as strtol reads it (a cell holds no separator and no
// line break).
TEST(NumberText, LookupTableCellsReadAsStrtol) {
  std::vector<std::string> cells;
  NumberTexts generate(4242);
  for (const std::string& text : kEdgeTexts) cells.push_back(text);
  while (cells.size() < 3000) cells.push_back(generate.Next());
  std::string file = "in;out\n";
  for (std::string& cell : cells) {
    for (char& c : cell) {
      if (c == ';' || c == '\n' || c == '\r') c = ' ';
    }
    file += cell + ";0\n";
  }
  testing::TempDir dir;
  const std::string path = dir.File("cells.csv");
  testing::WriteFile(path, file);
  LutTableFile table(path);
  ASSERT_TRUE(table.SelectColumn("out"));
  ASSERT_EQ(table.EntryCount(), static_cast<int>(cells.size()));
  std::setlocale(LC_ALL, "C");
  int reported = 0;
  for (std::size_t i = 0; i < cells.size() && reported < 10; ++i) {
    const int expected = ClampToInt(std::strtol(cells[i].c_str(), nullptr, 10));
    if (table.InputAt(static_cast<int>(i)) != expected) {
      ++reported;
      ADD_FAILURE() << Shown(cells[i]) << ": " << table.InputAt(static_cast<int>(i)) << ", library " << expected;
    }
  }
}

}  // namespace
}  // namespace ecocam
