// INI files on POSIX, behaving as the Windows private-profile functions do.
#include <cstring>
#include <string>
#include <vector>

#include <strings.h>

#include "../profile_file.h"
#include "file_content_posix.h"

namespace ecocam::platform {
namespace {

constexpr const char* kBlanks = " \t";

std::string Trim(const std::string& s) {
  std::size_t b = s.find_first_not_of(kBlanks);
  if (b == std::string::npos) return std::string();
  std::size_t e = s.find_last_not_of(kBlanks);
  return s.substr(b, e - b + 1);
}

bool SameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

struct Line {
  std::string text;  // without its line ending
  std::string eol;   // "\n", "\r\n" or "" for a last line without one
};

// A UTF-8 byte-order mark at the very start of a file: not part of its
// first line, and kept when the file is written again.
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr std::size_t kByteOrderMarkSize = sizeof kByteOrderMark - 1;

// The file's lines; `byteOrderMark` tells whether a mark preceded them.
bool ReadLines(const char* file, std::vector<Line>& lines, bool& byteOrderMark) {
  std::string data;
  byteOrderMark = false;
  if (!posix::ReadRegularFile(file, data)) return false;
  std::size_t pos = 0;
  if (data.compare(0, kByteOrderMarkSize, kByteOrderMark) == 0) {
    byteOrderMark = true;
    pos = kByteOrderMarkSize;
  }
  while (pos < data.size()) {
    std::size_t nl = data.find('\n', pos);
    Line line;
    if (nl == std::string::npos) {
      line.text = data.substr(pos);
      pos = data.size();
    } else {
      line.text = data.substr(pos, nl - pos);
      line.eol = "\n";
      pos = nl + 1;
    }
    if (!line.text.empty() && line.text.back() == '\r') {
      line.text.pop_back();
      line.eol = "\r" + line.eol;
    }
    lines.push_back(std::move(line));
  }
  return true;
}

// The name of a section header line, or false when the line is none.
bool SectionName(const std::string& text, std::string& name) {
  std::string t = Trim(text);
  if (t.empty() || t[0] != '[') return false;
  std::size_t close = t.find(']');
  name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

// Splits a "key = value" line; false for blank lines, comments and lines
// without '='.
bool KeyValue(const std::string& text, std::string& key, std::string& value) {
  std::string t = Trim(text);
  if (t.empty() || t[0] == ';' || t[0] == '#') return false;
  std::size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(t.substr(0, eq));
  value = Trim(t.substr(eq + 1));
  return true;
}

std::string Unquote(const std::string& v) {
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) {
    return v.substr(1, v.size() - 2);
  }
  return v;
}

std::size_t CopyOut(const std::string& value, char* buffer, std::size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  std::size_t n = value.size() < size - 1 ? value.size() : size - 1;
  std::memcpy(buffer, value.data(), n);
  buffer[n] = '\0';
  return n;
}

}  // namespace

std::size_t ReadProfileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                              std::size_t size, const char* file) {
  // As on Windows, trailing blanks of the default value are dropped.
  std::string result = defaultValue ? defaultValue : "";
  result.erase(result.find_last_not_of(kBlanks) + 1);
  std::vector<Line> lines;
  bool byteOrderMark = false;
  if (section != nullptr && key != nullptr && file != nullptr && ReadLines(file, lines, byteOrderMark)) {
    const std::string wantSection = Trim(section);
    const std::string wantKey = Trim(key);
    bool inSection = false;
    for (const Line& line : lines) {
      std::string name, k, v;
      if (SectionName(line.text, name)) {
        inSection = SameName(name, wantSection.c_str());
      } else if (inSection && KeyValue(line.text, k, v) && SameName(k, wantKey.c_str())) {
        result = Unquote(v);
        break;
      }
    }
  }
  return CopyOut(result, buffer, size);
}

bool WriteProfileString(const char* section, const char* key, const char* value, const char* file) {
  if (section == nullptr || key == nullptr || value == nullptr || file == nullptr) return false;
  std::vector<Line> lines;
  bool byteOrderMark = false;
  // A missing file is created; one that cannot be read is not rewritten
  // from nothing.
  if (!ReadLines(file, lines, byteOrderMark) && !posix::IsMissing(file)) return false;
  // New lines follow the file's own line endings. Only a line feed ends a
  // line: a carriage return alone (at the end of a file cut short, say)
  // does not, so it is never taken as the ending of new lines.
  std::string eol = "\n";
  for (const Line& line : lines) {
    if (line.eol.find('\n') != std::string::npos) {
      eol = line.eol;
      break;
    }
  }
  const std::string wantSection = Trim(section);
  const std::string wantKey = Trim(key);
  const std::string newLine = wantKey + "=" + value;

  bool found = false;
  bool inSection = false;
  std::size_t insertAt = lines.size();  // after the last non-blank line of the section
  bool sectionSeen = false;
  for (std::size_t i = 0; i < lines.size() && !found; ++i) {
    std::string name, k, v;
    if (SectionName(lines[i].text, name)) {
      if (inSection) break;  // the section ended without the key
      inSection = SameName(name, wantSection.c_str());
      if (inSection) {
        sectionSeen = true;
        insertAt = i + 1;
      }
    } else if (inSection) {
      if (KeyValue(lines[i].text, k, v) && SameName(k, wantKey.c_str())) {
        lines[i].text = k + "=" + value;
        found = true;
      } else if (!Trim(lines[i].text).empty()) {
        insertAt = i + 1;
      }
    }
  }
  if (!found) {
    // A last line without its line feed gets one, else the new line would
    // continue it and the key would never be found again.
    if (!lines.empty() && lines.back().eol.find('\n') == std::string::npos) {
      lines.back().eol = lines.back().eol.empty() ? eol : lines.back().eol + "\n";
    }
    if (sectionSeen) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), Line{newLine, eol});
    } else {
      lines.push_back(Line{"[" + wantSection + "]", eol});
      lines.push_back(Line{newLine, eol});
    }
  }

  std::string data = byteOrderMark ? kByteOrderMark : "";
  for (const Line& line : lines) data += line.text + line.eol;
  return posix::ReplaceFileContent(file, data);
}

}  // namespace ecocam::platform
