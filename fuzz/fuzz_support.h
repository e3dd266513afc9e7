// Shared by the fuzz targets: a scratch folder of the process's own, files
// written from fuzz input, and the check that stops a run on a finding.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace ecocam::fuzz {

// A folder of this process under the system's temporary folder, removed at
// exit.
inline const std::filesystem::path& ScratchDir() {
  static const std::filesystem::path dir = [] {
    std::random_device random;
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("ecocam-fuzz-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchDir(), ignored);
    });
    return path;
  }();
  return dir;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

// A broken invariant is a finding: report it and abort, so libFuzzer saves
// the input.
#define FUZZ_CHECK(condition, what)                                                       \
  do {                                                                                    \
    if (!(condition)) {                                                                   \
      std::fprintf(stderr, "FUZZ_CHECK failed at %s:%d: %s\n", __FILE__, __LINE__, what); \
      std::abort();                                                                       \
    }                                                                                     \
  } while (0)

}  // namespace ecocam::fuzz
