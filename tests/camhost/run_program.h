// Runs a program to its end and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace camhost::testing {

struct ProgramResult {
  int exitCode = -1;  // -1 when it could not be started or did not end normally
  std::string out;
  std::string err;
};

// Runs `program` with `args` in `workDir`, without the environment variables
// named in `unset`; its standard output and error go through files in
// `workDir`.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
                         const std::vector<std::string>& unset = {});

}  // namespace camhost::testing
