// The Aravis backend's handles and what stands behind them.
//
// Containers, cameras, streaming channels and images are ints handed to the
// driver; the maps below turn them back into the Aravis objects. The maps are
// guarded by State::mutex, which is never held while the camera is talked to:
// each camera has its own mutex that serialises its feature access, and a
// streaming channel has its own for the hand-over of images.
#pragma once

#include <arv.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sdk/sdk_types.h"

namespace arvsdk {

using namespace ecocam::sdk;  // the SDK's types, as the entry points name them

struct CameraEntry {
  int handle = 0;
  CameraContainerHandle container = 0;
  // What discovery reported; fixed for the entry's life.
  std::string deviceId;
  std::string model;
  std::string vendor;
  std::string serial;
  std::string address;     // IPv4 address as text
  std::string physicalId;  // MAC address as text

  std::mutex mutex;             // serialises the camera's feature access
  ArvCamera* camera = nullptr;  // the open connection, or null
  bool color = false;           // the camera delivers Bayer mosaics
  int binningMode = 0;          // last binning mode set (0 to 3)
  int acquisitionMode = 1;      // last acquisition mode set (1 to 4, 0 idle)
  int triggerSource = 2;        // I/O source of the external trigger (2 = IN1)

  // Set when the camera stopped answering (Aravis's control-lost signal, or a
  // control timeout the camera does not answer a probe after): every call
  // then fails at once with kCameraLost until the connection is reopened.
  std::atomic<bool> lost{false};
  std::mutex socketMutex;  // guards controlSocket: a cut never meets the socket's close
  int controlSocket = -1;  // the connection's GVCP socket in this process, or -1
  gulong lostSignalId = 0;
};

struct ChannelEntry;

// One image handed to the driver and not yet released.
struct ImageEntry {
  ArvBuffer* buffer = nullptr;
  std::shared_ptr<ChannelEntry> channel;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  int sizeX = 0;
  int sizeY = 0;
  int pixelType = 0;
  int imageId = 0;
  double timestamp = 0.0;     // seconds on the camera's clock
  double transferTime = 0.0;  // seconds from the first packet to the last
  int packetCount = 0;
  int packetResend = 0;                    // packets resent for this frame (see OnNewBuffer)
  int signalType = kSignalFrameCompleted;  // kSignalCameraConnectionLost: no data
};

struct ChannelEntry {
  StreamingChannelHandle handle = 0;
  std::shared_ptr<CameraEntry> camera;
  ArvStream* stream = nullptr;
  StreamCallback callback = nullptr;
  void* context = nullptr;
  gulong signalId = 0;
  std::size_t payload = 0;
  int packetSize = 0;

  std::mutex mutex;  // guards the fields below
  std::condition_variable idle;
  int inCallback = 0;
  bool stopping = false;
  std::thread::id streamThread;
  std::thread::id signalThread;  // the thread handing out the connection-lost image

  std::atomic<long long> delivered{0};     // handed to the driver's callback
  std::atomic<long long> incomplete{0};    // failed or incomplete: returned at once
  std::atomic<long long> refused{0};       // the callback answered non-zero
  std::atomic<long long> resent{0};        // packets Aravis had resent on this stream
  std::atomic<bool> lossSignalled{false};  // the connection-lost image was handed out

  // Stream thread only: Aravis's resent-packet count at the last frame, and
  // the packets resent since the last delivered frame.
  unsigned long long resentSeen = 0;
  long long resentPending = 0;
};

struct State {
  std::mutex mutex;
  std::map<CameraContainerHandle, std::vector<int>> containers;
  std::map<int, std::shared_ptr<CameraEntry>> cameras;
  std::map<StreamingChannelHandle, std::shared_ptr<ChannelEntry>> channels;
  std::map<ImageHandle, std::shared_ptr<ImageEntry>> images;
  int nextHandle = 1;

  int AllocateLocked() { return nextHandle++ & 0x3fffffff; }
  std::shared_ptr<CameraEntry> FindCamera(int handle);
  std::shared_ptr<ChannelEntry> FindChannel(StreamingChannelHandle handle);
  std::shared_ptr<ImageEntry> FindImage(ImageHandle handle);

  static State& Get();
};

// Frames of every channel since the library was loaded.
struct FrameTotals {
  std::atomic<long long> delivered{0};
  std::atomic<long long> incomplete{0};
  std::atomic<long long> refused{0};
  std::atomic<long long> resent{0};  // packets resent on request
};
FrameTotals& Totals();

// Counts `object` as alive until GLib finalises it.
void Track(gpointer object);
// Aravis objects this library created that are still alive.
int LiveObjects();

// The library's own log: level 1 errors and warnings, 2 operations, 3
// details. Lines go to the callbacks registered with
// Camera_registerForLogMessages whose level is high enough, and lines of
// level 1 also to the system's debug output.
void Log(int level, const std::string& message);
void AddLogListener(int level, LogMessageCallback callback, void* context);

// Text of a GError (which is freed), for log lines.
std::string TakeError(GError* error);

}  // namespace arvsdk
