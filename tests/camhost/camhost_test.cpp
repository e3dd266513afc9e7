// camhost as a user runs it: the real executable, the driver beside it and
// the simulated SDK's default cameras ("eco424MVGE", "eco424CVGE"), each run
// in a fresh system path.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <filesystem>
#include <string>
#include <vector>

#include "exit_codes.h"
#include "host_system.h"
#include "imaging/pixel_conversion.h"
#include "png_read.h"
#include "run_program.h"
#include "simsdk_pattern.h"
#include "support/finishes_within.h"
#include "support/temp_dir.h"

namespace camhost::testing {
namespace {

using ecocam::testing::TempDir;

class CamhostTest : public ::testing::Test {
 protected:
  // Runs camhost with a system path of its own in the test's folder.
  ProgramResult Camhost(std::vector<std::string> args) {
    args.insert(args.begin(), {"--system-path", SystemPath()});
    return RunProgram(ExecutableDir() + Separator() + CAMHOST_EXE_NAME, args, dir.path().string());
  }
  std::string SystemPath() const { return (dir.path() / "system").string(); }
  std::string Path(const std::string& name) const { return (dir.path() / name).string(); }
  static std::string Separator() { return std::string(1, std::filesystem::path::preferred_separator); }

  std::vector<std::string> PngFiles(const std::string& folder) const {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(Path(folder))) {
      if (entry.path().extension() == ".png") files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  TempDir dir;
};

TEST_F(CamhostTest, ListNamesBothCamerasWithTheirTypesAndVersionIsPrinted) {
  const ProgramResult list = Camhost({"list"});
  EXPECT_EQ(kExitOk, list.exitCode) << list.err;
  EXPECT_NE(std::string::npos, list.out.find("eco424MVGE")) << list.out;
  EXPECT_NE(std::string::npos, list.out.find("mono")) << list.out;
  EXPECT_NE(std::string::npos, list.out.find("eco424CVGE")) << list.out;
  EXPECT_NE(std::string::npos, list.out.find("colour")) << list.out;

  const ProgramResult version = Camhost({"--version"});
  EXPECT_EQ(kExitOk, version.exitCode);
  EXPECT_NE(std::string::npos, version.out.find("camhost " CAMHOST_VERSION)) << version.out;
}

TEST_F(CamhostTest, EveryFailureHasItsOwnExitCodeAndSaysWhy) {
  // Names are exact: the wrong case is unknown, and the message lists the real ones.
  ProgramResult r = Camhost({"grab", "--camera", "eco424mvge"});
  EXPECT_EQ(kExitUnknownCamera, r.exitCode);
  EXPECT_NE(std::string::npos, r.err.find("no camera named \"eco424mvge\"")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("eco424MVGE")) << r.err;

  r = Camhost({"--driver", Path("missing") + Separator() + DriverLibraryName(), "list"});
  EXPECT_EQ(kExitDriverNotFound, r.exitCode);
  EXPECT_NE(std::string::npos, r.err.find("cannot load the driver library")) << r.err;

  r = Camhost({"--sdk", Path("missing") + Separator() + "SVGigE", "list"});
  EXPECT_EQ(kExitSdkNotFound, r.exitCode);
  EXPECT_NE(std::string::npos, r.err.find("cannot load the camera SDK library")) << r.err;

  // A camhost and driver installed without the SDK: the driver's discovery
  // fails, and camhost tells that apart from "no cameras".
  std::filesystem::create_directories(Path("alone"));
  for (const std::string& name : {std::string(CAMHOST_EXE_NAME), std::string(DriverLibraryName())}) {
    std::filesystem::copy_file(ExecutableDir() + Separator() + name, Path("alone") + Separator() + name);
  }
  r = RunProgram(Path("alone") + Separator() + CAMHOST_EXE_NAME, {"--system-path", SystemPath(), "list"},
                 dir.path().string(), {"LD_LIBRARY_PATH"});
  EXPECT_EQ(kExitSdkNotFound, r.exitCode);
  EXPECT_NE(std::string::npos, r.err.find("could not load the camera SDK")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("CameraContainer could not be opened")) << r.err;

  // Another camhost holds port 5 of this system path.
  std::filesystem::create_directories(SystemPath());
  {
    FileLock held(SystemPath() + Separator() + "camhost-port5.lock");
    ASSERT_TRUE(held.Held());
    r = Camhost({"get", "--camera", "eco424MVGE", "--port", "5", "FrameRate"});
    EXPECT_EQ(kExitPortInUse, r.exitCode);
    EXPECT_NE(std::string::npos, r.err.find("port 5 is in use")) << r.err;
  }
  r = Camhost({"get", "--camera", "eco424MVGE", "--port", "5", "FrameRate"});
  EXPECT_EQ(kExitOk, r.exitCode) << r.err;

  // Usage errors: an unknown mode, a port the driver does not have, a bad --ini.
  EXPECT_EQ(kExitUsage, Camhost({"grab", "--camera", "eco424MVGE", "--mode", "sometimes"}).exitCode);
  r = Camhost({"grab", "--camera", "eco424MVGE", "--port", "20"});
  EXPECT_EQ(kExitUsage, r.exitCode);
  EXPECT_NE(std::string::npos, r.err.find("outside 0..19")) << r.err;
  EXPECT_EQ(kExitUsage, Camhost({"--ini", "Width", "grab", "--camera", "eco424MVGE"}).exitCode);

  // A frame rate beyond the camera's limits is refused, with the limits.
  r = Camhost({"grab", "--camera", "eco424MVGE", "--fps", "1000"});
  EXPECT_EQ(kExitFailure, r.exitCode);
  EXPECT_NE(std::string::npos, r.err.find("refused FrameRate 1000 (its range is 1..60)")) << r.err;
}

TEST_F(CamhostTest, GrabWritesOnePngPerFrameWhosePixelsAreTheTestPattern) {
  // Monochrome, one grab per frame: x + 2y + 3 x image id, in grey.
  ProgramResult r = Camhost({"--ini", "Width=64", "--ini", "Height=48", "grab", "--camera", "eco424MVGE", "--frames",
                             "3", "--fps", "50", "--out", "mono"});
  ASSERT_EQ(kExitOk, r.exitCode) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("frames delivered: 3")) << r.out;
  EXPECT_NE(std::string::npos, r.out.find("callback latency")) << r.out;
  std::vector<std::string> files = PngFiles("mono");
  ASSERT_EQ(3u, files.size());
  std::vector<int> ids;
  for (const std::string& file : files) {
    const Png png = ReadPng(file);
    ASSERT_EQ(64, png.width);
    ASSERT_EQ(48, png.height);
    ASSERT_EQ(1, png.channels);
    int id = 0;
    while (id < 256 && simsdk::PatternValue8(id, 0, 0) != png.pixels[0]) ++id;
    for (int y = 0; y < 48; ++y) {
      for (int x = 0; x < 64; ++x) {
        ASSERT_EQ(simsdk::PatternValue8(id, x, y), png.pixels[static_cast<std::size_t>(y) * 64 + x])
            << file << " at " << x << "," << y;
      }
    }
    ids.push_back(id);
  }
  EXPECT_NE(ids[0], ids[1]) << "the same frame written twice";

  // Colour, software trigger: the Bayer pattern demosaiced into R, G, B.
  r = Camhost({"--ini", "Width=64", "--ini", "Height=48", "--ini", "BayerMethod=None", "grab", "--camera", "eco424CVGE",
               "--frames", "2", "--mode", "trigger", "--out", "colour"});
  ASSERT_EQ(kExitOk, r.exitCode) << r.err;
  files = PngFiles("colour");
  ASSERT_EQ(2u, files.size());
  std::vector<std::uint8_t> mosaic(64 * 48), expected(64 * 48 * 3);
  for (const std::string& file : files) {
    const Png png = ReadPng(file);
    ASSERT_EQ(3, png.channels);
    ASSERT_EQ(expected.size(), png.pixels.size());
    bool matched = false;
    for (int id = 0; id < 256 && !matched; ++id) {
      simsdk::FillPattern(simsdk::kPixelBayerGR8, id, 64, 48, mosaic.data());
      ecocam::imaging::Demosaic(mosaic.data(), 64, 64, 48, ecocam::imaging::BayerPhase::kGR,
                                ecocam::imaging::BayerMethod::kNone, expected.data(), 64 * 3);
      matched = expected == png.pixels;
    }
    EXPECT_TRUE(matched) << file << " is not a demosaiced test pattern";
  }

  // Continuous: frames as they come, as many files as frames asked for.
  r = Camhost({"--ini", "Width=64", "--ini", "Height=48", "grab", "--camera", "eco424MVGE", "--frames", "4", "--mode",
               "continuous", "--fps", "50", "--out", "continuous"});
  ASSERT_EQ(kExitOk, r.exitCode) << r.err;
  EXPECT_EQ(4u, PngFiles("continuous").size());
}

TEST_F(CamhostTest, SetReadsTheValueBackAndRefusesReadOnlyProperties) {
  ProgramResult r = Camhost({"set", "--camera", "eco424MVGE", "FrameRate", "17"});
  EXPECT_EQ(kExitOk, r.exitCode) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("FrameRate = 17")) << r.out;

  // Width is the configured area of interest: readable, not host-writable.
  r = Camhost({"set", "--camera", "eco424MVGE", "Width", "17"});
  EXPECT_EQ(kExitFailure, r.exitCode);
  EXPECT_NE(std::string::npos, r.err.find("refused to set Width")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("is not available in this function")) << r.err;

  r = Camhost({"range", "--camera", "eco424MVGE", "Width"});
  EXPECT_EQ(kExitOk, r.exitCode) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("Width: 1 .. 656")) << r.out;

  r = Camhost({"get", "--camera", "eco424MVGE", "NoSuchProperty"});
  EXPECT_EQ(kExitFailure, r.exitCode);
  EXPECT_NE(std::string::npos, r.err.find("cannot read NoSuchProperty")) << r.err;
}

// The simulated SDK in camhost's process reads its cameras from the file
// that SIMSDK_CONFIG names, for as long as the object lives.
class SimulatedCameras {
 public:
  SimulatedCameras(const std::string& path, const std::string& lines) {
    std::ofstream(path) << lines;
    Set(path.c_str());
  }
  ~SimulatedCameras() { Set(""); }
  SimulatedCameras(const SimulatedCameras&) = delete;
  SimulatedCameras& operator=(const SimulatedCameras&) = delete;

 private:
  static void Set(const char* value) {
#if defined(_WIN32)
    _putenv_s("SIMSDK_CONFIG", value);
#else
    setenv("SIMSDK_CONFIG", value, 1);
#endif
  }
};

TEST_F(CamhostTest, GrabReportsTheNetworkCountsAndGivesUpOnACameraThatGoesAway) {
  {
    const SimulatedCameras lossy(Path("lossy.cfg"),
                                 "eco424MVGE;656;490;mono;PacketsLostPerThousand=1000;"
                                 "PacketsResentPerThousand=1000\n");
    const ProgramResult r = Camhost({"--ini", "Width=64", "--ini", "Height=48", "grab", "--camera", "eco424MVGE",
                                     "--frames", "2", "--mode", "continuous", "--out", "lossy"});
    ASSERT_EQ(kExitOk, r.exitCode) << r.err;
    // Every packet was lost and resent: no frame incomplete, and resends.
    EXPECT_NE(std::string::npos, r.out.find(" delivered, 0 incomplete, ")) << r.out;
    EXPECT_EQ(std::string::npos, r.out.find(", 0 packets resent")) << r.out;
  }
  // The camera vanishes after its second frame; the SDK's calls to it then
  // take 500 ms each. camhost gives up after its timeout, names the camera,
  // and its close does not wait for the camera.
  const SimulatedCameras vanishing(Path("vanishing.cfg"),
                                   "eco424MVGE;656;490;mono;VanishAfterFrames=2;AnswerDelayMs=500\n");
  ProgramResult r;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(ecocam::testing::FinishesWithin(std::chrono::seconds(60), [&] {
    r = Camhost({"--ini", "Width=64", "--ini", "Height=48", "grab", "--camera", "eco424MVGE", "--frames", "5", "--mode",
                 "continuous", "--timeout", "1000", "--out", "vanishing"});
  }));
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  EXPECT_EQ(kExitFailure, r.exitCode) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("no frame in 1000 ms from camera eco424MVGE (frame ")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("camera eco424MVGE does not answer any more")) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("network: 2 delivered, 0 incomplete")) << r.out;
  // Its own 1000 ms, the driver's start and a close that does not wait for the camera.
  EXPECT_LT(took, std::chrono::seconds(8));
  std::printf("camhost grab with a camera that went away ended after %lld ms\n", static_cast<long long>(took.count()));
}

// Several cameras streaming at once: every camera reports its frames, none
// lost at a low rate, and the memory line; a malformed size is refused.
TEST_F(CamhostTest, BenchStreamsSeveralCamerasAtOnce) {
  ProgramResult r;
  ASSERT_TRUE(ecocam::testing::FinishesWithin(std::chrono::seconds(60), [&] {
    r = Camhost({"bench", "--cameras", "3", "--size", "64x48", "--rate", "20", "--seconds", "0.5"});
  }));
  ASSERT_EQ(kExitOk, r.exitCode) << r.err;
  EXPECT_NE(std::string::npos, r.out.find("3 cameras of 64 x 48 Mono8 at once")) << r.out;
  for (int port = 0; port < 3; ++port) {
    const std::string name = "ecoSimMVGE-0" + std::to_string(port + 1) + " port " + std::to_string(port) + ": ";
    const auto at = r.out.find(name);
    ASSERT_NE(std::string::npos, at) << r.out;
    double rate = 0.0;
    long long lostDriver = -1, lostSdk = -1;
    ASSERT_EQ(
        3, std::sscanf(r.out.c_str() + at + name.size(), "%lf frames/s read, lost %lld by the driver, %lld by the SDK",
                       &rate, &lostDriver, &lostSdk))
        << r.out;
    EXPECT_GT(rate, 10.0) << r.out;
    EXPECT_LT(rate, 22.0) << r.out;
    EXPECT_EQ(0, lostDriver) << r.out;
    EXPECT_EQ(0, lostSdk) << r.out;
  }
  const auto memory = r.out.find("memory: ");
  ASSERT_NE(std::string::npos, memory) << r.out;
  double perCamera = -1.0;
  if (r.out.find("not measured", memory) == std::string::npos) {
    EXPECT_EQ(1, std::sscanf(r.out.c_str() + memory, "memory: %lf MB resident per open camera", &perCamera)) << r.out;
  }

  r = Camhost({"bench", "--cameras", "2", "--size", "64by48"});
  EXPECT_EQ(kExitUsage, r.exitCode) << r.out;
  EXPECT_NE(std::string::npos, r.err.find("--size wants WxH")) << r.err;
}

}  // namespace
}  // namespace camhost::testing
