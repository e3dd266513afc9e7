// The forwarding functions. All but five are generated from the entry-point
// list: when the library is loaded and the row resolved, call it with the
// arguments unchanged; otherwise return the row's fallback. A loaded library
// whose row did not resolve also gives the fallback, never a call through a
// null address.
#include "sdk/sdk.h"
#include "sdk/sdk_function_table.h"

namespace ecocam::sdk {

// (The locals' odd names keep them apart from any parameter name.)
#define ECOCAM_SDK_FORWARD(row, ret, name, params, args, fallback)              \
  ret name params {                                                             \
    const SdkFunctionTable& sdkTable_ = SdkFunctionTable::Instance();           \
    if (!sdkTable_.IsLoaded()) return fallback;                                 \
    const name##_fn sdkFunction_ = sdkTable_.Function<name##_fn>(SdkRow::name); \
    if (sdkFunction_ == nullptr) return fallback;                               \
    return sdkFunction_ args;                                                   \
  }
#define ECOCAM_SDK_HAND_WRITTEN(row, ret, name, params, args, fallback)
ECOCAM_SDK_ENTRY_POINTS(ECOCAM_SDK_FORWARD, ECOCAM_SDK_HAND_WRITTEN)
#undef ECOCAM_SDK_FORWARD
#undef ECOCAM_SDK_HAND_WRITTEN

// Asks the SDK whether it is compatible with `expectedVersion`; writes its own
// version into `dllVersion`. Loads the library first when it is not loaded.
// -2 when it cannot be loaded or bound; otherwise the SDK's answer, 0 meaning
// compliant.
int isVersionCompliantDLL(SdkVersion* dllVersion, const SdkVersion* expectedVersion) {
  SdkFunctionTable& table = SdkFunctionTable::Instance();
  if (!table.IsLoaded() && !table.Load()) return kSdkNotLoaded;
  const auto function = table.Function<isVersionCompliantDLL_fn>(SdkRow::isVersionCompliantDLL);
  if (function == nullptr) return kSdkNotLoaded;
  return function(dllVersion, expectedVersion);
}

// Loads and binds the library (again, every time), checks that the SDK is
// version 1.4.23.52, then creates the container. -1 when loading, binding or
// the version check fails; otherwise the SDK's container handle.
CameraContainerHandle CameraContainer_create(int containerType) {
  SdkFunctionTable& table = SdkFunctionTable::Instance();
  if (!table.Load()) return kSdkLoadFailed;
  SdkVersion libraryVersion{};  // filled by the SDK, not needed afterwards
  if (isVersionCompliantDLL(&libraryVersion, &kRequiredSdkVersion) != 0) return kSdkLoadFailed;
  const auto function = table.Function<CameraContainer_create_fn>(SdkRow::CameraContainer_create);
  return function(containerType);
}

// Deletes the container, then unloads the library whatever the SDK answered,
// and returns the SDK's answer. -2 when the library is not loaded.
int CameraContainer_delete(CameraContainerHandle container) {
  SdkFunctionTable& table = SdkFunctionTable::Instance();
  if (!table.IsLoaded()) return kSdkNotLoaded;
  const auto function = table.Function<CameraContainer_delete_fn>(SdkRow::CameraContainer_delete);
  const int result = function != nullptr ? function(container) : kSdkNotLoaded;
  table.Unload();
  return result;
}

// The lookup-table mode under its newer name: both reach the SDK's
// Camera_setLookupTableMode / Camera_getLookupTableMode rows, which every SDK
// version has, rather than their own rows.
int Camera_setLUTMode(CameraHandle camera, int lutMode) {
  const SdkFunctionTable& table = SdkFunctionTable::Instance();
  if (!table.IsLoaded()) return kSdkNotLoaded;
  const auto function = table.Function<Camera_setLookupTableMode_fn>(SdkRow::Camera_setLookupTableMode);
  return function != nullptr ? function(camera, lutMode) : kSdkNotLoaded;
}

int Camera_getLUTMode(CameraHandle camera, int* lutMode) {
  const SdkFunctionTable& table = SdkFunctionTable::Instance();
  if (!table.IsLoaded()) return kSdkNotLoaded;
  const auto function = table.Function<Camera_getLookupTableMode_fn>(SdkRow::Camera_getLookupTableMode);
  return function != nullptr ? function(camera, lutMode) : kSdkNotLoaded;
}

}  // namespace ecocam::sdk
