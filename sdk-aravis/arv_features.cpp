#include "arv_features.h"

#include <cmath>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "arv_codes.h"
#include "arv_state.h"

namespace arvsdk {

namespace {

ArvGcNode* Node(ArvCamera* camera, const char* name) {
  return arv_device_get_feature(arv_camera_get_device(camera), name);
}

// kOk, or kCameraError with the failure logged (the GError is freed).
int Checked(GError* error, const char* what, const char* name) {
  if (error == nullptr) return kOk;
  Log(3, std::string("Aravis: ") + what + " " + name + " failed: " + TakeError(error));
  return kCameraError;
}

// The features each open connection was found to lack, so that each is
// reported once per open and not on every call.
std::mutex& MissingMutex() {
  static std::mutex mutex;
  return mutex;
}
std::map<ArvCamera*, std::set<std::string>>& MissingByCamera() {
  static std::map<ArvCamera*, std::set<std::string>> missing;
  return missing;
}

// kFeatureMissing, logged at level 1 the first time on this connection.
int Missing(ArvCamera* camera, Names names) {
  std::string list;
  for (const char* name : names) list += (list.empty() ? "" : " or ") + std::string(name);
  bool first = false;
  {
    std::lock_guard<std::mutex> lock(MissingMutex());
    first = MissingByCamera()[camera].insert(list).second;
  }
  if (first) {
    Log(1, "Aravis: WARNING: the camera has no feature " + list + ": not supported (code " +
               std::to_string(kFeatureMissing) + ")");
  }
  return kFeatureMissing;
}

}  // namespace

void ForgetMissing(ArvCamera* camera) {
  std::lock_guard<std::mutex> lock(MissingMutex());
  MissingByCamera().erase(camera);
}

const char* Offered(ArvCamera* camera, Names names) {
  for (const char* name : names) {
    GError* error = nullptr;
    const gboolean available = arv_camera_is_feature_available(camera, name, &error);
    if (error != nullptr) g_clear_error(&error);
    if (available) return name;
  }
  return nullptr;
}

int SetNumber(ArvCamera* camera, Names names, double value) {
  const char* name = Offered(camera, names);
  if (name == nullptr) return Missing(camera, names);
  if (!std::isfinite(value)) return kOutOfRange;
  GError* error = nullptr;
  if (ARV_IS_GC_INTEGER(Node(camera, name))) {
    arv_camera_set_integer(camera, name, std::llround(value), &error);
  } else {
    arv_camera_set_float(camera, name, value, &error);
  }
  return Checked(error, "setting", name);
}

int GetNumber(ArvCamera* camera, Names names, double* value) {
  if (value == nullptr) return kNullArgument;
  const char* name = Offered(camera, names);
  if (name == nullptr) return Missing(camera, names);
  GError* error = nullptr;
  double read = 0.0;
  if (ARV_IS_GC_INTEGER(Node(camera, name))) {
    read = static_cast<double>(arv_camera_get_integer(camera, name, &error));
  } else {
    read = arv_camera_get_float(camera, name, &error);
  }
  const int rc = Checked(error, "reading", name);
  if (rc == kOk) *value = read;
  return rc;
}

int GetBounds(ArvCamera* camera, Names names, double* min, double* max) {
  const char* name = Offered(camera, names);
  if (name == nullptr) return Missing(camera, names);
  GError* error = nullptr;
  double lo = 0.0;
  double hi = 0.0;
  if (ARV_IS_GC_INTEGER(Node(camera, name))) {
    gint64 a = 0;
    gint64 b = 0;
    arv_camera_get_integer_bounds(camera, name, &a, &b, &error);
    lo = static_cast<double>(a);
    hi = static_cast<double>(b);
  } else {
    arv_camera_get_float_bounds(camera, name, &lo, &hi, &error);
  }
  const int rc = Checked(error, "reading the bounds of", name);
  if (rc != kOk) return rc;
  if (min != nullptr) *min = lo;
  if (max != nullptr) *max = hi;
  return kOk;
}

int GetIncrement(ArvCamera* camera, Names names, double* increment) {
  if (increment == nullptr) return kNullArgument;
  const char* name = Offered(camera, names);
  if (name == nullptr) return Missing(camera, names);
  GError* error = nullptr;
  double step = 0.0;
  if (ARV_IS_GC_INTEGER(Node(camera, name))) {
    step = static_cast<double>(arv_camera_get_integer_increment(camera, name, &error));
  } else {
    step = arv_camera_get_float_increment(camera, name, &error);
  }
  // A feature without a declared step takes any value in its bounds.
  if (error != nullptr) {
    g_clear_error(&error);
    step = 0.0;
  }
  *increment = std::isfinite(step) && step > 0.0 ? step : 0.0;
  return kOk;
}

int SetEnumeration(ArvCamera* camera, Names names, const char* entry) {
  const char* name = Offered(camera, names);
  if (name == nullptr) return Missing(camera, names);
  if (!HasEntry(camera, {name}, entry)) return kOutOfRange;
  GError* error = nullptr;
  arv_camera_set_string(camera, name, entry, &error);
  return Checked(error, "setting", name);
}

int GetEnumeration(ArvCamera* camera, Names names, const char** entry) {
  if (entry == nullptr) return kNullArgument;
  const char* name = Offered(camera, names);
  if (name == nullptr) return Missing(camera, names);
  GError* error = nullptr;
  const char* value = arv_camera_get_string(camera, name, &error);
  const int rc = Checked(error, "reading", name);
  if (rc == kOk) *entry = value;
  return rc;
}

bool HasEntry(ArvCamera* camera, Names names, const char* entry) {
  const char* name = Offered(camera, names);
  if (name == nullptr) return false;
  GError* error = nullptr;
  const gboolean available = arv_camera_is_enumeration_entry_available(camera, name, entry, &error);
  if (error != nullptr) {
    g_clear_error(&error);
    return false;
  }
  return available;
}

int SetBoolean(ArvCamera* camera, Names names, bool value) {
  const char* name = Offered(camera, names);
  if (name == nullptr) return Missing(camera, names);
  GError* error = nullptr;
  arv_camera_set_boolean(camera, name, value ? TRUE : FALSE, &error);
  return Checked(error, "setting", name);
}

int Execute(ArvCamera* camera, Names names) {
  const char* name = Offered(camera, names);
  if (name == nullptr) return Missing(camera, names);
  GError* error = nullptr;
  arv_camera_execute_command(camera, name, &error);
  return Checked(error, "executing", name);
}

}  // namespace arvsdk
