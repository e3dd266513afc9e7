// Cameras that stop answering: unplugged, switched off, or their program
// killed. Aravis notices only after its control timeouts (its heartbeat
// gives up after seconds, and every later call waits for its own retries,
// freeing the connection and the stream included). The backend finds out
// sooner with a probe of its own and then cuts the connection's control
// socket, so that everything Aravis still tries on it fails at once.
#pragma once

#include <mutex>
#include <set>
#include <string>

#include "arv_state.h"

namespace arvsdk {

// Held while the backend creates Aravis objects that open sockets, so that
// ControlSocket tells the sockets of one connection from another's.
std::mutex& SocketsMutex();

// This process's UDP socket descriptors.
std::set<int> UdpSockets();

// The control socket of the connection `camera` just opened: the one UDP
// socket that is new since `before` and bound to the connection's interface
// address; -1 when there is not exactly one.
int ControlSocket(const std::set<int>& before, ArvCamera* camera);

// True when the GigE Vision device at the IPv4 `address` answers a register
// read within about half a second (three tries). Any program may read a
// device's registers, so this works beside the connection that controls it.
bool Answers(const std::string& address);

// Makes every later request on the control socket `fd` fail at once
// (nothing for -1).
void CutControl(int fd);

// Marks the camera lost (once; logged at level 1) and cuts its control
// socket. Any thread; takes no lock.
void MarkLost(CameraEntry& entry, const std::string& why);

// True when the camera is lost, or does not answer a probe now (which marks
// it lost).
bool LostNow(CameraEntry& entry);

// Aravis's control-lost signal of the entry's connection marks the camera
// lost and hands each of its channels one connection-lost image.
void WatchControl(CameraEntry& entry);
void UnwatchControl(CameraEntry& entry);

}  // namespace arvsdk
