// The 17 exports in random order with random arguments against the
// simulated SDK, with random cameras, random settings and random SDK
// faults. Findings: any crash, undefined behaviour, leak or hang; a result
// outside the documented ones; a row copied past what the host asked for;
// and, after the last finalize, a connection, channel, image or container
// the SDK handed out and never got back.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "driver/driver_context.h"
#include "ecocam/ecocam.h"
#include "fuzz_support.h"
#include "platform/dynamic_library.h"
#include "platform/system.h"
#include "sdk/sdk_function_table.h"
#include "sdk/sdk_types.h"
#include "simsdk_control.h"

namespace {

struct Control {
#define FUZZ_CONTROL_MEMBER(ret, name, params) simsdk::name##_fn name = nullptr;
  SIMSDK_CONTROL_API(FUZZ_CONTROL_MEMBER)
#undef FUZZ_CONTROL_MEMBER
  ecocam::platform::DynamicLibrary library;
};
Control gSim;

// The SDK entry points the driver calls, for fault injection.
const char* const kEntryPoints[] = {"isVersionCompliantDLL",
                                    "CameraContainer_create",
                                    "CameraContainer_delete",
                                    "CameraContainer_discovery",
                                    "CameraContainer_getNumberOfCameras",
                                    "CameraContainer_getCamera",
                                    "Camera_getModelName",
                                    "Camera_openConnection",
                                    "Camera_closeConnection",
                                    "Camera_evaluateMaximalPacketSize",
                                    "StreamingChannel_create",
                                    "StreamingChannel_delete",
                                    "Camera_setAcquisitionControl",
                                    "Camera_setAcquisitionMode",
                                    "Camera_softwareTrigger",
                                    "Image_getDataPointer",
                                    "Image_getPixelType",
                                    "Image_getSizeX",
                                    "Image_getSizeY",
                                    "Image_getImageID",
                                    "Image_getTimestamp",
                                    "Image_getTransferTime",
                                    "Image_getPacketCount",
                                    "Image_getImageRGB",
                                    "Image_getImage12bitAs8bit",
                                    "Image_release",
                                    "Camera_getFrameRateMin",
                                    "Camera_getFrameRateMax",
                                    "Camera_getExposureTimeMax",
                                    "Camera_getGainMax",
                                    "Camera_getImagerWidth",
                                    "Camera_getImagerHeight",
                                    "Camera_setFrameRate",
                                    "Camera_setExposureTime",
                                    "Camera_setGain",
                                    "Camera_setOffset",
                                    "Camera_setAreaOfInterest",
                                    "Camera_setBinningMode",
                                    "Camera_setPixelDepth",
                                    "Camera_setLowpassFilter",
                                    "Camera_setIOAssignment",
                                    "Camera_setLookupTableMode",
                                    "Camera_setLookupTable",
                                    "Camera_setAutoGainEnabled",
                                    "Camera_setGammaCorrection"};
// Faults there leave an object with the SDK however well the driver behaves.
const std::set<std::string> kReleases = {"CameraContainer_delete", "Camera_closeConnection", "StreamingChannel_delete",
                                         "Image_release"};

const char* const kModels[] = {"eco424MVGE", "eco424CVGE", "eco655MVGE", "eco274CVGE",
                               "eco999",     "ecoXMVGE",   "other",      ""};
const char* const kProperties[] = {"Width",
                                   "Height",
                                   "Binning",
                                   "OffsetX",
                                   "OffsetY",
                                   "PixelDepth",
                                   "BayerMethod",
                                   "UseLowPassFilter3x3",
                                   "UseLUT",
                                   "LUTtable",
                                   "LUTtableRow",
                                   "Gamma",
                                   "FrameRate",
                                   "ExposureTime",
                                   "ExposureDelay",
                                   "Gain",
                                   "GainOffset",
                                   "UseAutoGain",
                                   "AutoGainBrightness",
                                   "AutoGainLimitMin",
                                   "AutoGainLimitMax",
                                   "AutoExposureLimitMin",
                                   "AutoExposureLimitMax",
                                   "AcquisitionMode",
                                   "TriggerInput",
                                   "Output1",
                                   "Output2",
                                   "Output3",
                                   "TXD",
                                   "TriggerPolarity",
                                   "StrobePolarity",
                                   "StrobePosition",
                                   "StrobeDuration",
                                   "LogLevel",
                                   "LogIntoFile",
                                   "LogDebugView",
                                   "PixelSize",
                                   "continous",
                                   "CONTINUOUS",
                                   "Reset",
                                   "Trigger",
                                   "SoftwareTrigger",
                                   "dummy",
                                   ""};
const char* const kModes[] = {"Fixed frequency", "Software trigger", "External trigger / Internal exposure",
                              "External trigger / External exposure", "bogus"};

const int kPixelTypes[] = {ecocam::sdk::kPixelTypeMono8,    ecocam::sdk::kPixelTypeMono12Packed,
                           ecocam::sdk::kPixelTypeBayerGR8, ecocam::sdk::kPixelTypeBayerRG8,
                           ecocam::sdk::kPixelTypeRGB24,    0x12345678};

constexpr int kMaxImagerWidth = 64;  // small frames keep the runs fast
constexpr int kMaxImagerHeight = 48;

std::atomic<int> gCompletions{0};
std::atomic<bool> gCloseFromCallback{false};
int ECOCAM_CALL Completed(int grabber, int port) {
  ++gCompletions;
  if (gCloseFromCallback.load()) {
    // Reading a row, then closing, from inside the callback on the wait thread.
    std::array<unsigned char, kMaxImagerWidth * 3> row{};
    (void)getCVLGrabRow(grabber, port, row.data(), 0, 0, kMaxImagerWidth - 1);
    closeCVLPort(grabber, port);
  }
  return 0;
}
void ECOCAM_CALL Message(const char*) {}
void Discard(const char*, void*) {}

struct Session {
  explicit Session(FuzzedDataProvider& input) : in(input) {}

  FuzzedDataProvider& in;
  std::set<int> ports;  // every port an open was tried on
  int initialized = 0;
  bool releaseFaulted = false;

  int Port() {
    const int port = in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(0, 3) : in.ConsumeIntegral<int>();
    return port;
  }
  int Grabber() { return in.ConsumeIntegralInRange<int>(0, 9) == 0 ? in.ConsumeIntegral<int>() : 0; }
  std::string _text;
  // A camera name: a model, a random text, or null.
  const char* Name() {
    switch (in.ConsumeIntegralInRange<int>(0, 9)) {
      case 0: return nullptr;
      case 1: _text = in.ConsumeRandomLengthString(12); return _text.c_str();
      case 2: return "Undefined";
      default: return kModels[in.ConsumeIntegralInRange<int>(0, 3)];
    }
  }
  const char* Property() {
    switch (in.ConsumeIntegralInRange<int>(0, 9)) {
      case 0: return nullptr;
      case 1: _text = in.ConsumeRandomLengthString(12); return _text.c_str();
      default: return in.PickValueInArray(kProperties);
    }
  }
  std::string Path() {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
      case 0: return "";
      case 1: return (ecocam::fuzz::ScratchDir() / "missing").string();
      default: return ecocam::fuzz::ScratchDir().string();
    }
  }

  static void CheckResult(int result) {
    FUZZ_CHECK(result == 0 || result == 1, "an export gave a result other than 0 or 1");
  }

  void Step() {
    switch (in.ConsumeIntegralInRange<int>(0, 19)) {
      case 0: {
        const std::string path = Path();
        const int result = initialize(in.ConsumeBool() ? path.c_str() : nullptr, in.ConsumeBool() ? &Message : nullptr);
        CheckResult(result);
        initialized += result;
        break;
      }
      case 1:
        CheckResult(finalize());
        if (initialized > 0) --initialized;
        break;
      case 2: {
        const std::string path = Path();
        const int result = setSystemPath(in.ConsumeBool() ? path.c_str() : nullptr);
        CheckResult(result);
        break;
      }
      case 3: setDebugMsgProc(in.ConsumeBool() ? &Message : nullptr); break;
      case 4: FUZZ_CHECK(getCVLMaxNoOfGrabbers() == 1 && getCVLMaxNoOfPorts() == 20, "fixed counts"); break;
      case 5: {
        const int count = getCVLNoOfSupportedCameras();
        char** names = getCVLCameraConfigNames();
        FUZZ_CHECK(names != nullptr && count >= 0, "camera names");
        int listed = 0;
        while (listed <= count && names[listed] != nullptr) ++listed;
        FUZZ_CHECK(listed == count, "the names array does not match the camera count");
        break;
      }
      case 6: {
        const int port = Port();
        ports.insert(port);
        int size[2] = {-1, -1};
        const bool withSize = in.ConsumeIntegralInRange<int>(0, 9) != 0;
        const int result = openCVLPort(Grabber(), port, Name(), withSize ? size : nullptr);
        CheckResult(result);
        if (withSize && result == 1) FUZZ_CHECK(size[0] > 0 && size[1] > 0, "an open camera without a size");
        if (withSize && result == 0) FUZZ_CHECK(size[0] == 0 && size[1] == 0, "a failed open reported a size");
        break;
      }
      case 7: closeCVLPort(Grabber(), Port()); break;
      case 8: CheckResult(doCVLGrab(Grabber(), Port())); break;
      case 9:
      case 10: {
        const int grabber = Grabber();
        const int port = Port();
        const int row =
            in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(0, kMaxImagerHeight) : in.ConsumeIntegral<int>();
        const int first = in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(-2, 8) : in.ConsumeIntegral<int>();
        const int last =
            in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(-2, kMaxImagerWidth + 8) : in.ConsumeIntegral<int>();
        // Exactly what the host may be asked to hold: the range, cut to the
        // widest frame, three bytes a pixel.
        const long long range = static_cast<long long>(last) - first + 1;
        const std::size_t pixels =
            range <= 0 ? 0 : static_cast<std::size_t>(std::min<long long>(range, kMaxImagerWidth));
        std::vector<unsigned char> dest(pixels * 3);
        const bool nullDest = in.ConsumeIntegralInRange<int>(0, 9) == 0;
        CheckResult(getCVLGrabRow(grabber, port, nullDest || dest.empty() ? nullptr : dest.data(), row, first, last));
        break;
      }
      case 11: CheckResult(setCompleteCallback(Grabber(), Port(), in.ConsumeBool() ? &Completed : nullptr)); break;
      case 12: {
        int min = 0;
        int max = 0;
        const bool withMin = in.ConsumeIntegralInRange<int>(0, 9) != 0;
        const bool withMax = in.ConsumeIntegralInRange<int>(0, 9) != 0;
        CheckResult(
            getPropertyRange(Grabber(), Port(), Property(), withMin ? &min : nullptr, withMax ? &max : nullptr));
        break;
      }
      case 13: {
        int value = 0;
        const bool withValue = in.ConsumeIntegralInRange<int>(0, 9) != 0;
        CheckResult(getProperty(Grabber(), Port(), Property(), withValue ? &value : nullptr));
        break;
      }
      case 14:
      case 15: {
        const int grabber = Grabber();
        const int port = Port();
        const char* name = Property();
        const int value = in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(-2, 300) : in.ConsumeIntegral<int>();
        CheckResult(setProperty(grabber, port, name, value));
        break;
      }
      case 16: CheckResult(configureCamera(nullptr, Name())); break;
      case 17: std::this_thread::sleep_for(std::chrono::milliseconds(in.ConsumeIntegralInRange<int>(0, 3))); break;
      case 18: {
        const int camera = gSim.SimSdk_findCamera(kModels[in.ConsumeIntegralInRange<int>(0, 3)]);
        if (camera == 0) break;
        if (in.ConsumeBool()) {
          gSim.SimSdk_fireTrigger(camera);
        } else {
          gSim.SimSdk_setPixelType(camera, in.PickValueInArray(kPixelTypes));
        }
        break;
      }
      default: gSim.SimSdk_pauseFrames(in.ConsumeBool() ? 1 : 0); break;
    }
  }

  // Cameras, settings and faults for this run.
  void Prepare() {
    gSim.SimSdk_reset();
    gSim.SimSdk_clearCameras();
    const int cameras = in.ConsumeIntegralInRange<int>(0, 4);
    std::string ini;
    for (int i = 0; i < cameras; ++i) {
      const char* model = kModels[in.ConsumeIntegralInRange<int>(0, 7)];
      const int width = in.ConsumeIntegralInRange<int>(1, kMaxImagerWidth);
      const int height = in.ConsumeIntegralInRange<int>(1, kMaxImagerHeight);
      const bool colour = std::string(model).find("CVGE") != std::string::npos;
      gSim.SimSdk_addCamera(model, width, height, colour ? 1 : 0);
      ini += std::string("[") + model + "]\nLogLevel=1\nLogDebugView=0\nWidth=" +
             std::to_string(in.ConsumeIntegralInRange<int>(0, kMaxImagerWidth + 2)) +
             "\nHeight=" + std::to_string(in.ConsumeIntegralInRange<int>(0, kMaxImagerHeight + 2)) +
             "\nAcquisitionMode=" + in.PickValueInArray(kModes) +
             "\nFrameRate=" + std::to_string(in.ConsumeIntegralInRange<int>(1, 60)) + "\n";
      const int extra = in.ConsumeIntegralInRange<int>(0, 3);
      for (int k = 0; k < extra; ++k) {
        ini += std::string(in.PickValueInArray(kProperties)) + "=" + in.ConsumeRandomLengthString(10) + "\n";
      }
    }
    ecocam::fuzz::WriteFile(ecocam::fuzz::ScratchDir() / "SVS-Vistek.ini", ini);
    std::filesystem::remove(ecocam::fuzz::ScratchDir() / "SVS-Vistek.log");
    const int faults = in.ConsumeIntegralInRange<int>(0, 3);
    for (int i = 0; i < faults; ++i) {
      const char* entry = in.PickValueInArray(kEntryPoints);
      const int code = in.ConsumeBool() ? 4242 : -1;
      if (in.ConsumeBool()) {
        gSim.SimSdk_failCallAt(entry, code, in.ConsumeIntegralInRange<int>(1, 40));
      } else {
        gSim.SimSdk_failCall(entry, code, in.ConsumeBool() ? 1 : 0);
      }
      if (kReleases.count(entry) != 0) releaseFaulted = true;
    }
    gCloseFromCallback = in.ConsumeIntegralInRange<int>(0, 7) == 0;
  }

  void Finish() {
    for (const int port : ports) {
      for (int i = 0; i < 3; ++i) closeCVLPort(0, port);
    }
    for (int i = 0; i <= initialized; ++i) finalize();
    FUZZ_CHECK(getCVLNoOfSupportedCameras() == 0, "cameras after the last finalize");
    gSim.SimSdk_clearFaults();
    gSim.SimSdk_pauseFrames(0);
    int live[4] = {0, 0, 0, 0};
    gSim.SimSdk_getLiveObjects(&live[0], &live[1], &live[2], &live[3]);
    if (!releaseFaulted) {
      FUZZ_CHECK(live[0] == 0 && live[1] == 0 && live[2] == 0 && live[3] == 0,
                 "an SDK object was not handed back after the last finalize");
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ecocam::platform::SetDebugSinkForTesting(&Discard, nullptr);
  if (!gSim.library.Load(ecocam::sdk::SdkFunctionTable::DefaultLibraryName())) {
    std::fprintf(stderr, "the simulated SDK cannot be loaded: %s\n", gSim.library.LastError().c_str());
    std::abort();
  }
#define FUZZ_CONTROL_RESOLVE(ret, name, params)                                 \
  gSim.name = reinterpret_cast<simsdk::name##_fn>(gSim.library.Resolve(#name)); \
  FUZZ_CHECK(gSim.name != nullptr, #name);
  SIMSDK_CONTROL_API(FUZZ_CONTROL_RESOLVE)
#undef FUZZ_CONTROL_RESOLVE
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Session session(in);
  ecocam::DriverContext::GetInstance().SetSystemPath(ecocam::fuzz::ScratchDir().string());
  ecocam::DriverContext::GetInstance().LogLevel = 1;
  ecocam::DriverContext::GetInstance().LogDebugView = 0;
  ecocam::DriverContext::GetInstance().LogIntoFile = false;
  session.Prepare();
  for (int steps = 0; steps < 64 && in.remaining_bytes() > 0; ++steps) session.Step();
  session.Finish();
  return 0;
}
