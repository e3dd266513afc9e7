// The settings the live view offers beside the picture: the properties a
// host may write that change what the picture looks like. Each is bounded
// by the range the driver reports, and shows what the driver reads back,
// so a value the driver refuses is shown as refused and the control goes
// back to the camera's value.
#pragma once

#include <string>
#include <vector>

#include "driver_library.h"

namespace camhost {

struct ViewControl {
  std::string name;
  bool readable = false;  // getProperty answered
  bool ranged = false;    // getPropertyRange answered
  int min = 0;
  int max = 0;
  int value = 0;     // what the driver read last
  std::string note;  // the last outcome, for the user: "" or e.g. "refused"
};

class ViewControls {
 public:
  enum class Outcome {
    kTaken,     // written and read back as asked
    kAdjusted,  // written; the driver reads back another value
    kRefused,   // the driver refused it; value is the camera's again
  };

  // The properties the view offers, in the order shown.
  static const std::vector<std::string>& Names();

  // Reads the range and value of every control from the camera on `port`.
  void Load(DriverLibrary& driver, int port);
  // Writes `value` (brought into the control's range first) into control
  // `index` and reads the value back.
  Outcome Apply(DriverLibrary& driver, int port, std::size_t index, int value);

  const std::vector<ViewControl>& Controls() const { return _controls; }

 private:
  std::vector<ViewControl> _controls;
};

}  // namespace camhost
