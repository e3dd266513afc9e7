// The frames of the live view: the completion callback fills one, the
// window shows another, and a third holds the newest frame between them
// (a triple buffer). Neither side ever waits for the other: a frame the
// window did not pick up before the next one arrived is replaced and
// counted as skipped for display; the driver has delivered it all the same.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace camhost {

struct ViewFrame {
  int width = 0;
  int height = 0;
  int channels = 0;                  // 1 grey, 3 R G B
  long long number = 0;              // which received frame this is, counted from 1
  std::vector<std::uint8_t> pixels;  // rows contiguous, no padding

  std::size_t RowBytes() const { return static_cast<std::size_t>(width) * static_cast<std::size_t>(channels); }
};

class FrameExchange {
 public:
  FrameExchange() = default;
  FrameExchange(const FrameExchange&) = delete;
  FrameExchange& operator=(const FrameExchange&) = delete;

  // Sizes all three frames and forgets their contents and the skip count.
  // Only while no frame is being written or shown.
  void Reset(int width, int height, int channels);

  // Writer side (the completion callback): the frame to fill, then Publish
  // makes it the newest.
  ViewFrame& Back() { return _frames[static_cast<std::size_t>(_back)]; }
  void Publish();

  // Reader side (the window): the newest frame when one arrived since the
  // last pick-up, else null. Valid until the next PickUp.
  const ViewFrame* PickUp();
  // The frame picked up last; its number is 0 before the first.
  const ViewFrame& Front() const { return _frames[static_cast<std::size_t>(_front)]; }

  // Frames replaced before the window picked them up.
  long long Skipped() const { return _skipped.load(std::memory_order_relaxed); }

 private:
  static constexpr int kFresh = 4;  // flag beside the index in _middle

  std::array<ViewFrame, 3> _frames;
  int _back = 0;                // writer's own
  int _front = 1;               // reader's own
  std::atomic<int> _middle{2};  // index of the newest frame, | kFresh when not yet picked up
  std::atomic<long long> _skipped{0};
};

}  // namespace camhost
