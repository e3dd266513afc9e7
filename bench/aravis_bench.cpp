// Receiving from a fake GigE Vision camera at its highest rate, 2448 x 2050
// Mono8, in one run: a minimal Aravis receiver with a callback against the
// driver on the Aravis backend through its exports. Both hosts read every row
// of every frame: the raw receiver copies each row of the buffer into a host
// row, the driver's host calls getCVLGrabRow for each row. Reports frames per
// second, lost frames and the receiving process's CPU time. The fake camera
// runs in a child process so its own CPU time (a whole core) stays out of the
// figures. Before measuring, it checks that the driver loads the Aravis
// backend and that the fake camera starts, and refuses to run otherwise.
// The usage text (--help) lists the other modes.
#include <arv.h>
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <link.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ecocam/ecocam.h"

namespace {

constexpr int kWidth = 2448;
constexpr int kHeight = 2050;
constexpr int kBuffers = 10;
constexpr const char* kModel = "eco424MVGE";

constexpr const char* kUsage =
    "Usage: aravis_bench [SECONDS] [--rate=FPS]         raw Aravis receiver, then the driver, SECONDS each (5)\n"
    "       aravis_bench --loss [SECONDS] [--rate=FPS]  the driver alone at 0, 1, 10 and 50 lost packets\n"
    "                                                   per thousand\n"
    "       aravis_bench --serve [MODEL [LOST]]         only serve the fake camera on 127.0.0.1 (losing LOST\n"
    "                                                   packets per thousand) until interrupted\n"
    "       aravis_bench --help                         this text\n"
    "\n"
    "A fake GigE Vision camera, 2448 x 2050 Mono8, runs in a child process at its highest rate, or at\n"
    "FPS frames per second (a low rate lets a profiler such as callgrind keep up with the stream).\n"
    "The driver must load the Aravis backend: put its folder first on the library path, e.g.\n"
    "  LD_LIBRARY_PATH=build/linux/bin/aravis build/linux/bin/aravis_bench\n";

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Serves a fake camera named like an eco camera, sensor enlarged, until the
// process is killed; says "ready" on stdout once it answers.
[[noreturn]] void ServeFakeCamera(const char* model, double lostPerThousand) {
  ArvGvFakeCamera* gv = arv_gv_fake_camera_new_full("127.0.0.1", "ECOBENCH", nullptr);
  if (gv == nullptr || !arv_gv_fake_camera_is_running(gv)) {
    std::fprintf(stderr, "aravis_bench: the fake camera could not start on 127.0.0.1 (GigE Vision port in use?)\n");
    _exit(1);
  }
  ArvFakeCamera* fake = arv_gv_fake_camera_get_fake_camera(gv);
  char name[32] = {};
  std::strncpy(name, model, sizeof name - 1);
  arv_fake_camera_write_memory(fake, 0x68, sizeof name, name);
  arv_fake_camera_write_register(fake, 0x11c, kWidth);
  arv_fake_camera_write_register(fake, 0x118, kHeight);
  g_object_set(gv, "gvsp-lost-ratio", lostPerThousand / 1000.0, nullptr);
  std::printf("ready: fake camera %s on 127.0.0.1, %g lost packets per thousand\n", name, lostPerThousand);
  std::fflush(stdout);
  for (;;) pause();
}

// The fake camera served by this program run again in a child process (so
// that it starts from a fresh process, and a profiler that does not follow
// children leaves it out), killed when this goes.
class FakeCameraProcess {
 public:
  explicit FakeCameraProcess(double lostPerThousand) {
    int ready[2] = {-1, -1};
    if (pipe(ready) != 0) return;
    const std::string loss = std::to_string(lostPerThousand);
    std::error_code ignored;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", ignored).string();
    _pid = fork();
    if (_pid == 0) {
      dup2(ready[1], STDOUT_FILENO);
      close(ready[0]);
      close(ready[1]);
      execl(self.c_str(), "aravis_bench", "--serve", kModel, loss.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ready[1]);
    pollfd wait{ready[0], POLLIN, 0};
    char text[8] = {};
    _ready = _pid > 0 && poll(&wait, 1, 10000) == 1 && read(ready[0], text, 5) == 5 && std::strcmp(text, "ready") == 0;
    close(ready[0]);
    if (!_ready) std::fprintf(stderr, "aravis_bench: the fake camera did not start within 10 s\n");
  }
  ~FakeCameraProcess() {
    if (_pid <= 0) return;
    kill(_pid, SIGTERM);
    waitpid(_pid, nullptr, 0);
  }
  FakeCameraProcess(const FakeCameraProcess&) = delete;
  FakeCameraProcess& operator=(const FakeCameraProcess&) = delete;
  bool Ready() const { return _ready; }

 private:
  pid_t _pid = -1;
  bool _ready = false;
};

// A folder with the driver's profile for the fake camera, removed with this.
struct ProfileFolder {
  explicit ProfileFolder(double rate) {
    std::filesystem::create_directories(path);
    std::ofstream(path / "SVS-Vistek.ini")
        << "[" << kModel << "]\nLogLevel=1\nLogDebugView=0\nWidth=" << kWidth << "\nHeight=" << kHeight
        << "\nFrameRate=" << rate << "\nAcquisitionMode=Fixed frequency\n";
  }
  ~ProfileFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("ecocam-aravis-bench-" + std::to_string(getpid()));
};

// The camera SDK the driver loaded once initialized, or null.
void* LoadedSdk() { return dlopen("libSVGigE.so", RTLD_NOW | RTLD_NOLOAD); }

std::string LibraryPath(void* library) {
  link_map* map = nullptr;
  return library != nullptr && dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr ? map->l_name : "";
}

// Whether the driver loads the Aravis backend as its camera SDK; says why
// not on stderr. Runs in a child process, so that this process starts no
// thread of the driver's or of GLib's before it forks the fake camera.
bool DriverLoadsBackend() {
  const pid_t child = fork();
  if (child == 0) {
    std::string problem;
    {
      ProfileFolder profile(1.0);
      if (initialize(profile.path.string().c_str(), nullptr) != 1) {
        problem = "the driver did not initialize";
      } else if (void* sdk = LoadedSdk(); sdk == nullptr) {
        problem = "the driver loaded no camera SDK (libSVGigE.so)";
      } else if (dlsym(sdk, "ArvSdk_frameCounts") == nullptr) {
        problem = "the driver loaded " + LibraryPath(sdk) + ", which is not the Aravis backend";
      }
      finalize();
    }
    if (!problem.empty()) {
      std::fprintf(stderr,
                   "aravis_bench: %s.\nPut the Aravis backend's folder first on the library path, e.g.\n"
                   "  LD_LIBRARY_PATH=build/linux/bin/aravis %s\n",
                   problem.c_str(), "build/linux/bin/aravis_bench");
    }
    _exit(problem.empty() ? 0 : 1);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Figures {
  double seconds = 0;
  long long frames = 0;
  long long lost = 0;
  double cpu = 0;
  long long incomplete = 0;  // driver only: frames the backend counted incomplete
  long long resent = 0;      // driver only: packets resent
  double Rate() const { return seconds > 0 ? frames / seconds : 0.0; }
};

void Print(const char* name, const Figures& f) {
  std::printf("%-34s %8.1f frames/s %6lld lost %8.3f s CPU (%5.1f %% of a core), %6.3f ms CPU per frame, over %.1f s\n",
              name, f.Rate(), f.lost, f.cpu, 100.0 * f.cpu / f.seconds, 1e3 * f.cpu / f.frames, f.seconds);
}

// A minimal receiver: Aravis's stream with a callback that takes each
// buffer, copies every row of it into a host row as a host reading the
// image would, and gives it back.
struct Raw {
  std::atomic<long long> ok{0};
  std::atomic<long long> failed{0};
  std::atomic<long long> lastId{-1};
  std::atomic<long long> gaps{0};
  std::vector<unsigned char> row = std::vector<unsigned char>(kWidth);
};

void ReadEveryRow(Raw& raw, ArvBuffer* buffer) {
  std::size_t size = 0;
  const auto* data = static_cast<const unsigned char*>(arv_buffer_get_image_data(buffer, &size));
  const auto width = static_cast<std::size_t>(arv_buffer_get_image_width(buffer));
  const auto height = static_cast<std::size_t>(arv_buffer_get_image_height(buffer));
  if (data == nullptr || width > raw.row.size() || width * height > size) return;
  for (std::size_t y = 0; y < height; ++y) {
    std::memcpy(raw.row.data(), data + y * width, width);
    benchmark::ClobberMemory();  // every row's copy is made, as for a host that uses it
  }
}

void OnRawBuffer(ArvStream* stream, gpointer data) {
  Raw& raw = *static_cast<Raw*>(data);
  ArvBuffer* buffer = arv_stream_try_pop_buffer(stream);
  if (buffer == nullptr) return;
  if (arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS) {
    ReadEveryRow(raw, buffer);
    ++raw.ok;
    const long long id = static_cast<long long>(arv_buffer_get_frame_id(buffer));
    const long long last = raw.lastId.exchange(id);
    if (last >= 0 && id > last + 1) raw.gaps += id - last - 1;
  } else {
    ++raw.failed;
  }
  arv_stream_push_buffer(stream, buffer);
}

std::optional<Figures> RunRaw(double seconds, double rate) {
  Figures f;
  GError* error = nullptr;
  arv_update_device_list();
  ArvCamera* camera = nullptr;
  for (unsigned i = 0; i < arv_get_n_devices() && camera == nullptr; ++i) {
    if (std::string(arv_get_device_model(i)) == kModel) camera = arv_camera_new(arv_get_device_id(i), &error);
  }
  if (camera == nullptr) {
    std::fprintf(stderr, "aravis_bench: the raw receiver found no fake camera\n");
    if (error != nullptr) g_clear_error(&error);
    return std::nullopt;
  }
  arv_gv_device_set_stream_options(ARV_GV_DEVICE(arv_camera_get_device(camera)),
                                   ARV_GV_STREAM_OPTION_PACKET_SOCKET_DISABLED);
  arv_camera_gv_auto_packet_size(camera, &error);
  arv_camera_set_region(camera, 0, 0, kWidth, kHeight, &error);
  double minRate = 0, maxRate = 0;
  arv_camera_get_frame_rate_bounds(camera, &minRate, &maxRate, &error);
  arv_camera_set_frame_rate(camera, std::min(rate, maxRate), &error);
  if (error != nullptr) {
    std::fprintf(stderr, "raw: %s\n", error->message);
    g_clear_error(&error);
  }
  const std::size_t payload = arv_camera_get_payload(camera, &error);
  ArvStream* stream = arv_camera_create_stream(camera, nullptr, nullptr, &error);
  if (stream == nullptr) {
    std::fprintf(stderr, "aravis_bench: the raw receiver has no stream: %s\n", error != nullptr ? error->message : "");
    if (error != nullptr) g_clear_error(&error);
    g_object_unref(camera);
    return std::nullopt;
  }
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

std::optional<Figures> RunDriver(double seconds, double rate) {
  Figures f;
  ProfileFolder profile(rate);
  initialize(profile.path.string().c_str(), CountMisses);
  using Counts = void (*)(long long*, long long*, long long*);
  void* sdk = LoadedSdk();
  const auto counts = sdk != nullptr ? reinterpret_cast<Counts>(dlsym(sdk, "ArvSdk_frameCounts")) : nullptr;
  int size[2] = {0, 0};
  if (counts == nullptr || openCVLPort(0, 1, kModel, size) != 1) {
    std::fprintf(stderr, "aravis_bench: the driver could not open the fake camera\n");
    finalize();
    return std::nullopt;
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
  return f;
}

bool Received(const char* who, const std::optional<Figures>& f) {
  if (f && f->frames > 0) return true;
  if (f) std::fprintf(stderr, "aravis_bench: %s received no frame in %.1f s\n", who, f->seconds);
  return false;
}

// The camera's rate as the headings say it.
std::string RateText(double rate) {
  char text[48] = "at its highest rate";
  if (rate < 1000) std::snprintf(text, sizeof text, "at up to %g frames/s", rate);
  return text;
}

// The driver against a fake camera losing packets at four rates.
int RunLossSeries(double seconds, double rate) {
  std::printf("Fake camera, %d x %d Mono8 %s, %d buffers, driver on Aravis:\n", kWidth, kHeight, RateText(rate).c_str(),
              kBuffers);
  std::printf("%12s %12s %12s %12s %14s\n", "lost/1000", "frames/s", "delivered", "incomplete", "resent packets");
  for (const double perThousand : {0.0, 1.0, 10.0, 50.0}) {
    std::optional<Figures> f;
    {
      FakeCameraProcess camera(perThousand);
      if (!camera.Ready()) return 1;
      f = RunDriver(seconds, rate);
    }
    if (!f) return 1;  // at a high loss no frame may come whole: that is a figure, not a failure
    std::printf("%12.0f %12.1f %12lld %12lld %14lld\n", perThousand, f->Rate(), f->frames, f->incomplete, f->resent);
  }
  return 0;
}

int RunComparison(double seconds, double rate) {
  std::optional<Figures> raw, driver;
  {
    FakeCameraProcess camera(0.0);
    if (!camera.Ready()) return 1;
    raw = RunRaw(seconds, rate);
    if (!Received("the raw receiver", raw)) return 1;
    driver = RunDriver(seconds, rate);
    if (!Received("the driver", driver)) return 1;
  }
  std::printf("Fake camera, %d x %d Mono8 %s, %d buffers, both hosts reading every row:\n", kWidth, kHeight,
              RateText(rate).c_str(), kBuffers);
  Print("raw Aravis receiver (callback)", *raw);
  Print("driver on Aravis", *driver);
  std::printf("driver/raw: %.3f x frames/s, %.3f x CPU time per frame\n", driver->Rate() / raw->Rate(),
              (driver->cpu / driver->frames) / (raw->cpu / raw->frames));
  return 0;
}

// A number in [0, limit], or -1.
double Number(const std::string& text, double limit) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  return end != text.c_str() && *end == '\0' && value >= 0 && value <= limit ? value : -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const std::string mode = args.empty() ? "" : args.front();
  if (mode == "--help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (mode == "--serve") {
    const double lost = args.size() > 2 ? Number(args[2], 1000) : 0.0;
    if (args.size() <= 3 && lost >= 0) ServeFakeCamera(args.size() > 1 ? args[1].c_str() : kModel, lost);
    std::fputs(kUsage, stderr);
    return 2;
  }
  const bool loss = mode == "--loss";
  if (loss) args.erase(args.begin());
  double rate = 1000;
  double seconds = 5;
  int positional = 0;
  for (const std::string& arg : args) {
    if (arg.rfind("--rate=", 0) == 0) {
      rate = Number(arg.substr(7), 1000);
    } else {
      seconds = arg.rfind("-", 0) != 0 && positional++ == 0 ? Number(arg, 3600) : -1;
    }
  }
  if (!(rate > 0) || !(seconds > 0)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (!DriverLoadsBackend()) return 1;
  return loss ? RunLossSeries(seconds, rate) : RunComparison(seconds, rate);
}
