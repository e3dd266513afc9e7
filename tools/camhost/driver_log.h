// The driver's log as camhost receives it through the message procedure.
//
// The driver calls the procedure twice per line (timestamp, then message),
// from any of its threads, with its log lock held. camhost prints the lines
// on standard error when asked to, and keeps the recent ones so a failure
// can be explained with the driver's own words.
#pragma once

#include <string>
#include <vector>

#include "ecocam/ecocam.h"

namespace camhost {

class DriverLog {
 public:
  // The message procedure handed to initialize.
  static void ECOCAM_CALL MessageProc(const char* text);

  // Prints every line from now on when `print` is set.
  static void SetPrinting(bool print);
  // True when a kept line contains `text`.
  static bool Contains(const std::string& text);
  // The kept lines holding "ERROR" or "WARNING", oldest first, at most `max`.
  static std::vector<std::string> Problems(std::size_t max);
  // Forgets the kept lines.
  static void Clear();
  // The newest line of level 1 (errors, warnings, caught exceptions, the
  // start-up banner) seen since the process started; empty when none.
  // Not forgotten by Clear, and kept however many lines follow it.
  static std::string LatestLevelOne();
};

}  // namespace camhost
