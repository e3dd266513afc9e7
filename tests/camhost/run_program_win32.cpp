#include <windows.h>

#include <utility>

#include "run_program.h"
#include "support/temp_dir.h"

namespace camhost::testing {
namespace {

// One argument quoted the way the C runtime splits a command line.
std::string Quote(const std::string& arg) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

HANDLE OpenForChild(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
                         const std::vector<std::string>& unset) {
  const std::string outPath = workDir + "\\stdout.txt";
  const std::string errPath = workDir + "\\stderr.txt";
  std::string commandLine = Quote(program);
  for (const std::string& a : args) commandLine += " " + Quote(a);

  ProgramResult result;
  HANDLE out = OpenForChild(outPath);
  HANDLE err = OpenForChild(errPath);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  // The child inherits the environment as it is at its start.
  std::vector<std::pair<std::string, std::string>> saved;
  for (const std::string& name : unset) {
    char value[32768];
    const DWORD n = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    if (n > 0 && n < sizeof value) saved.emplace_back(name, std::string(value, n));
    SetEnvironmentVariableA(name.c_str(), nullptr);
  }
  const BOOL started = out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
                       CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      workDir.c_str(), &startup, &process);
  for (const auto& [name, value] : saved) SetEnvironmentVariableA(name.c_str(), value.c_str());
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  if (err != INVALID_HANDLE_VALUE) CloseHandle(err);
  if (!started) return result;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  if (GetExitCodeProcess(process.hProcess, &code)) result.exitCode = static_cast<int>(code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  result.out = ecocam::testing::ReadFile(outPath);
  result.err = ecocam::testing::ReadFile(errPath);
  return result;
}

}  // namespace camhost::testing
