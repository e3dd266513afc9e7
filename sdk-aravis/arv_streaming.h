// Streaming channels on Aravis streams.
#pragma once

#include <memory>

#include "arv_state.h"

namespace arvsdk {

// Deletes the channel: no callback of it runs when this returns (unless
// called from inside one), images still out are taken back, and the stream
// is freed. kInvalidHandle for an unknown channel.
int DeleteChannel(StreamingChannelHandle handle);

// Deletes every channel of `camera`.
void DeleteChannelsOf(const CameraEntry* camera);

}  // namespace arvsdk
