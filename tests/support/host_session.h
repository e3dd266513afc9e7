// The fixture of tests that use the driver as a host does, through its
// exports, against the simulated SDK beside it: every test starts from a
// reset simulation (its two default cameras) with the log captured
// (HostLog) and a folder of its own, and ends with the driver finalized as
// often as it takes to drop its cameras.
#pragma once

#include <gtest/gtest.h>

#include "ecocam/ecocam.h"
#include "support/host_log.h"
#include "support/sim_sdk.h"
#include "support/temp_dir.h"

namespace ecocam::testing {

class HostSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Complete()) << "the simulated SDK or its control interface is missing";
    sim.SimSdk_reset();
  }
  void TearDown() override {
    while (getCVLNoOfSupportedCameras() > 0) finalize();
  }

  HostLog log;
  TempDir dir;
  SimSdk sim;
};

}  // namespace ecocam::testing
