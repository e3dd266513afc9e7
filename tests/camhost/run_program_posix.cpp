#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "run_program.h"
#include "support/temp_dir.h"

namespace camhost::testing {

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
                         const std::vector<std::string>& unset) {
  const std::string outPath = workDir + "/stdout.txt";
  const std::string errPath = workDir + "/stderr.txt";
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  ProgramResult result;
  const pid_t child = fork();
  if (child == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || chdir(workDir.c_str()) != 0) _exit(127);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    for (const std::string& name : unset) unsetenv(name.c_str());
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  if (child < 0) return result;
  int status = 0;
  if (waitpid(child, &status, 0) == child && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  result.out = ecocam::testing::ReadFile(outPath);
  result.err = ecocam::testing::ReadFile(errPath);
  return result;
}

}  // namespace camhost::testing
