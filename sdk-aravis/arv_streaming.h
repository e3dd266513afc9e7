// Streaming channels on Aravis streams.
#pragma once

#include <memory>

#include "arv_state.h"

namespace arvsdk {

// Deletes the channel: no callback of it runs when this returns (unless
// called from inside one), images still out are taken back, and the stream
// is freed. kInvalidHandle for an unknown channel.
int DeleteChannel(StreamingChannelHandle handle);

// Hands every channel of `camera` one image without data whose signal is
// kSignalCameraConnectionLost (once per channel), on the calling thread.
void SignalConnectionLost(const CameraEntry& camera);

// Deletes every channel of `camera`.
void DeleteChannelsOf(const CameraEntry* camera);

}  // namespace arvsdk
