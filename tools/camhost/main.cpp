// camhost: a command-line host for the ecocam driver. It loads the driver
// library by path and talks to it only through the 17 exports, the way the
// host application does.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <map>
#include <string>

#include "commands.h"
#include "exit_codes.h"
#include "view_session.h"

#ifndef CAMHOST_VERSION
#define CAMHOST_VERSION "unknown"
#endif

namespace {

constexpr const char* kFooter = R"(
Settings: the driver keeps each camera's settings in the section named after
the camera in "SVS-Vistek.ini" in the system path, and reads them when the
camera opens. The acquisition mode and the log thresholds are not properties
a host may write, so camhost sets them the way a user does: before it opens a
camera it writes the keys AcquisitionMode (from --mode of grab or view),
LogLevel (from --log-level, at least 1 so camhost can quote the driver's
errors) and LogDebugView (from --debug-view) into the camera's section,
together with any --ini KEY=VALUE. They stay in the file. Until a camera opens (discovery, list)
the driver logs at its built-in level 3.

Exit codes: 0 success, 1 the operation failed, 2 bad command line,
3 unknown camera, 4 port or camera in use, 5 driver library not found,
6 camera SDK library not found.)";

}  // namespace

int main(int argc, char** argv) {
  using namespace camhost;
  CLI::App app{"camhost " CAMHOST_VERSION ": a command-line host for the ecocam camera driver"};
  app.set_version_flag("--version", "camhost " CAMHOST_VERSION);
  app.footer(kFooter);
  app.require_subcommand(1);
  app.fallthrough();

  CommonOptions common;
  app.add_option("--driver", common.driverPath, "driver library to load (default: the one beside camhost)");
  app.add_option("--system-path", common.systemPath,
                 "folder of \"SVS-Vistek.ini\" and the driver's log (default: ecocam under the user's state folder)");
  app.add_option("--sdk", common.sdkPath,
                 "camera SDK library to load before the driver, which then binds to it (file named as the SDK)");
  app.add_option("--log-level", common.logLevel, "print the driver's log lines up to this level (0 to 4)")
      ->check(CLI::Range(0, 4));
  app.add_option("--debug-view", common.debugView, "the driver's debugger-output threshold (0 to 4, default 0)")
      ->check(CLI::Range(0, 4));
  app.add_option("--ini", common.iniKeys, "KEY=VALUE written into the camera's INI section before it opens")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);

  CLI::App* list = app.add_subcommand("list", "list the cameras the driver supports, with their names and types");

  GrabOptions grab;
  CLI::App* grabCmd = app.add_subcommand("grab", "grab frames, read them row by row and write PNG files");
  grabCmd->add_option("--camera", grab.camera, "camera name, as list shows it")->required();
  grabCmd->add_option("--port", grab.port, "port number (0 to 19)")->capture_default_str();
  grabCmd->add_option("--frames", grab.frames, "number of frames")->capture_default_str()->check(CLI::PositiveNumber);
  const std::map<std::string, GrabMode> modes{
      {"single", GrabMode::kSingle}, {"continuous", GrabMode::kContinuous}, {"trigger", GrabMode::kTrigger}};
  grabCmd->add_option("--mode", grab.mode, "single (one grab per frame), continuous, or trigger (software trigger)")
      ->transform(CLI::CheckedTransformer(modes, CLI::ignore_case));
  grabCmd->add_option("--out", grab.outDir, "folder for the PNG files")->capture_default_str();
  grabCmd->add_option("--fps", grab.frameRate, "set the FrameRate property first (free-running modes)")
      ->check(CLI::PositiveNumber);
  grabCmd->add_option("--timeout", grab.timeoutMs, "longest wait for one frame in ms")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);

  PropertyOptions get, set, range;
  CLI::App* getCmd = app.add_subcommand("get", "read a property of an opened camera");
  CLI::App* setCmd = app.add_subcommand("set", "write a property of an opened camera and read it back");
  CLI::App* rangeCmd = app.add_subcommand("range", "read a property's range");
  for (auto [cmd, target] : {std::pair{getCmd, &get}, std::pair{setCmd, &set}, std::pair{rangeCmd, &range}}) {
    cmd->add_option("--camera", target->camera, "camera name")->required();
    cmd->add_option("--port", target->port, "port number (0 to 19)")->capture_default_str();
    cmd->add_option("property", target->property, "property name, for example FrameRate")->required();
  }
  setCmd->add_option("value", set.value, "the new value, an integer")->required();

  std::string configureCamera;
  CLI::App* configure = app.add_subcommand("configure", "show a camera's configuration sheet");
  configure->add_option("--camera", configureCamera, "camera name")->required();

  BenchOptions bench;
  CLI::App* benchCmd = app.add_subcommand("bench", "measure the grab pipeline on this machine's cameras");
  benchCmd->add_option("--mono", bench.mono, "monochrome camera (default: the first)");
  benchCmd->add_option("--colour", bench.colour, "colour camera (default: the first)");
  benchCmd->add_option("--seconds", bench.seconds, "length of each measurement")
      ->capture_default_str()
      ->check(CLI::Range(0.1, 600.0));
  benchCmd
      ->add_option("--cameras", bench.cameras,
                   "instead: stream this many mono cameras at once, a host thread reading every row of each")
      ->check(CLI::Range(1, 20));
  benchCmd->add_option("--size", bench.size, "with --cameras: configure the simulated SDK with cameras of WxH pixels");
  benchCmd->add_option("--rate", bench.rate, "with --cameras: frames per second grabbed from each camera")
      ->capture_default_str()
      ->check(CLI::Range(1.0, 1000.0));

  ViewOptions view;
  CLI::App* viewCmd =
      app.add_subcommand("view", "show a camera's live picture in a window, with its settings beside it");
  viewCmd->add_option("--camera", view.camera, "camera name, as list shows it")->required();
  viewCmd->add_option("--port", view.port, "port number (0 to 19)")->capture_default_str();
  viewCmd
      ->add_option("--mode", view.mode,
                   "continuous (the default), single (one grab per frame), or trigger (software trigger)")
      ->transform(CLI::CheckedTransformer(modes, CLI::ignore_case));
  viewCmd->add_option("--out", view.outDir, "folder for snapshots")->capture_default_str();
  viewCmd->add_option("--trigger-rate", view.triggerRate, "start the free-running trigger at this rate per second")
      ->check(CLI::Range(0.1, 200.0));

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int rc = app.exit(e);
    return rc == 0 ? kExitOk : kExitUsage;
  }
  try {
    if (list->parsed()) return RunList(common);
    if (grabCmd->parsed()) return RunGrab(common, grab);
    if (getCmd->parsed()) return RunGet(common, get);
    if (setCmd->parsed()) return RunSet(common, set);
    if (rangeCmd->parsed()) return RunRange(common, range);
    if (configure->parsed()) return RunConfigure(common, configureCamera);
    if (benchCmd->parsed()) return bench.cameras > 0 ? RunBenchCameras(common, bench) : RunBench(common, bench);
    if (viewCmd->parsed()) return RunView(common, view);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "camhost: error: %s\n", e.what());
    return kExitFailure;
  }
  return kExitUsage;
}
