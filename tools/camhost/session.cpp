#include "session.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "driver_log.h"
#include "exit_codes.h"
#include "platform/profile_file.h"
#include "platform/system.h"

namespace camhost {

int Fail(int code, const std::string& text) {
  std::fprintf(stderr, "camhost: error: %s\n", text.c_str());
  for (const std::string& line : DriverLog::Problems(6)) std::fprintf(stderr, "  driver: %s\n", line.c_str());
  return code;
}

const char* CameraKind(const std::string& name) {
  // The driver's rule: the marker, after at least the "eco" prefix.
  const auto mono = name.find("MVGE");
  if (mono != std::string::npos && mono >= 3) return "mono";
  const auto colour = name.find("CVGE");
  if (colour != std::string::npos && colour >= 3) return "colour";
  return "unknown";
}

Session::Session(CommonOptions options) : _options(std::move(options)) {
  if (_options.systemPath.empty()) _options.systemPath = DefaultSystemPath();
  // Absolute, because Windows looks for a profile file given without a full
  // path in the Windows folder, not in the working folder.
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(_options.systemPath, ec);
  if (!ec) _options.systemPath = absolute.lexically_normal().string();
  while (_options.systemPath.size() > 1 && (_options.systemPath.back() == '/' || _options.systemPath.back() == '\\')) {
    _options.systemPath.pop_back();
  }
  if (_options.driverPath.empty()) {
    const std::string dir = ExecutableDir() + ecocam::platform::kPathSeparator;
    _options.driverPath = dir + DriverLibraryName();
#ifdef CAMHOST_INSTALLED_DRIVER
    // An installed camhost finds the driver where the install put it,
    // relative to its own folder, unless a driver sits beside it.
    std::error_code ec;
    if (!std::filesystem::exists(_options.driverPath, ec)) _options.driverPath = dir + CAMHOST_INSTALLED_DRIVER;
#endif
  }
}

Session::~Session() {
  Close();
  if (_initialized) _driver.finalize();
}

void Session::Close() {
  for (const OpenPort& port : _ports) _driver.closeCVLPort(0, port.number);
  _ports.clear();
}

int Session::Start() {
  DriverLog::SetPrinting(_options.logLevel > 0);
  std::string error;
  if (!_options.sdkPath.empty() && !PreloadLibrary(_options.sdkPath, error)) {
    return Fail(kExitSdkNotFound, "cannot load the camera SDK library " + _options.sdkPath + ": " + error);
  }
  if (!_driver.Load(_options.driverPath, error)) return Fail(kExitDriverNotFound, error);
  std::error_code ec;
  std::filesystem::create_directories(_options.systemPath, ec);
  if (ec) return Fail(kExitFailure, "cannot create the system path " + _options.systemPath + ": " + ec.message());

  if (_driver.initialize(_options.systemPath.c_str(), &DriverLog::MessageProc) != 1) {
    return Fail(kExitFailure, "the driver failed to initialize");
  }
  _initialized = true;
  // Discovery reports a missing or incompatible SDK only in its log.
  if (_driver.getCVLNoOfSupportedCameras() == 0 && DriverLog::Contains("CameraContainer could not be opened")) {
    return Fail(kExitSdkNotFound, std::string("the driver could not load the camera SDK (") +
                                      (_options.sdkPath.empty() ? "the one beside the driver" : _options.sdkPath) +
                                      "), or the SDK is not the version it needs");
  }
  return kExitOk;
}

std::vector<std::string> Session::CameraNames() {
  std::vector<std::string> names;
  char** list = _driver.getCVLCameraConfigNames();
  for (int i = 0; list != nullptr && list[i] != nullptr; ++i) names.emplace_back(list[i]);
  return names;
}

int Session::CheckCamera(const std::string& camera) {
  const std::vector<std::string> names = CameraNames();
  for (const std::string& name : names) {
    if (name == camera) return kExitOk;
  }
  std::string known;
  for (const std::string& name : names) known += (known.empty() ? "" : ", ") + name;
  return Fail(kExitUnknownCamera, "no camera named \"" + camera + "\" (names are case-sensitive); cameras: " +
                                      (known.empty() ? "none found" : known));
}

int Session::WriteKeys(const std::string& camera, const IniKeys& keys) {
  const std::string ini = _options.systemPath + ecocam::platform::kPathSeparator + "SVS-Vistek.ini";
  IniKeys all = keys;
  // camhost needs the driver's errors to explain a failure, so the log
  // threshold is at least 1; lines are printed only up to --log-level.
  all.emplace_back("LogLevel", std::to_string(_options.logLevel > 0 ? _options.logLevel : 1));
  all.emplace_back("LogDebugView", std::to_string(_options.debugView));
  for (const std::string& entry : _options.iniKeys) {
    const auto equals = entry.find('=');
    if (equals == std::string::npos || equals == 0) {
      return Fail(kExitUsage, "--ini wants KEY=VALUE, not \"" + entry + "\"");
    }
    all.emplace_back(entry.substr(0, equals), entry.substr(equals + 1));
  }
  for (const auto& [key, value] : all) {
    if (!ecocam::platform::WriteProfileString(camera.c_str(), key.c_str(), value.c_str(), ini.c_str())) {
      return Fail(kExitFailure, "cannot write " + key + " into " + ini);
    }
  }
  return kExitOk;
}

int Session::Open(const std::string& camera, int port, const IniKeys& keys, int& width, int& height) {
  width = 0;
  height = 0;
  const int ports = _driver.getCVLMaxNoOfPorts();
  if (port < 0 || port >= ports) {
    return Fail(kExitUsage, "port " + std::to_string(port) + " is outside 0.." + std::to_string(ports - 1));
  }
  if (const int rc = CheckCamera(camera); rc != kExitOk) return rc;
  // Ports are the host's slots; camhost processes sharing a system path
  // share them, as the windows of one host application would.
  const std::string lockPath =
      _options.systemPath + ecocam::platform::kPathSeparator + "camhost-port" + std::to_string(port) + ".lock";
  auto lock = std::make_unique<FileLock>(lockPath);
  if (!lock->Held()) {
    return Fail(kExitPortInUse, "port " + std::to_string(port) + " is in use by another camhost (lock " + lockPath +
                                    "); choose another --port");
  }
  if (const int rc = WriteKeys(camera, keys); rc != kExitOk) return rc;
  DriverLog::Clear();
  int size[2] = {0, 0};
  if (_driver.openCVLPort(0, port, camera.c_str(), size) != 1) {
    if (DriverLog::Contains("failed to open camera connection")) {
      return Fail(kExitPortInUse, "camera " + camera +
                                      " could not be connected: it may be in use by another program, switched off or "
                                      "disconnected");
    }
    if (DriverLog::Contains("is already open on port")) {
      return Fail(kExitPortInUse, "camera " + camera + " is in use: the driver could not connect to it");
    }
    return Fail(kExitFailure, "camera " + camera + " could not be opened on port " + std::to_string(port));
  }
  _ports.push_back(OpenPort{port, std::move(lock)});
  width = size[0];
  height = size[1];
  return kExitOk;
}

}  // namespace camhost
