// Settings files edited by hand, through the exports: a label that none of
// a parameter's options has is reported once and changes nothing.
#include <atomic>
#include <chrono>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hardening/driver_session.h"

namespace ecocam::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::IsEmpty;
using namespace std::chrono_literals;

std::atomic<int> gCompleted{0};
int ECOCAM_CALL Completed(int, int) { return ++gCompleted; }

class StoredFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(s.sim.Complete());
    ASSERT_EQ(1, initialize(s.dir.path().string().c_str(), &HostLog::Procedure));
  }
  // The camera's section: log threshold 1, so every line the host gets is
  // an error, a warning or the banner.
  void WriteSection(const std::string& keys) {
    WriteFile((s.dir.path() / "SVS-Vistek.ini").string(), "[eco424MVGE]\r\nLogLevel=1\r\nLogDebugView=0\r\n" + keys);
  }
  // Opens port 0 and returns what the host learns of the mode, the value
  // sent to the camera last, and the failure lines of the open.
  void Open() {
    HostLog::Take();
    int size[2] = {0, 0};
    ASSERT_EQ(1, openCVLPort(0, 0, "eco424MVGE", size));
    _mode = -1;
    EXPECT_EQ(1, getProperty(0, 0, "AcquisitionMode", &_mode));
    const auto sent = s.sim.JournalOf("Camera_setAcquisitionMode");
    _sent = sent.empty() ? std::string() : sent.back();
    _failures = Failures(HostLog::Take());
  }

  DriverSession s;
  int _mode = -1;
  std::string _sent;
  std::vector<std::string> _failures;
};

TEST_F(StoredFiles, AnUnknownLabelIsReportedOnceAndTheModeStays) {
  // Misspelt at the first open: the catalogue's Fixed frequency (1) stays.
  WriteSection("AcquisitionMode=Fixed frequncy\r\n");
  Open();
  EXPECT_EQ(1, _mode);
  EXPECT_THAT(_sent, EndsWith(",1)"));
  EXPECT_THAT(_failures, ElementsAre("CameraParameters::Load: WARNING: unknown label, section=eco424MVGE "
                                     "key=AcquisitionMode label=Fixed frequncy, keeping Fixed frequency"));
  closeCVLPort(0, 0);

  WriteSection("AcquisitionMode=Software trigger\r\n");
  Open();
  EXPECT_EQ(2, _mode);
  EXPECT_THAT(_failures, IsEmpty());
  closeCVLPort(0, 0);

  // Labels are case-sensitive: the lower-case words keep software trigger,
  // and the camera still answers a grab.
  WriteSection("AcquisitionMode=software trigger\r\n");
  Open();
  EXPECT_EQ(2, _mode);
  EXPECT_THAT(_sent, EndsWith(",2)"));
  EXPECT_THAT(_failures, ElementsAre("CameraParameters::Load: WARNING: unknown label, section=eco424MVGE "
                                     "key=AcquisitionMode label=software trigger, keeping Software trigger"));
  gCompleted = 0;
  ASSERT_EQ(1, setCompleteCallback(0, 0, &Completed));
  ASSERT_EQ(1, doCVLGrab(0, 0));
  EXPECT_TRUE(WaitFor([] { return gCompleted.load() == 1; }, 5000ms));
  closeCVLPort(0, 0);
}

}  // namespace
}  // namespace ecocam::testing
