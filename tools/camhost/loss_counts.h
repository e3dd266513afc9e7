// What the network did to an open camera's frames, as the driver counts
// them (its read-only properties "FramesDelivered", "FramesIncomplete" and
// "PacketsResent"), for the summaries of grab and bench.
#pragma once

#include <string>

#include "driver_library.h"

namespace camhost {

// "D delivered, I incomplete, R packets resent" for the camera open on
// `port`, or a note that the driver does not count them.
std::string LossCounts(DriverLibrary& driver, int port);

}  // namespace camhost
