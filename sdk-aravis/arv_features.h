// GenICam features by name. Cameras name the same quantity differently
// (ExposureTime or ExposureTimeAbs, Gain or GainRaw), so every helper takes
// the candidate names in order of preference, standard name first, and uses
// the first the camera offers. Numeric helpers accept float and integer
// features alike. Results are the backend's codes: kFeatureMissing when the
// camera offers none of the names, kCameraError when it refused.
//
// The caller holds the camera's mutex.
#pragma once

#include <arv.h>

#include <initializer_list>

namespace arvsdk {

using Names = std::initializer_list<const char*>;

// A feature none of whose names the camera offers gives kFeatureMissing,
// logged once per connection. Forgets what `camera` was found to lack
// (when its connection closes).
void ForgetMissing(ArvCamera* camera);

// The first of `names` the camera offers, or null.
const char* Offered(ArvCamera* camera, Names names);

int SetNumber(ArvCamera* camera, Names names, double value);
int GetNumber(ArvCamera* camera, Names names, double* value);
int GetBounds(ArvCamera* camera, Names names, double* min, double* max);
// The step between valid values; 0 when the feature has none.
int GetIncrement(ArvCamera* camera, Names names, double* increment);

// Sets an enumeration to `entry` (kOutOfRange when it has no such entry).
int SetEnumeration(ArvCamera* camera, Names names, const char* entry);
int GetEnumeration(ArvCamera* camera, Names names, const char** entry);
// True when the first offered enumeration of `names` has `entry`.
bool HasEntry(ArvCamera* camera, Names names, const char* entry);

int SetBoolean(ArvCamera* camera, Names names, bool value);
int Execute(ArvCamera* camera, Names names);

}  // namespace arvsdk
