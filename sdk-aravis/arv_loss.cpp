#include "arv_loss.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>

#include "arv_streaming.h"

namespace arvsdk {

namespace {

constexpr std::uint16_t kGvcpPort = 3956;
constexpr int kProbeTries = 3;
constexpr int kProbeWaitMs = 150;

// The local IPv4 address of a UDP socket, or false.
bool LocalAddress(int fd, sockaddr_in* address) {
  socklen_t length = sizeof *address;
  return getsockname(fd, reinterpret_cast<sockaddr*>(address), &length) == 0 && address->sin_family == AF_INET;
}

void OnControlLost(ArvDevice* /*device*/, gpointer data) {
  CameraEntry& entry = *static_cast<CameraEntry*>(data);
  MarkLost(entry, "Aravis lost control of it");
  SignalConnectionLost(entry);
}

}  // namespace

std::mutex& SocketsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::set<int> UdpSockets() {
  std::set<int> sockets;
  DIR* fds = opendir("/proc/self/fd");
  if (fds == nullptr) return sockets;
  while (const dirent* item = readdir(fds)) {
    char* end = nullptr;
    const long fd = std::strtol(item->d_name, &end, 10);
    if (end == item->d_name || *end != '\0' || fd == dirfd(fds)) continue;
    int type = 0;
    socklen_t length = sizeof type;
    if (getsockopt(static_cast<int>(fd), SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_DGRAM) {
      sockets.insert(static_cast<int>(fd));
    }
  }
  closedir(fds);
  return sockets;
}

int ControlSocket(const std::set<int>& before, ArvCamera* camera) {
  ArvDevice* device = arv_camera_get_device(camera);
  if (!ARV_IS_GV_DEVICE(device)) return -1;
  GSocketAddress* local = arv_gv_device_get_interface_address(ARV_GV_DEVICE(device));
  sockaddr_in wanted{};
  const bool known = local != nullptr && g_socket_address_to_native(local, &wanted, sizeof wanted, nullptr);
  if (!known) return -1;
  int found = -1;
  for (const int fd : UdpSockets()) {
    sockaddr_in address{};
    if (before.count(fd) != 0 || !LocalAddress(fd, &address)) continue;
    if (address.sin_addr.s_addr != wanted.sin_addr.s_addr) continue;
    if (found >= 0) return -1;  // more than one: not sure which
    found = fd;
  }
  return found;
}

bool Answers(const std::string& address) {
  sockaddr_in device{};
  device.sin_family = AF_INET;
  device.sin_port = htons(kGvcpPort);
  if (inet_pton(AF_INET, address.c_str(), &device.sin_addr) != 1) return true;  // nothing to probe: assume alive
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return true;
  bool answered = false;
  for (int attempt = 1; attempt <= kProbeTries && !answered; ++attempt) {
    // READREG of the bootstrap register 0 (version), acknowledge required.
    const std::uint16_t id = static_cast<std::uint16_t>(0x7f00 + attempt);
    const std::array<std::uint8_t, 12> command = {
        0x42, 0x01, 0x00, 0x80, 0x00, 0x04, static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id),
        0,    0,    0,    0};
    if (sendto(fd, command.data(), command.size(), 0, reinterpret_cast<const sockaddr*>(&device), sizeof device) < 0) {
      break;
    }
    pollfd waiting{fd, POLLIN, 0};
    while (!answered && poll(&waiting, 1, kProbeWaitMs) > 0) {
      std::array<std::uint8_t, 64> ack{};
      const ssize_t got = recv(fd, ack.data(), ack.size(), 0);
      if (got < 8) break;
      answered = ack[2] == 0x00 && ack[3] == 0x81 && ack[6] == command[6] && ack[7] == command[7];
    }
  }
  close(fd);
  return answered;
}

// Puts a fresh, unconnected TCP socket in the place of the control socket
// `fd`: sending on it and receiving from it fail at once with an error, and
// polling it reports a hang-up at once, so Aravis's requests and its retries
// end without waiting for their timeouts. (A shut-down UDP socket would not
// do: it polls readable while a non-blocking receive keeps answering "try
// again", and GLib's blocking receive would spin.) Aravis closes the
// descriptor with its connection, as before.
void CutControl(int fd) {
  if (fd < 0) return;
  const int replacement = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (replacement < 0) return;
  dup3(replacement, fd, O_CLOEXEC);  // the descriptor stays closed on exec, as GLib made it
  close(replacement);
}

void MarkLost(CameraEntry& entry, const std::string& why) {
  if (entry.lost.exchange(true)) return;
  {
    std::lock_guard<std::mutex> lock(entry.socketMutex);
    CutControl(entry.controlSocket);
  }
  Log(1, "Aravis: ERROR: camera " + entry.model + " (serial " + entry.serial + ") at " + entry.address +
             " stopped answering: " + why);
}

bool LostNow(CameraEntry& entry) {
  if (entry.lost) return true;
  if (Answers(entry.address)) return false;
  MarkLost(entry, "no answer to a register read");
  return true;
}

void WatchControl(CameraEntry& entry) {
  entry.lostSignalId =
      g_signal_connect(arv_camera_get_device(entry.camera), "control-lost", G_CALLBACK(OnControlLost), &entry);
}

void UnwatchControl(CameraEntry& entry) {
  if (entry.lostSignalId != 0) g_signal_handler_disconnect(arv_camera_get_device(entry.camera), entry.lostSignalId);
  entry.lostSignalId = 0;
}

}  // namespace arvsdk
