// Debugger output, local time, run time and the path separator.
#pragma once

#include <cstdint>
#include <string>

namespace ecocam::platform {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Sends one text to the debugger output: OutputDebugStringA on Windows, the
// system log at debug priority (prefixed "ecocam: ") elsewhere. Never the
// host's standard error.
void DebugOutput(const char* text);

// Replaces the debugger output for tests; null restores the system's.
using DebugSink = void (*)(const char* text, void* context);
void SetDebugSinkForTesting(DebugSink sink, void* context);

struct LocalTimeParts {
  int year;    // e.g. 2026
  int month;   // 1 to 12
  int day;     // 1 to 31
  int hour;    // 0 to 23
  int minute;  // 0 to 59
  int second;  // 0 to 60
};
// The current local time, or the test clock's when one is installed.
LocalTimeParts LocalTime();

// Milliseconds since the library was loaded, from a monotonic clock (or the
// test clock's time when one is installed).
std::uint64_t RunTimeMs();

// The folder of the module (shared library or program) that holds this
// code, without a trailing separator; empty when the system cannot tell.
// Lets a library find files installed beside itself.
std::string OwnModuleFolder();

// Arranges for `teardown` to run when this library is unloaded or the
// process exits while its other threads still run, so the library can stop
// the threads it started before its code goes away. Linux: at dlclose and at
// exit, before the statics the library built earlier are destroyed. One
// function: a later call replaces the earlier one. Windows forbids waiting
// for a thread while a library unloads (the loader lock), and at process exit
// the other threads are already gone; there the module is pinned instead, so
// it stays mapped until the process ends and no thread ever runs unmapped
// code, and `teardown` never runs.
void RunAtUnload(void (*teardown)());

// The calling thread's last system error as text with its number
// (GetLastError on Windows, errno elsewhere).
std::string LastSystemError();

// Sleeps `ms` milliseconds (under a test clock: advances it instead).
void SleepMs(std::uint32_t ms);

}  // namespace ecocam::platform
