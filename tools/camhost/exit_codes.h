// camhost's exit codes: one per failure a script may want to tell apart.
#pragma once

namespace camhost {

enum ExitCode : int {
  kExitOk = 0,
  kExitFailure = 1,         // the operation failed (no frame, property refused, file not written)
  kExitUsage = 2,           // bad command line
  kExitUnknownCamera = 3,   // no camera of that name among the driver's cameras
  kExitPortInUse = 4,       // the port, or the camera behind it, is held by another program
  kExitDriverNotFound = 5,  // the driver library cannot be loaded or lacks an export
  kExitSdkNotFound = 6,     // the camera SDK library cannot be loaded
};

}  // namespace camhost
