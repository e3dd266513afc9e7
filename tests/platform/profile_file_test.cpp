// One table of INI cases for every platform. On Windows (under Wine) the
// system's private-profile functions answer them, so the table is checked
// against the real behaviour there and our own reader and writer must give
// the same answers on Linux.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "platform/profile_file.h"
#include "support/temp_dir.h"

using ecocam::platform::ReadProfileString;
using ecocam::platform::WriteProfileString;
using ecocam::testing::ReadFile;
using ecocam::testing::TempDir;
using ecocam::testing::WriteFile;

namespace {

std::string Read(const std::string& file, const char* section, const char* key, const char* def = "default",
                 std::size_t size = 256) {
  std::vector<char> buf(size + 1, 'X');
  std::size_t n = ReadProfileString(section, key, def, buf.data(), size, file.c_str());
  std::string s(buf.data());
  EXPECT_EQ(n, s.size()) << "returned count for [" << section << "] " << key;
  EXPECT_EQ(buf[size], 'X') << "wrote past the buffer";
  return s;
}

struct ReadCase {
  const char* what;
  const char* content;  // null: no file at all
  const char* section;
  const char* key;
  const char* expected;
};

const char kSample[] =
    "; a comment line\n"
    "[Camera]\n"
    "Width=640\n"
    "  Height  =   480   \n"
    "Name=\"eco424MVGE\"\n"
    "Single='quoted'\n"
    "Half=\"open\n"
    "Inner=a \"b\" c\n"
    "Empty=\n"
    "Blank=   \n"
    "Tab=\t7\t\n"
    "Dup=first\n"
    "Dup=second\n"
    "[ Spaced Section ]\n"
    "Key=spaced\n"
    "[Other]\n"
    "Width=1280\n";

const ReadCase kReadCases[] = {
    {"missing file gives the default", nullptr, "Camera", "Width", "default"},
    {"missing section gives the default", kSample, "Nope", "Width", "default"},
    {"missing key gives the default", kSample, "Camera", "Nope", "default"},
    {"plain value", kSample, "Camera", "Width", "640"},
    {"value from the right section", kSample, "Other", "Width", "1280"},
    {"section name in other letter case", kSample, "camera", "Width", "640"},
    {"key name in other letter case", kSample, "CAMERA", "wIDTH", "640"},
    {"blanks around name and value trimmed", kSample, "Camera", "Height", "480"},
    {"double quotes stripped", kSample, "Camera", "Name", "eco424MVGE"},
    {"single quotes stripped", kSample, "Camera", "Single", "quoted"},
    {"a lone quote is kept", kSample, "Camera", "Half", "\"open"},
    {"inner quotes are kept", kSample, "Camera", "Inner", "a \"b\" c"},
    {"empty value is empty, not the default", kSample, "Camera", "Empty", ""},
    {"blank value is empty", kSample, "Camera", "Blank", ""},
    {"tabs trimmed", kSample, "Camera", "Tab", "7"},
    {"first of two equal keys wins", kSample, "Camera", "Dup", "first"},
    {"blanks inside the brackets trimmed", kSample, "Spaced Section", "Key", "spaced"},
    {"comment line is not a key", kSample, "Camera", "; a comment line", "default"},
    // A UTF-8 byte-order mark at the start belongs to no line; anywhere
    // else, or incomplete, it is part of its line.
    {"byte-order mark before the first section", "\xEF\xBB\xBF[Camera]\nWidth=640\n", "Camera", "Width", "640"},
    {"byte-order mark before a blank", "\xEF\xBB\xBF [Camera]\r\nWidth=640\r\n", "Camera", "Width", "640"},
    {"byte-order mark before a comment", "\xEF\xBB\xBF; c\n[Camera]\nWidth=640\n", "Camera", "Width", "640"},
    {"byte-order mark before a line feed", "\xEF\xBB\xBF\n[Camera]\nWidth=640\n", "Camera", "Width", "640"},
    {"byte-order mark alone", "\xEF\xBB\xBF", "Camera", "Width", "default"},
    {"second byte-order mark", "\xEF\xBB\xBF\xEF\xBB\xBF[Camera]\nWidth=640\n", "Camera", "Width", "default"},
    {"incomplete byte-order mark", "\xEF\xBB[Camera]\nWidth=640\n", "Camera", "Width", "default"},
    {"byte-order mark after the start", "[A]\nB=1\n\xEF\xBB\xBF[Camera]\nWidth=640\n", "Camera", "Width", "default"},
};

TEST(ProfileFile, ReadTable) {
  TempDir dir;
  int i = 0;
  for (const ReadCase& c : kReadCases) {
    const std::string file = dir.File("read" + std::to_string(i++) + ".ini");
    if (c.content) WriteFile(file, c.content);
    EXPECT_EQ(Read(file, c.section, c.key), c.expected) << c.what;
  }
}

TEST(ProfileFile, WindowsLineEndingsReadTheSame) {
  TempDir dir;
  const std::string file = dir.File("crlf.ini");
  for (const ReadCase& c : kReadCases) {
    if (c.content) {
      std::string crlf;
      for (const char* p = c.content; *p; ++p) {
        if (*p == '\n' && (p == c.content || p[-1] != '\r')) crlf += '\r';
        crlf += *p;
      }
      WriteFile(file, crlf);
      EXPECT_EQ(Read(file, c.section, c.key), c.expected) << c.what << " (CRLF)";
    }
  }
}

TEST(ProfileFile, ValueIsCutToTheBuffer) {
  TempDir dir;
  const std::string file = dir.File("long.ini");
  const std::string longValue(300, 'v');
  WriteFile(file, "[S]\nK=" + longValue + "\n");
  EXPECT_EQ(Read(file, "S", "K", "", 256), std::string(255, 'v'));
  EXPECT_EQ(Read(file, "S", "K", "", 2), "v");
  EXPECT_EQ(Read(file, "S", "K", "", 1), "");
  // The default is cut the same way.
  EXPECT_EQ(Read(file, "S", "Missing", "abcdef", 4), "abc");
}

TEST(ProfileFile, WritingCreatesFileAndSection) {
  TempDir dir;
  const std::string file = dir.File("new.ini");
  ASSERT_TRUE(WriteProfileString("eco424MVGE", "Gain", "12", file.c_str()));
  EXPECT_EQ(Read(file, "eco424MVGE", "Gain"), "12");
  ASSERT_TRUE(WriteProfileString("Second", "Gain", "3", file.c_str()));
  EXPECT_EQ(Read(file, "Second", "Gain"), "3");
  EXPECT_EQ(Read(file, "eco424MVGE", "Gain"), "12");
}

TEST(ProfileFile, WritingKeepsEverythingElse) {
  TempDir dir;
  const std::string file = dir.File("keep.ini");
  WriteFile(file,
            "; leading comment\n"
            "[A]\n"
            "One=1\n"
            "; comment inside A\n"
            "Two=2\n"
            "\n"
            "[B]\n"
            "Three=3\n");
  ASSERT_TRUE(WriteProfileString("a", "two", "22", file.c_str()));  // other letter case
  ASSERT_TRUE(WriteProfileString("A", "Four", "4", file.c_str()));  // new key
  ASSERT_TRUE(WriteProfileString("B", "Empty", "", file.c_str()));  // empty value

  EXPECT_EQ(Read(file, "A", "One"), "1");
  EXPECT_EQ(Read(file, "A", "Two"), "22");
  EXPECT_EQ(Read(file, "A", "Four"), "4");
  EXPECT_EQ(Read(file, "B", "Three"), "3");
  EXPECT_EQ(Read(file, "B", "Empty"), "");

  const std::string text = ReadFile(file);
  EXPECT_NE(text.find("; leading comment"), std::string::npos);
  EXPECT_NE(text.find("; comment inside A"), std::string::npos);
  // The new key is the last of its section: after Two, before [B].
  const auto two = text.find("22");
  const auto four = text.find("Four=4");
  const auto b = text.find("[B]");
  ASSERT_NE(four, std::string::npos);
  EXPECT_LT(two, four);
  EXPECT_LT(four, b);
  // The changed key appears once.
  EXPECT_EQ(text.find("wo=", text.find("wo=") + 1), std::string::npos);
}

// A file that starts with a byte-order mark keeps it, once, and its first
// section is found again rather than written a second time.
TEST(ProfileFile, AByteOrderMarkStaysAndItsSectionIsNotRepeated) {
  TempDir dir;
  const std::string bom = "\xEF\xBB\xBF";
  const std::string file = dir.File("bom.ini");
  for (const std::string& original :
       {bom + "[Camera]\nWidth=640\n", bom + "[camera]\r\nWidth=640\r\n[Other]\r\nX=1\r\n", bom}) {
    SCOPED_TRACE(original);
    WriteFile(file, original);
    ASSERT_TRUE(WriteProfileString("Camera", "Width", "1", file.c_str()));
    ASSERT_TRUE(WriteProfileString("Camera", "New", "2", file.c_str()));
    ASSERT_TRUE(WriteProfileString("Third", "Z", "3", file.c_str()));
    EXPECT_EQ(Read(file, "Camera", "Width"), "1");
    EXPECT_EQ(Read(file, "Camera", "New"), "2");
    EXPECT_EQ(Read(file, "Third", "Z"), "3");
    EXPECT_EQ(Read(file, "Other", "X"), original.find("Other") != std::string::npos ? "1" : "default");

    std::string text = ReadFile(file);
    EXPECT_EQ(text.compare(0, 3, bom), 0);
    EXPECT_NE(text.compare(3, 3, bom), 0);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto first = text.find("[camera]");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(text.find("[camera]", first + 1), std::string::npos);
  }
}

TEST(ProfileFile, NullArgumentsNeverCrash) {
  TempDir dir;
  const std::string file = dir.File("null.ini");
  char buf[8] = "zzz";
  EXPECT_EQ(ReadProfileString("S", "K", nullptr, buf, sizeof buf, file.c_str()), 0u);
  EXPECT_STREQ(buf, "");
  EXPECT_EQ(ReadProfileString("S", "K", "d", nullptr, 0, file.c_str()), 0u);
  EXPECT_FALSE(WriteProfileString("S", "K", nullptr, file.c_str()));
  EXPECT_FALSE(WriteProfileString("S", nullptr, "v", file.c_str()));
  EXPECT_FALSE(WriteProfileString(nullptr, "K", "v", file.c_str()));
}

TEST(ProfileFile, WritingIntoUnwritableFolderFails) {
  TempDir dir;
  const std::string file = dir.File("no-such-folder/x.ini");
  EXPECT_FALSE(WriteProfileString("S", "K", "v", file.c_str()));
}

}  // namespace
