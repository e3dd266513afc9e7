// Image geometry (imager, binning, area of interest), pixel format, and the
// image processing features some cameras have (gamma, low-pass filter,
// lookup table).
#include <cmath>

#include "arv_features.h"
#include "arv_impl.h"

namespace arvsdk {

namespace {

constexpr int kPixelDepth8 = 0;
constexpr int kPixelDepth12 = 2;

int BinningX(int mode) { return mode == 1 || mode == 3 ? 2 : 1; }
int BinningY(int mode) { return mode == 2 || mode == 3 ? 2 : 1; }

int GetInt(CameraHandle camera, Names names, int* out) {
  if (out == nullptr) return kNullArgument;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    double value = 0.0;
    const int rc = GetNumber(e.camera, names, &value);
    if (rc == kOk) *out = static_cast<int>(std::lround(value));
    return rc;
  });
}

}  // namespace

// The whole sensor: SensorWidth, or WidthMax on cameras without it.
ECOCAM_SDK_DEFINE(int, Camera_getImagerWidth)(CameraHandle camera, int* imagerWidth) {
  return GetInt(camera, {"SensorWidth", "WidthMax"}, imagerWidth);
}
ECOCAM_SDK_DEFINE(int, Camera_getImagerHeight)(CameraHandle camera, int* imagerHeight) {
  return GetInt(camera, {"SensorHeight", "HeightMax"}, imagerHeight);
}
// The size of the frames the camera sends.
ECOCAM_SDK_DEFINE(int, Camera_getSizeX)(CameraHandle camera, int* sizeX) { return GetInt(camera, {"Width"}, sizeX); }
ECOCAM_SDK_DEFINE(int, Camera_getSizeY)(CameraHandle camera, int* sizeY) { return GetInt(camera, {"Height"}, sizeY); }

// Aravis's pixel format numbers are the GigE Vision codes.
ECOCAM_SDK_DEFINE(int, Camera_getPixelType)(CameraHandle camera, int* pixelType) {
  return GetInt(camera, {"PixelFormat"}, pixelType);
}

// Modes 0 to 3: none, horizontal, vertical, both, each by a factor of 2.
// A camera without binning features takes mode 0 as it is.
ECOCAM_SDK_DEFINE(int, Camera_setBinningMode)(CameraHandle camera, int binningMode) {
  if (binningMode < 0 || binningMode > 3) return kOutOfRange;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    int rc = SetNumber(e.camera, {"BinningHorizontal"}, BinningX(binningMode));
    if (rc == kOk) rc = SetNumber(e.camera, {"BinningVertical"}, BinningY(binningMode));
    if (rc == kFeatureMissing && binningMode == 0) rc = kOk;
    if (rc == kOk) e.binningMode = binningMode;
    return rc;
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getBinningMode)(CameraHandle camera, int* binningMode) {
  if (binningMode == nullptr) return kNullArgument;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    *binningMode = e.binningMode;
    return kOk;
  });
}

// The area in sensor pixels. GenICam counts Width, Height and the offsets
// after binning, so they are divided by the binning factors. The offsets go
// to 0 first, so the new size always fits, and are set last.
ECOCAM_SDK_DEFINE(int, Camera_setAreaOfInterest)(CameraHandle camera, int sizeX, int sizeY, int offsetX, int offsetY) {
  if (sizeX < 1 || sizeY < 1 || offsetX < 0 || offsetY < 0) return kOutOfRange;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    const int bx = BinningX(e.binningMode);
    const int by = BinningY(e.binningMode);
    for (const char* name : {"OffsetX", "OffsetY"}) {
      const int rc = SetNumber(e.camera, {name}, 0);
      if (rc != kOk && rc != kFeatureMissing) return rc;
    }
    int rc = SetNumber(e.camera, {"Width"}, sizeX / bx);
    if (rc == kOk) rc = SetNumber(e.camera, {"Height"}, sizeY / by);
    if (rc == kOk && offsetX != 0) rc = SetNumber(e.camera, {"OffsetX"}, offsetX / bx);
    if (rc == kOk && offsetY != 0) rc = SetNumber(e.camera, {"OffsetY"}, offsetY / by);
    return rc;
  });
}
ECOCAM_SDK_DEFINE(int, Camera_getAreaOfInterest)
(CameraHandle camera, int* sizeX, int* sizeY, int* offsetX, int* offsetY) {
  if (sizeX == nullptr || sizeY == nullptr || offsetX == nullptr || offsetY == nullptr) return kNullArgument;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    double v[4] = {0.0, 0.0, 0.0, 0.0};
    const char* names[4] = {"Width", "Height", "OffsetX", "OffsetY"};
    for (int i = 0; i < 4; ++i) {
      const int rc = GetNumber(e.camera, {names[i]}, &v[i]);
      if (rc != kOk && !(rc == kFeatureMissing && i >= 2)) return rc;
    }
    *sizeX = static_cast<int>(v[0]) * BinningX(e.binningMode);
    *sizeY = static_cast<int>(v[1]) * BinningY(e.binningMode);
    *offsetX = static_cast<int>(v[2]) * BinningX(e.binningMode);
    *offsetY = static_cast<int>(v[3]) * BinningY(e.binningMode);
    return kOk;
  });
}

// 0 is 8 bit: Mono8 on a monochrome camera, on a colour camera its Bayer
// format (the one it has, or the first it offers). 2 is 12 bit, Mono12Packed,
// monochrome cameras only.
ECOCAM_SDK_DEFINE(int, Camera_setPixelDepth)(CameraHandle camera, int pixelDepth) {
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    if (pixelDepth == kPixelDepth12) {
      return e.color ? kOutOfRange : SetEnumeration(e.camera, {"PixelFormat"}, "Mono12Packed");
    }
    if (pixelDepth != kPixelDepth8) return kOutOfRange;
    if (!e.color) return SetEnumeration(e.camera, {"PixelFormat"}, "Mono8");
    double current = 0.0;
    if (GetNumber(e.camera, {"PixelFormat"}, &current) == kOk && IsBayer8(static_cast<int>(current))) return kOk;
    for (const char* bayer : {"BayerGR8", "BayerRG8", "BayerGB8", "BayerBG8"}) {
      if (HasEntry(e.camera, {"PixelFormat"}, bayer)) return SetEnumeration(e.camera, {"PixelFormat"}, bayer);
    }
    return kOutOfRange;
  });
}

ECOCAM_SDK_DEFINE(int, Camera_setGammaCorrection)(CameraHandle camera, float gammaCorrection) {
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    const char* enable = Offered(e.camera, {"GammaEnable", "GammaEnabled"});
    if (enable != nullptr) SetBoolean(e.camera, {enable}, true);
    return SetNumber(e.camera, {"Gamma"}, gammaCorrection);
  });
}

// 0 off, 1 on. Off on a camera without the filter needs nothing done.
ECOCAM_SDK_DEFINE(int, Camera_setLowpassFilter)(CameraHandle camera, int lowpassFilter) {
  if (lowpassFilter != 0 && lowpassFilter != 1) return kOutOfRange;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    const int rc = SetBoolean(e.camera, {"LowPassFilter", "LowpassFilter"}, lowpassFilter == 1);
    return rc == kFeatureMissing && lowpassFilter == 0 ? kOk : rc;
  });
}

// 0 off; 1 and 2 switch the camera's lookup table on.
ECOCAM_SDK_DEFINE(int, Camera_setLookupTableMode)(CameraHandle camera, int lutMode) {
  if (lutMode < 0 || lutMode > 2) return kOutOfRange;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    const int rc = SetBoolean(e.camera, {"LUTEnable"}, lutMode != 0);
    return rc == kFeatureMissing && lutMode == 0 ? kOk : rc;
  });
}

// Writes the table entry by entry through LUTIndex and LUTValue.
ECOCAM_SDK_DEFINE(int, Camera_setLookupTable)(CameraHandle camera, const int* table, int entryCount) {
  if (table == nullptr) return kNullArgument;
  if (entryCount < 1) return kOutOfRange;
  return WithOpenCamera(camera, [&](CameraEntry& e) {
    if (Offered(e.camera, {"LUTIndex"}) == nullptr || Offered(e.camera, {"LUTValue"}) == nullptr) {
      return kFeatureMissing;
    }
    for (int i = 0; i < entryCount; ++i) {
      int rc = SetNumber(e.camera, {"LUTIndex"}, i);
      if (rc == kOk) rc = SetNumber(e.camera, {"LUTValue"}, table[i]);
      if (rc != kOk) return rc;
    }
    return kOk;
  });
}

}  // namespace arvsdk
