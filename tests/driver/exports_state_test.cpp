// Every export through the shared library's real export table, in the states
// a host meets without a camera (the simulated SDK lists none): before
// initialize, after initialize, after the last finalize. Results,
// out-parameters and the lines logged through the message procedure. The wait
// thread's own lines come at times of their own and are left out here.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "ecocam/ecocam.h"
#include "support/host_session.h"

extern "C" int ecocam_header_c_check(void);

namespace ecocam::testing {
namespace {

class ExportsTest : public HostSessionTest {
 protected:
  void SetUp() override {
    HostSessionTest::SetUp();
    if (HasFatalFailure()) return;
    sim.SimSdk_clearCameras();
    ASSERT_EQ(setSystemPath(dir.path().string().c_str()), 1);
    setDebugMsgProc(&HostLog::Procedure);
    HostLog::Clear();
  }
  // The messages logged since the last Clear; checks that each came after
  // its timestamp "dd/mm/yy hh:mm:ss: ".
  static std::vector<std::string> Logged() {
    static const std::regex stamp(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d: )");
    const std::vector<std::string> calls = HostLog::TakeCalls();
    std::vector<std::string> lines;
    EXPECT_EQ(calls.size() % 2, 0u);
    for (std::size_t i = 0; i + 1 < calls.size(); i += 2) {
      EXPECT_TRUE(std::regex_match(calls[i], stamp)) << calls[i];
      if (calls[i + 1].rfind("CameraWaitThread::", 0) != 0) lines.push_back(calls[i + 1]);
    }
    return lines;
  }
};

using Lines = std::vector<std::string>;

TEST_F(ExportsTest, HeaderIsPlainC) { EXPECT_EQ(ecocam_header_c_check(), 1); }

TEST_F(ExportsTest, LifecycleCountsAndDiscoversOnlyOnTheFirstInitialize) {
  // Before any initialize: limits, no cameras, and no registry created.
  EXPECT_EQ(getCVLMaxNoOfGrabbers(), 1);
  EXPECT_EQ(getCVLMaxNoOfPorts(), 20);
  EXPECT_EQ(getCVLNoOfSupportedCameras(), 0);
  char** names = getCVLCameraConfigNames();
  ASSERT_NE(names, nullptr);
  EXPECT_EQ(names[0], nullptr);
  // An unmatched finalize keeps the count at 0 and finds no registry to destroy.
  EXPECT_EQ(finalize(), 1);
  EXPECT_EQ(Logged(), (Lines{"finalize: entering, refcount=0\n", "finalize: leaving, refcount=0\n"}));

  const std::string path = dir.path().string();
  ASSERT_EQ(initialize(path.c_str(), &HostLog::Procedure), 1);
  Lines lines = Logged();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "===============\ninitialize: \n");
  EXPECT_EQ(lines[1], "CameraList::Init: entering\n");
  EXPECT_EQ(lines[2], "CameraList::Init: ERROR: no supported cameras found\n");
  EXPECT_TRUE(std::regex_match(
      lines[3],
      std::regex(
          R"(initialize: SVS Vistek camera driver V1\.0, refcount=1, 20\d\d-[1-9]\d?-[1-9]\d? [12]?\d:[1-5]?\d:[1-6]?\d\n)")))
      << lines[3];
  EXPECT_EQ(getCVLMaxNoOfGrabbers(), 1);
  EXPECT_EQ(getCVLMaxNoOfPorts(), 20);
  EXPECT_EQ(getCVLNoOfSupportedCameras(), 0);
  names = getCVLCameraConfigNames();
  ASSERT_NE(names, nullptr);
  EXPECT_EQ(names[0], nullptr);

  // A second initialize only counts; its finalize keeps the registry.
  ASSERT_EQ(initialize(nullptr, &HostLog::Procedure), 1);
  lines = Logged();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[1].find(", refcount=2, "), std::string::npos);
  EXPECT_EQ(finalize(), 1);
  EXPECT_EQ(Logged(), (Lines{"finalize: entering, refcount=2\n", "finalize: leaving, refcount=1\n"}));

  // The last finalize destroys the registry.
  EXPECT_EQ(finalize(), 1);
  EXPECT_EQ(Logged(), (Lines{"finalize: entering, refcount=1\n", "CameraList::~CameraList: entering\n",
                             "CameraList::Destroy: entering\n", "CameraList::Destroy: leaving\n",
                             "CameraList::~CameraList: leaving\n", "finalize: leaving, refcount=0\n"}));
  EXPECT_EQ(getCVLMaxNoOfGrabbers(), 1);
  EXPECT_EQ(getCVLMaxNoOfPorts(), 20);
  EXPECT_EQ(getCVLNoOfSupportedCameras(), 0);

  // A later initialize discovers again.
  ASSERT_EQ(initialize(path.c_str(), &HostLog::Procedure), 1);
  lines = Logged();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "CameraList::Init: entering\n");
  EXPECT_EQ(finalize(), 1);
}

// A per-port call before initialize fails as for an unknown port and creates
// nothing; the first initialize discovers and the last finalize destroys.
TEST_F(ExportsTest, PerPortCallBeforeInitializeFailsAndLeavesDiscoveryToInitialize) {
  EXPECT_EQ(doCVLGrab(0, 1), 0);
  EXPECT_EQ(Logged(), (Lines{"doCVLGrab entering grabberNo=0 portNo=1\n",
                             "CameraList::GetByPort: ERROR: could not find camera on port 1\n",
                             "doCVLGrab: --EXCEPTION caught  grabberNo=0, portNo=1: "
                             "CameraList::GetByPort: ERROR: could not find camera\n"}));
  ASSERT_EQ(initialize(nullptr, &HostLog::Procedure), 1);
  const Lines lines = Logged();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "CameraList::Init: entering\n");
  EXPECT_EQ(finalize(), 1);
  EXPECT_EQ(Logged().at(1), "CameraList::~CameraList: entering\n");
}

TEST_F(ExportsTest, InitializeWithNullProcedureClearsTheOldOne) {
  ASSERT_EQ(initialize(nullptr, nullptr), 1);
  EXPECT_EQ(finalize(), 1);
  EXPECT_TRUE(Logged().empty());
  setDebugMsgProc(&HostLog::Procedure);
  EXPECT_EQ(finalize(), 1);
  EXPECT_EQ(Logged().size(), 2u);
}

TEST_F(ExportsTest, SetSystemPathRefusesNullAndEmpty) {
  EXPECT_EQ(setSystemPath(nullptr), 0);
  EXPECT_EQ(setSystemPath(""), 0);
  EXPECT_EQ(setSystemPath(dir.path().string().c_str()), 1);
  EXPECT_TRUE(Logged().empty());
}

TEST_F(ExportsTest, OpenCVLPortRefusesUndefinedNamesAndUnknownCameras) {
  ASSERT_EQ(initialize(nullptr, &HostLog::Procedure), 1);
  Logged();
  const char* undefined[] = {"Undefined", "UNDEFINED", "undefined", "Udefinert", "uDEFINERT", "", nullptr};
  for (const char* name : undefined) {
    int size[2] = {7, 7};
    EXPECT_EQ(openCVLPort(0, 4, name, size), 0);
    EXPECT_EQ(size[0], 0);
    EXPECT_EQ(size[1], 0);
    const std::string shown = name != nullptr ? name : "(null)";
    EXPECT_EQ(Logged(),
              (Lines{"openCVLPort: entering grabberNo=0, portNo=4, cameraName=" + shown + "\n",
                     "openCVLPort: ERROR: undefined camera, grabberNo=0, portNo=4, cameraName=" + shown + "\n"}));
  }

  int size[2] = {7, 7};
  EXPECT_EQ(openCVLPort(0, 4, "eco424MVGE", size), 0);
  EXPECT_EQ(size[0], 0);
  EXPECT_EQ(size[1], 0);
  EXPECT_EQ(Logged(), (Lines{"openCVLPort: entering grabberNo=0, portNo=4, cameraName=eco424MVGE\n",
                             "CameraList::IsCameraAvailable:  name=eco424MVGE\n",
                             "openCVLPort: ERROR: cannot find camera by name:eco424MVGE\n"}));

  // A host name is written as it stands, never used as a format.
  EXPECT_EQ(openCVLPort(0, 4, "%s%n%s%n", size), 0);
  EXPECT_EQ(Logged().back(), "openCVLPort: ERROR: cannot find camera by name:%s%n%s%n\n");

  // A null size pair fails cleanly.
  EXPECT_EQ(openCVLPort(0, 4, "eco424MVGE", nullptr), 0);
  EXPECT_EQ(Logged().back(),
            "openCVLPort: ERROR: null pointer for size, grabberNo=0, portNo=4, cameraName=eco424MVGE\n");
  EXPECT_EQ(finalize(), 1);
}

TEST_F(ExportsTest, PerPortCallsOnAPortNobodyHoldsFail) {
  ASSERT_EQ(initialize(nullptr, &HostLog::Procedure), 1);
  Logged();
  const std::string notFound = "CameraList::GetByPort: ERROR: could not find camera on port 3\n";
  const std::string registry = "CameraList::GetByPort: ERROR: could not find camera\n";

  // Twice: closing a port nobody holds logs the registry's text, then leaves.
  for (int i = 0; i < 2; ++i) {
    closeCVLPort(0, 3);
    EXPECT_EQ(Logged(), (Lines{"closeCVLPort: entering grabberNo=0, portNo=3\n", notFound,
                               "closeCVLPort: --EXCEPTION caught  grabberNo=0, portNo=3: " + registry,
                               "closeCVLPort: leaving grabberNo=0, portNo=3\n"}));
  }

  EXPECT_EQ(doCVLGrab(0, 3), 0);
  EXPECT_EQ(Logged(), (Lines{"doCVLGrab entering grabberNo=0 portNo=3\n", notFound,
                             "doCVLGrab: --EXCEPTION caught  grabberNo=0, portNo=3: " + registry}));

  unsigned char row[16] = {};
  EXPECT_EQ(getCVLGrabRow(0, 3, row, 0, 0, 15), 0);
  EXPECT_EQ(Logged(), (Lines{notFound, "getCVLGrabRow: --EXCEPTION caught grabberNo=0, portNo=3: " + registry}));

  EXPECT_EQ(setCompleteCallback(0, 3, nullptr), 0);
  EXPECT_EQ(Logged(), (Lines{"setCompleteCallback: entering grabberNo=0 portNo=3\n", notFound,
                             "setCompleteCallback: --EXCEPTION caught grabberNo=0, portNo=3: " + registry}));

  int min = 7, max = 7;
  EXPECT_EQ(getPropertyRange(0, 3, "Gain", &min, &max), 0);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 0);
  EXPECT_EQ(Logged(), (Lines{"getPropertyRange: entering grabberNo=0 portNo=3\n", notFound,
                             "getPropertyRange: --EXCEPTION caught grabberNo=0, portNo=3: " + registry}));

  int value = 7;
  EXPECT_EQ(getProperty(0, 3, "Gain%n", &value), 0);
  EXPECT_EQ(Logged(), (Lines{"getProperty: portNo=3, prop=Gain%n\n", notFound,
                             "getProperty: --EXCEPTION caught grabberNo=0, portNo=3, property=Gain%n: " + registry}));

  EXPECT_EQ(setProperty(0, 3, "Gain", -5), 0);
  EXPECT_EQ(Logged(),
            (Lines{"setProperty: portNo=3\n", notFound,
                   "setProperty: --EXCEPTION caught grabberNo=0, portNo=3, property=Gain, value=-5: " + registry}));
  EXPECT_EQ(finalize(), 1);
}

TEST_F(ExportsTest, NullHostPointersFailWithALine) {
  ASSERT_EQ(initialize(nullptr, &HostLog::Procedure), 1);
  Logged();
  EXPECT_EQ(getCVLGrabRow(0, 2, nullptr, 0, 0, 15), 0);
  EXPECT_EQ(Logged(), (Lines{"getCVLGrabRow: ERROR: null pointer for dest, grabberNo=0, portNo=2\n"}));

  int value = 0;
  EXPECT_EQ(getProperty(0, 2, nullptr, &value), 0);
  EXPECT_EQ(Logged().back(), "getProperty: ERROR: null pointer for property, grabberNo=0, portNo=2\n");
  EXPECT_EQ(getProperty(0, 2, "Gain", nullptr), 0);
  EXPECT_EQ(Logged().back(), "getProperty: ERROR: null pointer for value, grabberNo=0, portNo=2\n");
  EXPECT_EQ(setProperty(0, 2, nullptr, 1), 0);
  EXPECT_EQ(Logged().back(), "setProperty: ERROR: null pointer for property, grabberNo=0, portNo=2\n");

  int min = 7;
  EXPECT_EQ(getPropertyRange(0, 2, "Gain", &min, nullptr), 0);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(Logged().back(), "getPropertyRange: ERROR: null pointer for max, grabberNo=0, portNo=2\n");
  EXPECT_EQ(getPropertyRange(0, 2, "Gain", nullptr, nullptr), 0);
  EXPECT_EQ(Logged().back(), "getPropertyRange: ERROR: null pointer for min, grabberNo=0, portNo=2\n");
  EXPECT_EQ(getPropertyRange(0, 2, nullptr, &min, &min), 0);
  EXPECT_EQ(Logged().back(), "getPropertyRange: ERROR: null pointer for property, grabberNo=0, portNo=2\n");
  EXPECT_EQ(finalize(), 1);
}

TEST_F(ExportsTest, ConfigureCameraWithoutSuchCameraReturnsZeroAndShowsNothing) {
  ASSERT_EQ(initialize(nullptr, &HostLog::Procedure), 1);
  Logged();
  EXPECT_EQ(configureCamera(nullptr, "eco424CVGE"), 0);
  EXPECT_EQ(Logged(), (Lines{"configureCamera: entering cameraName=eco424CVGE\n",
                             "CameraList::IsCameraAvailable:  name=eco424CVGE\n",
                             "configureCamera: ERROR: cannot find camera by name: eco424CVGE\n"}));
  EXPECT_EQ(configureCamera(nullptr, nullptr), 0);
  EXPECT_EQ(Logged(), (Lines{"configureCamera: entering cameraName=(null)\n",
                             "configureCamera: ERROR: cannot find camera by name: (null)\n"}));
  EXPECT_EQ(finalize(), 1);
}

}  // namespace
}  // namespace ecocam::testing
