// Test access to the simulated camera SDK, loaded through the driver's own
// binding: SimSdk holds the control interface, SimSdkTest is a fixture that
// starts every test from a reset simulation with the binding unloaded.
//
// The control interface is resolved from the same library the binding loads
// (same file name, same search), so both talk to one simulation. Holding it
// also keeps the simulation loaded while the binding unloads and reloads
// the SDK, so its journal and settings survive CameraContainer_delete.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/dynamic_library.h"
#include "sdk/sdk.h"
#include "sdk/sdk_function_table.h"
#include "simsdk_control.h"

namespace ecocam::testing {

class SimSdk {
 public:
  explicit SimSdk(const std::string& library = sdk::SdkFunctionTable::DefaultLibraryName()) {
    if (!_library.Load(library.c_str())) return;
#define SIMSDK_RESOLVE(ret, name, params) name = reinterpret_cast<simsdk::name##_fn>(_library.Resolve(#name));
    SIMSDK_CONTROL_API(SIMSDK_RESOLVE)
#undef SIMSDK_RESOLVE
  }
  SimSdk(const SimSdk&) = delete;
  SimSdk& operator=(const SimSdk&) = delete;

  bool Complete() const {
    bool complete = _library.Loaded();
#define SIMSDK_CHECK(ret, name, params) complete = complete && name != nullptr;
    SIMSDK_CONTROL_API(SIMSDK_CHECK)
#undef SIMSDK_CHECK
    return complete;
  }

  // Every journal line, oldest first.
  std::vector<std::string> Journal() const {
    std::vector<std::string> lines;
    const int count = SimSdk_getJournalCount();
    for (int i = 0; i < count; ++i) {
      std::string line(static_cast<std::size_t>(SimSdk_getJournalEntry(i, nullptr, 0)) + 1, '\0');
      SimSdk_getJournalEntry(i, line.data(), static_cast<int>(line.size()));
      line.resize(line.size() - 1);
      lines.push_back(line);
    }
    return lines;
  }

  // The journal lines of one entry point.
  std::vector<std::string> JournalOf(const std::string& entryPoint) const {
    std::vector<std::string> lines;
    for (const std::string& line : Journal()) {
      if (line.compare(0, entryPoint.size() + 1, entryPoint + "(") == 0) lines.push_back(line);
    }
    return lines;
  }

#define SIMSDK_MEMBER(ret, name, params) simsdk::name##_fn name = nullptr;
  SIMSDK_CONTROL_API(SIMSDK_MEMBER)
#undef SIMSDK_MEMBER

 private:
  platform::DynamicLibrary _library;
};

class SimSdkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Complete()) << "the simulated SDK or its control interface is missing";
    sim.SimSdk_reset();
    sdk::SdkFunctionTable::Instance().Unload();
    sdk::SdkFunctionTable::Instance().SetLibraryName("");
  }
  void TearDown() override {
    sdk::SdkFunctionTable::Instance().Unload();
    sdk::SdkFunctionTable::Instance().SetLibraryName("");
  }

  // Creates the container and runs discovery through the binding.
  sdk::CameraContainerHandle Discover() {
    const sdk::CameraContainerHandle container = sdk::CameraContainer_create(1);
    EXPECT_GT(container, 0);
    EXPECT_EQ(0, sdk::CameraContainer_discovery(container));
    return container;
  }

  // Discovers and opens camera `index`.
  sdk::CameraHandle OpenCamera(int index = 0) {
    const sdk::CameraHandle camera = sdk::CameraContainer_getCamera(Discover(), index);
    EXPECT_NE(0, camera);
    EXPECT_EQ(0, sdk::Camera_openConnection(camera, 3.0f));
    return camera;
  }

  SimSdk sim;
};

}  // namespace ecocam::testing
