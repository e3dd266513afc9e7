// The INI reader and writer: a random file, then random reads and writes.
// Reads never run past their buffer and always terminate it; every written
// key reads back as written; every key of the original file that no write
// named reads as before; and the writer's own lines stay well-formed, so
// each key is found again after further writes.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_support.h"
#include "platform/profile_file.h"

namespace {

using ecocam::platform::ReadProfileString;
using ecocam::platform::WriteProfileString;

std::string Read(const std::string& file, const std::string& section, const std::string& key) {
  std::vector<char> buffer(4096);
  const std::size_t n =
      ReadProfileString(section.c_str(), key.c_str(), "\x01missing", buffer.data(), buffer.size(), file.c_str());
  return std::string(buffer.data(), n);
}

std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// A name or value from a small alphabet: letters of both cases, digits and
// inner punctuation, never blank at either end. Values may also hold the
// characters that structure a file ('=', ';', '[', ']') after their first.
std::string Word(FuzzedDataProvider& in, bool value) {
  static const char kName[] = "aAbBkK019_.- ";
  static const char kValue[] = "aAbBkK019_.- =;#[]\"'";
  const char* alphabet = value ? kValue : kName;
  const std::size_t size = std::strlen(alphabet);
  std::string word(1, "abkAK0"[in.ConsumeIntegralInRange<int>(0, 5)]);
  const int length = in.ConsumeIntegralInRange<int>(0, 12);
  for (int i = 0; i < length; ++i) word += alphabet[in.ConsumeIntegralInRange<std::size_t>(0, size - 1)];
  while (word.back() == ' ') word.pop_back();
  if (value && (word.back() == '"' || word.back() == '\'')) word += 'x';  // no surrounding quotes
  return word;
}

// Section and key candidates found in the original file, to probe before and after.
std::vector<std::pair<std::string, std::string>> Probes(const std::string& data) {
  std::vector<std::pair<std::string, std::string>> probes;
  std::string section;
  std::size_t pos = 0;
  while (pos < data.size() && probes.size() < 64) {
    std::size_t end = data.find('\n', pos);
    if (end == std::string::npos) end = data.size();
    const std::string line = data.substr(pos, end - pos);
    pos = end + 1;
    const std::size_t open = line.find('[');
    const std::size_t close = line.find(']');
    const std::size_t eq = line.find('=');
    if (open != std::string::npos && (eq == std::string::npos || open < eq)) {
      section = line.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    } else if (eq != std::string::npos) {
      probes.emplace_back(section, line.substr(0, eq));
    }
  }
  return probes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string file = (ecocam::fuzz::ScratchDir() / "profile.ini").string();
  const std::string original = in.ConsumeRandomLengthString(2048);
  ecocam::fuzz::WriteFile(file, original);

  const auto probes = Probes(original);
  std::vector<std::string> before;
  for (const auto& [section, key] : probes) before.push_back(Read(file, section, key));

  // Reads into buffers of every size, including 0 and 1.
  for (int i = 0; i < 3 && in.remaining_bytes() > 0; ++i) {
    const std::string section = in.ConsumeRandomLengthString(16);
    const std::string key = in.ConsumeRandomLengthString(16);
    const std::size_t bufferSize = in.ConsumeIntegralInRange<std::size_t>(0, 40);
    std::vector<char> buffer(bufferSize + 1, '\x7f');
    const std::size_t n = ReadProfileString(section.c_str(), key.c_str(), "default value",
                                            bufferSize == 0 ? nullptr : buffer.data(), bufferSize, file.c_str());
    FUZZ_CHECK(bufferSize == 0 ? n == 0 : n < bufferSize, "read past the buffer's size");
    if (bufferSize > 0) FUZZ_CHECK(buffer[n] == '\0', "read value not terminated");
    FUZZ_CHECK(buffer[bufferSize] == '\x7f', "read wrote past the buffer");
  }

  std::map<std::pair<std::string, std::string>, std::string> written;  // lower-cased names
  std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> names;
  while (in.remaining_bytes() > 0) {
    const std::string section = Word(in, false);
    const std::string key = Word(in, false);
    const std::string value = Word(in, true);
    FUZZ_CHECK(WriteProfileString(section.c_str(), key.c_str(), value.c_str(), file.c_str()), "write failed");
    const auto id = std::make_pair(Lower(section), Lower(key));
    written[id] = value;
    names[id] = {section, key};
    for (const auto& [other, expected] : written) {
      const auto& [s, k] = names[other];
      const std::string read = Read(file, s, k);
      if (read != expected) {
        std::fprintf(stderr, "[%s] %s reads \"%s\", written \"%s\"; the file:\n%s\n", s.c_str(), k.c_str(),
                     read.c_str(), expected.c_str(), ReadAll(file).c_str());
      }
      FUZZ_CHECK(read == expected, "a written key does not read back");
    }
  }

  // Keys of the original file that no write named read as before. A write
  // may name one only by the same section and key, compared as the reader
  // compares them (blanks trimmed, case ignored).
  const auto trim = [](const std::string& s) {
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return std::string();
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
  };
  for (std::size_t i = 0; i < probes.size(); ++i) {
    const auto& [section, key] = probes[i];
    if (written.count({Lower(trim(section)), Lower(trim(key))}) != 0) continue;
    FUZZ_CHECK(Read(file, section, key) == before[i], "an unrelated key changed");
  }
  return 0;
}
