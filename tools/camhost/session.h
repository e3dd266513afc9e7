// One run of camhost against the driver: load it, initialize, find the
// camera, write its INI keys, open it on a port; and undo all of it, in
// reverse, when the session ends.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "driver_library.h"
#include "host_system.h"

namespace camhost {

// Options every command shares.
struct CommonOptions {
  std::string driverPath;            // empty: the driver beside camhost
  std::string systemPath;            // empty: DefaultSystemPath()
  std::string sdkPath;               // empty: the SDK the driver finds itself
  int logLevel = 0;                  // driver lines up to this level are printed
  int debugView = 0;                 // the driver's debugger-output threshold
  std::vector<std::string> iniKeys;  // KEY=VALUE written into the camera's section
};

using IniKeys = std::vector<std::pair<std::string, std::string>>;

class Session {
 public:
  explicit Session(CommonOptions options);
  // Closes the open ports, then finalizes the driver.
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Loads the SDK (when given) and the driver, creates the system path and
  // initializes. An exit code; on failure the reason is printed.
  int Start();
  DriverLibrary& Driver() { return _driver; }
  const std::string& SystemPath() const { return _options.systemPath; }

  // The camera names the driver reports, in its order.
  std::vector<std::string> CameraNames();
  // kExitOk when `camera` is one of them, else a message and an exit code.
  int CheckCamera(const std::string& camera);

  // Writes the log thresholds, `keys` and the user's --ini keys into the
  // camera's section of "SVS-Vistek.ini", then opens the camera on `port`.
  // An exit code; width and height of its frames on success. A session may
  // hold several ports at once, each opened by its own call.
  int Open(const std::string& camera, int port, const IniKeys& keys, int& width, int& height);
  // Closes the open ports and releases them.
  void Close();
  // The first port opened, or -1 when none is open.
  int Port() const { return _ports.empty() ? -1 : _ports.front().number; }

 private:
  int WriteKeys(const std::string& camera, const IniKeys& keys);

  CommonOptions _options;
  DriverLibrary _driver;
  struct OpenPort {
    int number;
    std::unique_ptr<FileLock> lock;
  };
  bool _initialized = false;
  std::vector<OpenPort> _ports;
};

// Prints "camhost: error: <text>" and the driver's recent ERROR and WARNING
// lines below it; returns `code`.
int Fail(int code, const std::string& text);

// "mono" or "colour" from the model name, as the driver tells them apart;
// "unknown" when the name carries neither marker.
const char* CameraKind(const std::string& name);

}  // namespace camhost
