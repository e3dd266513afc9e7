// Every test of the parameters runs with its log captured (level 4 through
// the message procedure, no debugger output) and a system path of its own,
// so the INI path is real.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "driver/driver_context.h"
#include "support/driver_log.h"
#include "support/temp_dir.h"

namespace ecocam::testing {

class ParamsTest : public ::testing::Test {
 protected:
  ParamsTest() { DriverContext::GetInstance().SetSystemPath(_dir.path().string()); }
  ~ParamsTest() override { DriverContext::GetInstance().SetSystemPath(""); }

  std::string IniPath() const { return DriverContext::GetInstance().IniPath(); }

  TempDir _dir;
  DriverLog _log{{4, 0}};
};

}  // namespace ecocam::testing
