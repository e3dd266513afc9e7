// The simulated camera's image geometry and image processing settings: the
// imager, binning and area of interest, pixel depth and type, gamma, the
// low-pass filter, the lookup table, and the I/O assignment. All need an open
// connection.
#include <algorithm>

#include "sim_impl.h"

namespace simsdk {

namespace {

constexpr int kPixelDepth8 = 0;
constexpr int kPixelDepth12 = 2;
constexpr int kTriggerInputSignal = 6;
constexpr int kSourceNone = 1;

// Horizontal and vertical binning factors of binning modes 0 to 3.
int BinningX(int mode) { return mode == 1 || mode == 3 ? 2 : 1; }
int BinningY(int mode) { return mode == 2 || mode == 3 ? 2 : 1; }

bool IsIoSource(int source) {
  return source == 1 || source == 2 || source == 4 || source == 8 || source == 16 || source == 64 || source == 128 ||
         source == 256;
}

}  // namespace

ECOCAM_SDK_DEFINE(int, Camera_getImagerWidth)(CameraHandle camera, int* imagerWidth) {
  return WithConnectedCamera(camera, [&](SimCamera& c) { return Report(imagerWidth, c.model.imagerWidth); });
}
ECOCAM_SDK_DEFINE(int, Camera_getImagerHeight)(CameraHandle camera, int* imagerHeight) {
  return WithConnectedCamera(camera, [&](SimCamera& c) { return Report(imagerHeight, c.model.imagerHeight); });
}

// The size of the frames the camera sends: the area of interest over the
// binning factors.
ECOCAM_SDK_DEFINE(int, Camera_getSizeX)(CameraHandle camera, int* sizeX) {
  return WithConnectedCamera(
      camera, [&](SimCamera& c) { return Report(sizeX, c.settings.aoiWidth / BinningX(c.settings.binningMode)); });
}
ECOCAM_SDK_DEFINE(int, Camera_getSizeY)(CameraHandle camera, int* sizeY) {
  return WithConnectedCamera(
      camera, [&](SimCamera& c) { return Report(sizeY, c.settings.aoiHeight / BinningY(c.settings.binningMode)); });
}

// The pixel type of the frames: Mono12Packed for a monochrome camera at 12
// bits, otherwise the camera's own.
ECOCAM_SDK_DEFINE(int, Camera_getPixelType)(CameraHandle camera, int* pixelType) {
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    const bool packed = !c.model.color && c.settings.pixelDepth == kPixelDepth12;
    return Report(pixelType, packed ? kPixelTypeMono12Packed : c.model.pixelType);
  });
}

ECOCAM_SDK_DEFINE(int, Camera_setBinningMode)(CameraHandle camera, int binningMode) {
  return WithConnectedCamera(camera,
                             [&](SimCamera& c) { return StoreInRange(c.settings.binningMode, binningMode, 0, 3); });
}
ECOCAM_SDK_DEFINE(int, Camera_getBinningMode)(CameraHandle camera, int* binningMode) {
  return GetSetting(camera, binningMode, &CameraSettings::binningMode);
}

// A non-empty area that lies wholly on the imager.
ECOCAM_SDK_DEFINE(int, Camera_setAreaOfInterest)(CameraHandle camera, int sizeX, int sizeY, int offsetX, int offsetY) {
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    const long long right = static_cast<long long>(offsetX) + sizeX;
    const long long bottom = static_cast<long long>(offsetY) + sizeY;
    if (sizeX < 1 || sizeY < 1 || offsetX < 0 || offsetY < 0 || right > c.model.imagerWidth ||
        bottom > c.model.imagerHeight) {
      return kOutOfRange;
    }
    c.settings.aoiWidth = sizeX;
    c.settings.aoiHeight = sizeY;
    c.settings.aoiOffsetX = offsetX;
    c.settings.aoiOffsetY = offsetY;
    return kOk;
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getAreaOfInterest)
(CameraHandle camera, int* sizeX, int* sizeY, int* offsetX, int* offsetY) {
  if (sizeX == nullptr || sizeY == nullptr || offsetX == nullptr || offsetY == nullptr) return kNullArgument;
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    *sizeX = c.settings.aoiWidth;
    *sizeY = c.settings.aoiHeight;
    *offsetX = c.settings.aoiOffsetX;
    *offsetY = c.settings.aoiOffsetY;
    return kOk;
  });
}

// 0 is 8 bit; a monochrome camera also offers 2, 12 bit.
ECOCAM_SDK_DEFINE(int, Camera_setPixelDepth)(CameraHandle camera, int pixelDepth) {
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    if (pixelDepth != kPixelDepth8 && (c.model.color || pixelDepth != kPixelDepth12)) return kOutOfRange;
    c.settings.pixelDepth = pixelDepth;
    return kOk;
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getPixelDepth)(CameraHandle camera, int* pixelDepth) {
  return GetSetting(camera, pixelDepth, &CameraSettings::pixelDepth);
}

ECOCAM_SDK_DEFINE(int, Camera_setGammaCorrection)(CameraHandle camera, float gammaCorrection) {
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    return StoreFloat(c, c.settings.gamma, gammaCorrection,
                      FloatRange{c.model.limits.gammaMin, c.model.limits.gammaMax});
  });
}

ECOCAM_SDK_DEFINE(int, Camera_setLowpassFilter)(CameraHandle camera, int lowpassFilter) {
  return WithConnectedCamera(camera,
                             [&](SimCamera& c) { return StoreInRange(c.settings.lowpassFilter, lowpassFilter, 0, 1); });
}
ECOCAM_SDK_DEFINE(int, Camera_getLowpassFilter)(CameraHandle camera, int* lowpassFilter) {
  return GetSetting(camera, lowpassFilter, &CameraSettings::lowpassFilter);
}

// Lookup-table modes 0 (off) to 2.
ECOCAM_SDK_DEFINE(int, Camera_setLookupTableMode)(CameraHandle camera, int lutMode) {
  return WithConnectedCamera(camera,
                             [&](SimCamera& c) { return StoreInRange(c.settings.lookupTableMode, lutMode, 0, 2); });
}
ECOCAM_SDK_DEFINE(int, Camera_getLookupTableMode)(CameraHandle camera, int* lutMode) {
  return GetSetting(camera, lutMode, &CameraSettings::lookupTableMode);
}

// Reads exactly `entryCount` ints from `table`. The camera's table has
// kLookupTableSize entries of 0 to 255; anything else is refused whole.
ECOCAM_SDK_DEFINE(int, Camera_setLookupTable)(CameraHandle camera, const int* table, int entryCount) {
  if (table == nullptr) return kNullArgument;
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    if (entryCount != kLookupTableSize) return kOutOfRange;
    const bool valid = std::all_of(table, table + entryCount, [](int v) { return v >= 0 && v <= 255; });
    if (!valid) return kOutOfRange;
    c.settings.lookupTable.assign(table, table + entryCount);
    return kOk;
  });
}
// Writes the camera's table (an identity scaled to 8 bit until one is set).
ECOCAM_SDK_DEFINE(int, Camera_getLookupTable)(CameraHandle camera, int* table, int entryCount) {
  if (table == nullptr) return kNullArgument;
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    if (entryCount != kLookupTableSize) return kOutOfRange;
    const auto& stored = c.settings.lookupTable;
    for (int i = 0; i < entryCount; ++i) table[i] = stored.empty() ? i >> 4 : stored[i];
    return kOk;
  });
}

// Signals 1 to 3 are the outputs, 4 the serial transmit line, 5 and 6 inputs
// (6 the trigger). Sources are single bits; the fixed levels 128 and 256
// drive outputs only.
ECOCAM_SDK_DEFINE(int, Camera_setIOAssignment)(CameraHandle camera, int ioSignal, int ioSource) {
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    if (ioSignal < 1 || ioSignal > kTriggerInputSignal || !IsIoSource(ioSource)) return kOutOfRange;
    if (ioSignal >= 5 && ioSource > 64) return kOutOfRange;
    c.settings.ioAssignment[ioSignal] = ioSource;
    return kOk;
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getIOAssignment)(CameraHandle camera, int ioSignal, int* ioSource) {
  return WithConnectedCamera(camera, [&](SimCamera& c) {
    if (ioSignal < 1 || ioSignal > kTriggerInputSignal) return kOutOfRange;
    const auto it = c.settings.ioAssignment.find(ioSignal);
    return Report(ioSource, it == c.settings.ioAssignment.end() ? kSourceNone : it->second);
  });
}

}  // namespace simsdk
