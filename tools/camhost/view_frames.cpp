#include "view_frames.h"

namespace camhost {

void FrameExchange::Reset(int width, int height, int channels) {
  const std::size_t bytes = static_cast<std::size_t>(width > 0 ? width : 0) *
                            static_cast<std::size_t>(height > 0 ? height : 0) *
                            static_cast<std::size_t>(channels > 0 ? channels : 0);
  for (ViewFrame& frame : _frames) {
    frame.width = width;
    frame.height = height;
    frame.channels = channels;
    frame.number = 0;
    frame.pixels.assign(bytes, 0);
  }
  _back = 0;
  _front = 1;
  _middle.store(2, std::memory_order_release);
  _skipped.store(0, std::memory_order_relaxed);
}

// Completion callback's thread. The exchange hands the filled frame over
// and takes back the one the window has not claimed.
void FrameExchange::Publish() {
  const int previous = _middle.exchange(_back | kFresh, std::memory_order_acq_rel);
  if ((previous & kFresh) != 0) _skipped.fetch_add(1, std::memory_order_relaxed);
  _back = previous & ~kFresh;
}

// Window's thread.
const ViewFrame* FrameExchange::PickUp() {
  if ((_middle.load(std::memory_order_acquire) & kFresh) == 0) return nullptr;
  const int newest = _middle.exchange(_front, std::memory_order_acq_rel);
  _front = newest & ~kFresh;
  return &_frames[static_cast<std::size_t>(_front)];
}

}  // namespace camhost
