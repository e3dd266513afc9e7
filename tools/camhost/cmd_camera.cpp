// camhost list, get, set, range and configure: the registry and the
// property exports.
#include <cstdio>
#include <string>

#include "commands.h"
#include "exit_codes.h"

namespace camhost {

int RunList(const CommonOptions& common) {
  Session session(common);
  if (const int rc = session.Start(); rc != kExitOk) return rc;
  const std::vector<std::string> names = session.CameraNames();
  if (names.empty()) {
    std::printf("no supported cameras found\n");
    return kExitOk;
  }
  std::printf("%-4s %-24s %s\n", "#", "camera", "type");
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::printf("%-4zu %-24s %s\n", i, names[i].c_str(), CameraKind(names[i]));
  }
  return kExitOk;
}

namespace {

// Opens the camera of `options` in `session`; an exit code.
int OpenFor(Session& session, const PropertyOptions& options) {
  if (const int rc = session.Start(); rc != kExitOk) return rc;
  int width = 0, height = 0;
  return session.Open(options.camera, options.port, {}, width, height);
}

}  // namespace

int RunGet(const CommonOptions& common, const PropertyOptions& options) {
  Session session(common);
  if (const int rc = OpenFor(session, options); rc != kExitOk) return rc;
  int value = 0;
  if (session.Driver().getProperty(0, options.port, options.property.c_str(), &value) != 1) {
    return Fail(kExitFailure, "cannot read " + options.property + " (unknown name, or a type without an int value)");
  }
  std::printf("%s = %d\n", options.property.c_str(), value);
  return kExitOk;
}

int RunSet(const CommonOptions& common, const PropertyOptions& options) {
  Session session(common);
  if (const int rc = OpenFor(session, options); rc != kExitOk) return rc;
  if (session.Driver().setProperty(0, options.port, options.property.c_str(), options.value) != 1) {
    return Fail(kExitFailure, "the driver refused to set " + options.property + " (unknown or read-only)");
  }
  int now = 0;
  if (session.Driver().getProperty(0, options.port, options.property.c_str(), &now) == 1) {
    std::printf("%s = %d\n", options.property.c_str(), now);
  } else {
    std::printf("%s set to %d\n", options.property.c_str(), options.value);
  }
  // The driver keeps a written value until the camera closes; the INI file
  // keeps the configured one.
  return kExitOk;
}

int RunRange(const CommonOptions& common, const PropertyOptions& options) {
  Session session(common);
  if (const int rc = OpenFor(session, options); rc != kExitOk) return rc;
  int min = 0, max = 0;
  if (session.Driver().getPropertyRange(0, options.port, options.property.c_str(), &min, &max) != 1) {
    return Fail(kExitFailure, options.property + " has no range (unknown name, or not a number)");
  }
  std::printf("%s: %d .. %d\n", options.property.c_str(), min, max);
  return kExitOk;
}

int RunConfigure(const CommonOptions& common, const std::string& camera) {
  Session session(common);
  if (const int rc = session.Start(); rc != kExitOk) return rc;
  if (const int rc = session.CheckCamera(camera); rc != kExitOk) return rc;
  if (session.Driver().configureCamera(nullptr, camera.c_str()) == 0) {
    std::printf("%s: settings confirmed and saved to %s\n", camera.c_str(), session.SystemPath().c_str());
    return kExitOk;
  }
  return Fail(kExitFailure, "the configuration sheet of " + camera + " was cancelled or could not be shown");
}

}  // namespace camhost
