// Receiving from a fake GigE Vision camera at its highest rate, 2448 x 2050
// Mono8, in one run: a minimal Aravis receiver with a callback against the
// driver on the Aravis backend through its exports, with a host that reads
// every row of every frame. Reports frames per second, lost frames and the
// receiving process's CPU time. The fake camera runs in a child process so
// its own CPU time (a whole core) stays out of the figures.
//
// Run with the Aravis backend first on the library path:
//   LD_LIBRARY_PATH=build/linux/bin/aravis build/linux/bin/aravis_bench [seconds]
// With --serve [model] it only serves the fake camera on 127.0.0.1 until
// interrupted, for trying a host (camhost) against it. With --loss
// [seconds] it runs the driver alone against a fake camera that drops 0, 1,
// 10 and 50 of every thousand stream packets, and reports the frames
// delivered, the frames that arrived incomplete (counted, not delivered) and
// the packets resent.
#include <arv.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "ecocam/ecocam.h"

namespace {

constexpr int kWidth = 2448;
constexpr int kHeight = 2050;
constexpr int kBuffers = 10;

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// The child: a fake camera named like an eco camera, sensor enlarged.
[[noreturn]] void ServeFakeCamera(const char* model = "eco424MVGE", double lostPerThousand = 0.0) {
  ArvGvFakeCamera* gv = arv_gv_fake_camera_new_full("127.0.0.1", "ECOBENCH", nullptr);
  if (gv == nullptr || !arv_gv_fake_camera_is_running(gv)) _exit(1);
  ArvFakeCamera* fake = arv_gv_fake_camera_get_fake_camera(gv);
  char name[32] = {};
  std::strncpy(name, model, sizeof name - 1);
  arv_fake_camera_write_memory(fake, 0x68, sizeof name, name);
  arv_fake_camera_write_register(fake, 0x11c, kWidth);
  arv_fake_camera_write_register(fake, 0x118, kHeight);
  g_object_set(gv, "gvsp-lost-ratio", lostPerThousand / 1000.0, nullptr);
  for (;;) pause();
}

struct Figures {
  double seconds = 0;
  long long frames = 0;
  long long lost = 0;
  double cpu = 0;
  long long incomplete = 0;  // driver only: frames the backend counted incomplete
  long long resent = 0;      // driver only: packets resent
};

void Print(const char* name, const Figures& f) {
  std::printf("%-34s %8.1f frames/s %6lld lost %8.3f s CPU (%5.1f %% of a core) over %.1f s\n", name,
              f.frames / f.seconds, f.lost, f.cpu, 100.0 * f.cpu / f.seconds, f.seconds);
}

// A minimal receiver: Aravis's stream with a callback that takes each
// buffer and gives it back.
struct Raw {
  std::atomic<long long> ok{0};
  std::atomic<long long> failed{0};
  std::atomic<long long> lastId{-1};
  std::atomic<long long> gaps{0};
};

void OnRawBuffer(ArvStream* stream, gpointer data) {
  Raw& raw = *static_cast<Raw*>(data);
  ArvBuffer* buffer = arv_stream_try_pop_buffer(stream);
  if (buffer == nullptr) return;
  if (arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS) {
    ++raw.ok;
    const long long id = static_cast<long long>(arv_buffer_get_frame_id(buffer));
    const long long last = raw.lastId.exchange(id);
    if (last >= 0 && id > last + 1) raw.gaps += id - last - 1;
  } else {
    ++raw.failed;
  }
  arv_stream_push_buffer(stream, buffer);
}

Figures RunRaw(double seconds) {
  Figures f;
  GError* error = nullptr;
  arv_update_device_list();
  ArvCamera* camera = nullptr;
  for (unsigned i = 0; i < arv_get_n_devices() && camera == nullptr; ++i) {
    if (std::string(arv_get_device_model(i)) == "eco424MVGE") camera = arv_camera_new(arv_get_device_id(i), &error);
  }
  if (camera == nullptr) {
    std::fprintf(stderr, "raw: no fake camera found\n");
    return f;
  }
  arv_gv_device_set_stream_options(ARV_GV_DEVICE(arv_camera_get_device(camera)),
                                   ARV_GV_STREAM_OPTION_PACKET_SOCKET_DISABLED);
  arv_camera_gv_auto_packet_size(camera, &error);
  arv_camera_set_region(camera, 0, 0, kWidth, kHeight, &error);
  double minRate = 0, maxRate = 0;
  arv_camera_get_frame_rate_bounds(camera, &minRate, &maxRate, &error);
  arv_camera_set_frame_rate(camera, maxRate, &error);
  if (error != nullptr) {
    std::fprintf(stderr, "raw: %s\n", error->message);
    g_clear_error(&error);
  }
  const std::size_t payload = arv_camera_get_payload(camera, &error);
  ArvStream* stream = arv_camera_create_stream(camera, nullptr, nullptr, &error);
  g_object_set(stream, "socket-buffer", ARV_GV_STREAM_SOCKET_BUFFER_FIXED, "socket-buffer-size",
               static_cast<gint>(2 * payload), nullptr);
  for (int i = 0; i < kBuffers; ++i) arv_stream_push_buffer(stream, arv_buffer_new_allocate(payload));
  Raw raw;
  g_signal_connect(stream, "new-buffer", G_CALLBACK(OnRawBuffer), &raw);
  arv_stream_set_emit_signals(stream, TRUE);
  arv_camera_start_acquisition(camera, &error);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // settle
  const long long ok0 = raw.ok, failed0 = raw.failed, gaps0 = raw.gaps;
  const double cpu0 = CpuSeconds();
  const auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  f.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  f.cpu = CpuSeconds() - cpu0;
  f.frames = raw.ok - ok0;
  f.lost = (raw.failed - failed0) + (raw.gaps - gaps0);
  arv_camera_stop_acquisition(camera, &error);
  arv_stream_set_emit_signals(stream, FALSE);
  g_object_unref(stream);
  g_object_unref(camera);
  if (error != nullptr) g_clear_error(&error);
  return f;
}

// The driver's host: reads every row of every frame inside its callback.
std::atomic<long long> gHostFrames{0};
std::vector<unsigned char> gRow(kWidth);
int ECOCAM_CALL ReadEveryRow(int, int port) {
  for (int row = 0; row < kHeight; ++row) getCVLGrabRow(0, port, gRow.data(), row, 0, kWidth - 1);
  ++gHostFrames;
  return 0;
}

std::atomic<long long> gMissedBuffers{0};
void ECOCAM_CALL CountMisses(const char* text) {
  const char* found = text != nullptr ? std::strstr(text, "free buffer not found ") : nullptr;
  if (found != nullptr) gMissedBuffers += std::atoll(found + std::strlen("free buffer not found "));
}

Figures RunDriver(double seconds) {
  Figures f;
  const auto dir = std::filesystem::temp_directory_path() / ("ecocam-aravis-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "SVS-Vistek.ini") << "[eco424MVGE]\nLogLevel=1\nLogDebugView=0\nWidth=" << kWidth
                                        << "\nHeight=" << kHeight
                                        << "\nFrameRate=1000\nAcquisitionMode=Fixed frequency\n";
  initialize(dir.string().c_str(), CountMisses);
  using Counts = void (*)(long long*, long long*, long long*);
  void* sdk = dlopen("libSVGigE.so", RTLD_NOW | RTLD_NOLOAD);
  const auto counts = sdk != nullptr ? reinterpret_cast<Counts>(dlsym(sdk, "ArvSdk_frameCounts")) : nullptr;
  int size[2] = {0, 0};
  if (counts == nullptr || openCVLPort(0, 1, "eco424MVGE", size) != 1) {
    std::fprintf(stderr, "driver: the Aravis backend or the camera is missing (LD_LIBRARY_PATH?)\n");
    finalize();
    return f;
  }
  setCompleteCallback(0, 1, ReadEveryRow);
  setProperty(0, 1, "continuous", 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // settle
  using Resent = long long (*)();
  const auto resent = reinterpret_cast<Resent>(dlsym(sdk, "ArvSdk_resentPackets"));
  long long incomplete0 = 0, refused0 = 0;
  counts(nullptr, &incomplete0, &refused0);
  const long long resent0 = resent != nullptr ? resent() : 0;
  const long long frames0 = gHostFrames, missed0 = gMissedBuffers;
  const double cpu0 = CpuSeconds();
  const auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  f.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  f.cpu = CpuSeconds() - cpu0;
  f.frames = gHostFrames - frames0;
  long long incomplete1 = 0, refused1 = 0;
  counts(nullptr, &incomplete1, &refused1);
  f.lost = (incomplete1 - incomplete0) + (refused1 - refused0) + (gMissedBuffers - missed0);
  f.incomplete = incomplete1 - incomplete0;
  f.resent = resent != nullptr ? resent() - resent0 : 0;
  setProperty(0, 1, "continuous", 0);
  closeCVLPort(0, 1);
  finalize();
  std::filesystem::remove_all(dir);
  return f;
}

}  // namespace

// The driver against a fake camera losing packets at four rates.
int RunLossSeries(double seconds) {
  std::printf("Fake camera, %d x %d Mono8 at its highest rate, %d buffers, driver on Aravis:\n", kWidth, kHeight,
              kBuffers);
  std::printf("%12s %12s %12s %12s %14s\n", "lost/1000", "frames/s", "delivered", "incomplete", "resent packets");
  bool all = true;
  for (const double perThousand : {0.0, 1.0, 10.0, 50.0}) {
    const pid_t child = fork();
    if (child == 0) ServeFakeCamera("eco424MVGE", perThousand);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const Figures f = RunDriver(seconds);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    all = all && f.seconds > 0;
    std::printf("%12.0f %12.1f %12lld %12lld %14lld\n", perThousand, f.seconds > 0 ? f.frames / f.seconds : 0.0,
                f.frames, f.incomplete, f.resent);
  }
  return all ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--serve") == 0) ServeFakeCamera(argc > 2 ? argv[2] : "eco424MVGE");
  if (argc > 1 && std::strcmp(argv[1], "--loss") == 0) return RunLossSeries(argc > 2 ? std::atof(argv[2]) : 5.0);
  const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
  const pid_t child = fork();
  if (child == 0) ServeFakeCamera();
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  const Figures raw = RunRaw(seconds);
  const Figures driver = RunDriver(seconds);
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  std::printf("Fake camera, %d x %d Mono8 at its highest rate, %d buffers:\n", kWidth, kHeight, kBuffers);
  Print("raw Aravis receiver (callback)", raw);
  Print("driver on Aravis, host reads rows", driver);
  if (raw.frames > 0 && raw.cpu > 0) {
    std::printf("driver/raw: %.3f x frames/s, %.3f x CPU time\n",
                (driver.frames / driver.seconds) / (raw.frames / raw.seconds), driver.cpu / raw.cpu);
  }
  return raw.frames > 0 && driver.frames > 0 ? 0 : 1;
}
