#include "loss_counts.h"

namespace camhost {

std::string LossCounts(DriverLibrary& driver, int port) {
  int delivered = 0, incomplete = 0, resent = 0;
  if (driver.getProperty(0, port, "FramesDelivered", &delivered) != 1 ||
      driver.getProperty(0, port, "FramesIncomplete", &incomplete) != 1 ||
      driver.getProperty(0, port, "PacketsResent", &resent) != 1) {
    return "not counted by this driver";
  }
  return std::to_string(delivered) + " delivered, " + std::to_string(incomplete) + " incomplete, " +
         std::to_string(resent) + " packets resent";
}

}  // namespace camhost
