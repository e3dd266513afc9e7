// The simulated SDK's state: the listed cameras, the containers and cameras
// handed out, the handle registry, injected faults and delays, and the
// journal of calls. One mutex guards all of it; every entry point takes it
// for the short time it reads or changes the state.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "sdk/sdk_entry_points.h"

namespace simsdk {

using ecocam::sdk::CameraContainerHandle;
using ecocam::sdk::CameraHandle;
using ecocam::sdk::kSdkEntryPointCount;
using ecocam::sdk::SdkRow;

constexpr int kPixelTypeBayerGR8 = 0x01080008;

// What a camera model allows. Float values as the SDK reports them.
struct CameraLimits {
  float frameRateMin = 1.0f;
  float frameRateMax = 60.0f;
  float frameRateIncrement = 1.0f;
  float exposureTimeMin = 50.0f;  // microseconds
  float exposureTimeMax = 1000000.0f;
  float exposureTimeIncrement = 1.0f;
  float exposureDelayMax = 10000.0f;
  float exposureDelayIncrement = 1.0f;
  float gainMax = 18.0f;
  float offsetMax = 255.0f;
  float strobePositionMax = 1000000.0f;
  float strobePositionIncrement = 1.0f;
  float strobeDurationMax = 1000000.0f;
  float strobeDurationIncrement = 1.0f;
  float gammaMin = 0.1f;
  float gammaMax = 4.0f;
  int packetSize = 8192;  // what Camera_evaluateMaximalPacketSize reports
};

// One camera the discovery finds.
struct CameraModel {
  int id = 0;  // unique among listed cameras, for removal
  std::string modelName;
  bool color = false;
  int imagerWidth = 656;
  int imagerHeight = 490;
  int pixelType = ecocam::sdk::kPixelTypeMono8;  // of the frames it sends
  CameraLimits limits;
  // A realistic camera rounds a value to its increment and clamps it (to its
  // limits, the exposure to the frame period, the frame rate to what the
  // exposure allows) instead of refusing it.
  bool realistic = false;
  // Frames of this size instead of the area of interest's (0: the AOI's).
  int frameWidth = 0;
  int frameHeight = 0;
  // Packets of its frames lost on the network, per thousand, and of every
  // thousand lost packets how many a resend recovers.
  int packetsLostPerThousand = 0;
  int packetsResentPerThousand = 0;
  // After this many delivered frames the camera vanishes (0: never), and
  // calls to a vanished camera answer after this many milliseconds.
  int vanishAfterFrames = 0;
  int answerDelayMs = 0;
};

// What a camera has been told, starting from its power-on values.
struct CameraSettings {
  float frameRate = 10.0f;
  float exposureTime = 1000.0f;
  float exposureDelay = 0.0f;
  float gain = 0.0f;
  float offset = 0.0f;
  bool autoGainEnabled = false;
  float autoGainBrightness = 128.0f;
  float autoGainMin = 0.0f;
  float autoGainMax = 0.0f;
  float autoExposureMin = 0.0f;
  float autoExposureMax = 0.0f;
  int acquisitionControl = 0;  // 1 while acquisition runs
  int acquisitionMode = 0;
  int triggerPolarity = 0;
  int strobePolarity = 0;
  float strobePosition = 0.0f;
  float strobeDuration = 0.0f;
  int binningMode = 0;
  int pixelDepth = 0;
  int aoiWidth = 0;  // the whole imager until told otherwise
  int aoiHeight = 0;
  int aoiOffsetX = 0;
  int aoiOffsetY = 0;
  float gamma = 1.0f;
  int lowpassFilter = 0;
  int lookupTableMode = 0;
  std::vector<int> lookupTable;     // empty until set
  std::map<int, int> ioAssignment;  // signal -> source
  int packetSize = 1500;
  float interPacketDelay = 0.0f;
  std::string userDefinedName;
  int softwareTriggers = 0;  // count of Camera_softwareTrigger calls
};

struct SimCamera {
  CameraHandle handle = 0;
  CameraContainerHandle container = 0;
  CameraModel model;
  bool connected = false;
  // The camera is gone from the network: calls that talk to it answer
  // kCameraTimeout after model.answerDelayMs.
  bool vanished = false;
  // The connection open when it vanished is dead, also once it is back,
  // until it is closed.
  bool connectionLost = false;
  long long framesSent = 0;  // delivered frames, for model.vanishAfterFrames
  CameraSettings settings;
};

struct SimContainer {
  std::vector<CameraHandle> cameras;  // in discovery order
};

enum class HandleKind { kContainer, kCamera, kStreamingChannel, kImage };

// Hands out handle values, positive and unique among live handles. With
// reuse on, the most recently freed value comes back first, so tests can
// hold a stale handle that now names another object.
class HandleRegistry {
 public:
  int Allocate(HandleKind kind);
  void Release(int handle);
  bool Is(int handle, HandleKind kind) const;
  void SetReuse(bool reuse) { _reuse = reuse; }
  void Clear();

 private:
  std::map<int, HandleKind> _live;
  std::vector<int> _freed;
  int _next = 1;
  bool _reuse = false;
};

struct Fault {
  int code = 0;
  bool always = false;
  int callsBefore = 0;  // calls that still run normally before the fault
};

// The whole state. Members are public; `mutex` guards every one of them.
struct SimState {
  static SimState& Get();

  std::mutex mutex;
  std::vector<CameraModel> listed;  // what the next discovery finds
  int nextModelId = 1;
  std::map<CameraContainerHandle, SimContainer> containers;
  std::map<CameraHandle, std::unique_ptr<SimCamera>> cameras;
  HandleRegistry handles;
  Fault faults[kSdkEntryPointCount];
  int delaysMs[kSdkEntryPointCount] = {};
  std::deque<std::string> journal;
  unsigned char version[4] = {1, 4, 23, 52};
  std::set<std::string> texts;  // returned texts; never shrinks, so pointers stay valid

  // The state after SimSdk_reset (the listed cameras from the configuration
  // file named by SIMSDK_CONFIG when set, else the two default cameras).
  void ResetLocked();
  SimCamera* FindCameraLocked(CameraHandle handle);
  void DeleteCameraLocked(CameraHandle handle);
  const char* InternLocked(const std::string& text);
  void JournalLocked(std::string line);
};

// The two cameras found by default: a monochrome and a colour 656 x 490.
std::vector<CameraModel> DefaultCameras();

// Sets limit `name` ("FrameRateMax", "GainMax", "PixelType", "Realistic"
// (non-zero: on), ...) of a listed camera; false for an unknown name.
bool SetCameraLimit(CameraModel& model, const std::string& name, double value);

// Reads a configuration file: one camera per line,
//   model;width;height;mono|color[;LimitName=value...]
// blank lines and lines starting with '#' ignored; the model may be empty.
// False (and `models` untouched) when the file cannot be read or a line is bad.
bool ReadConfiguration(const std::string& path, int& nextId, std::vector<CameraModel>& models);

// The row of an entry point by name, or -1.
int RowOfEntryPoint(const char* name);
const char* EntryPointName(int row);

}  // namespace simsdk
