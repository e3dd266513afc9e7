// An Aravis fake GigE Vision camera served in-process on 127.0.0.1: it
// answers discovery and control like a real camera and streams its test
// pattern over UDP, so the driver and the Aravis backend run end to end
// without hardware.
#pragma once

#include <arv.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace ecocam::testing {

// Registers of the fake camera (its GenICam description maps the features
// onto them).
constexpr std::uint32_t kModelNameAddress = 0x68;  // GigE Vision bootstrap, 32 bytes
constexpr std::uint32_t kRegWidth = 0x100;
constexpr std::uint32_t kRegHeight = 0x104;
constexpr std::uint32_t kRegBinningHorizontal = 0x108;
constexpr std::uint32_t kRegBinningVertical = 0x10c;
constexpr std::uint32_t kRegGainRaw = 0x110;
constexpr std::uint32_t kRegSensorHeight = 0x118;
constexpr std::uint32_t kRegSensorWidth = 0x11c;
constexpr std::uint32_t kRegExposureUs = 0x120;
constexpr std::uint32_t kRegPixelFormat = 0x128;
constexpr std::uint32_t kRegOffsetX = 0x130;
constexpr std::uint32_t kRegOffsetY = 0x134;
constexpr std::uint32_t kRegFramePeriodUs = 0x138;
constexpr std::uint32_t kRegTriggerMode = 0x300;

// The fake camera's 8-bit pattern at gain 0 and an exposure of 10 ms: a
// diagonal ramp that moves by one step per frame.
inline std::uint8_t FakePattern(int x, int y, std::uint64_t frameId) {
  return static_cast<std::uint8_t>((static_cast<std::uint64_t>(x) + static_cast<std::uint64_t>(y) + frameId) % 255);
}

class FakeGvCamera {
 public:
  // `pixelFormat` is the GigE Vision code the camera starts with; `genicam`
  // a GenICam description of our own (empty: the fake camera's), whose
  // features must map to the fake device's registers.
  FakeGvCamera(const std::string& model, int sensorWidth, int sensorHeight, std::uint32_t pixelFormat = 0x01080001,
               const std::string& serial = "ECOTEST01", const std::string& genicam = {})
      : _gv(arv_gv_fake_camera_new_full("127.0.0.1", serial.c_str(), genicam.empty() ? nullptr : genicam.c_str())) {
    if (_gv == nullptr || !arv_gv_fake_camera_is_running(_gv)) return;
    _fake = arv_gv_fake_camera_get_fake_camera(_gv);
    char name[32] = {};
    std::strncpy(name, model.c_str(), sizeof name - 1);
    arv_fake_camera_write_memory(_fake, kModelNameAddress, sizeof name, name);
    arv_fake_camera_write_register(_fake, kRegSensorWidth, static_cast<std::uint32_t>(sensorWidth));
    arv_fake_camera_write_register(_fake, kRegSensorHeight, static_cast<std::uint32_t>(sensorHeight));
    arv_fake_camera_write_register(_fake, kRegPixelFormat, pixelFormat);
  }
  ~FakeGvCamera() {
    if (_gv != nullptr) g_object_unref(_gv);
  }
  FakeGvCamera(const FakeGvCamera&) = delete;
  FakeGvCamera& operator=(const FakeGvCamera&) = delete;

  bool Running() const { return _fake != nullptr; }

  // Drops that many of every thousand stream packets it sends (resent
  // packets included).
  void LosePackets(double perThousand) { g_object_set(_gv, "gvsp-lost-ratio", perThousand / 1000.0, nullptr); }

  // Replaces the camera's own pattern with FakePattern in every pixel
  // format (its own colour pattern is not a simple formula).
  void UseRampInEveryFormat() { arv_fake_camera_set_fill_pattern(_fake, FillRamp, nullptr); }

  std::uint32_t Register(std::uint32_t address) const {
    std::uint32_t value = 0;
    arv_fake_camera_read_register(_fake, address, &value);
    return value;
  }

 private:
  static void FillRamp(ArvBuffer* buffer, void*, guint32, guint32, ArvPixelFormat);

  ArvGvFakeCamera* _gv = nullptr;
  ArvFakeCamera* _fake = nullptr;
};

// Writes the ramp over the frame in place; the buffer describes its image
// already, though not yet the size of its data. 8-bit formats only.
inline void FakeGvCamera::FillRamp(ArvBuffer* buffer, void*, guint32, guint32, ArvPixelFormat) {
  auto* data = static_cast<std::uint8_t*>(const_cast<void*>(arv_buffer_get_data(buffer, nullptr)));
  const int width = arv_buffer_get_image_width(buffer);
  const int height = arv_buffer_get_image_height(buffer);
  const std::uint64_t id = arv_buffer_get_frame_id(buffer);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) data[static_cast<std::size_t>(y) * width + x] = FakePattern(x, y, id);
  }
}

}  // namespace ecocam::testing
