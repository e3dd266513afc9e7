// The parameter set of one camera: the 36 parameters of the catalogue in
// creation order, found by name, stored in the camera's INI section.
//
// The set is a value type: the configuration dialog edits a copy and assigns
// it back. It takes no lock; its owner keeps readers and writers apart.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>

#include <boost/ptr_container/ptr_vector.hpp>

#include "driver/driver_context.h"
#include "params/camera_info.h"
#include "params/param.h"
#include "params/param_names.h"
#include "params/param_types.h"
#include "params/push_target.h"
#include "sdk/sdk_types.h"

namespace ecocam {

class CameraParameters {
 public:
  // The result code (0: success) of the SDK setter each named parameter went
  // through in a push, by parameter name. A parameter whose step called no
  // setter has no entry.
  using PushResults = std::map<std::string, int>;
  using ParamList = boost::ptr_vector<Param_>;
  using iterator = ParamList::iterator;
  using const_iterator = ParamList::const_iterator;

  // Copies `info` and builds the whole catalogue.
  explicit CameraParameters(const CameraInfo& info);
  // Deep copies: every parameter is cloned, enumerated options included.
  CameraParameters(const CameraParameters& other);
  CameraParameters& operator=(const CameraParameters& other);
  ~CameraParameters();

  // The named parameter; logs and throws std::runtime_error when missing.
  Param_& Get(const std::string& name);
  const Param_& Get(const std::string& name) const;
  // The named parameter, or null (logged) when missing.
  Param_* GetParam(const std::string& name);
  const Param_* GetParam(const std::string& name) const;
  // Whether the name exists; logs nothing.
  bool Has(const std::string& name) const;
  // Takes ownership. A null parameter is ignored; one whose name exists
  // already is destroyed and the existing one kept.
  void Add(std::unique_ptr<Param_> parameter);

  // The named parameter as the derived type P (for example ParamEnum). A
  // missing name or another type is logged and yields a process-wide dummy
  // named "dummy" that belongs to no set.
  template <typename P>
  P& GetParameter(const std::string& name);

  // The parameters in creation order.
  iterator begin() { return _params.begin(); }
  iterator end() { return _params.end(); }
  const_iterator begin() const { return _params.begin(); }
  const_iterator end() const { return _params.end(); }
  std::size_t size() const { return _params.size(); }

  const CameraInfo& Info() const { return _cameraInfo; }

  // Fills the set from the camera's section of the driver's INI file.
  bool Load();
  // Writes the set to the camera's section of the driver's INI file. False,
  // with a level-1 line, when a key cannot be written (a read-only file);
  // the keys after it are then not tried.
  bool Save();

  // Reads the open camera's limits into the minima, maxima and steps of the
  // sizes, timing, gain and strobe parameters. `port` is for the log only.
  void SetRange(sdk::CameraHandle camera, int port);
  // Derives the enabled flags and checks binning, area of interest, ranges
  // and steps. False with `message` set at the first problem (some problems
  // also reset the offending values). Throws std::runtime_error when the set
  // has no enumerated Binning parameter.
  bool Validate(std::string& message);

  // Writes the named parameters to the open camera, in the fixed order of
  // the camera's features. False when a step that must not fail failed.
  // With `results`, each setter's result code is recorded there.
  bool PushToCamera(const PushTarget& camera, sdk::CameraHandle handle, const std::set<std::string>& names,
                    PushResults* results = nullptr);
  // The sequence itself: false when the lookup table failed; throws
  // std::runtime_error when the pixel depth could not be set.
  bool PushToCamera_go(const PushTarget& camera, sdk::CameraHandle handle, const std::set<std::string>& names,
                       PushResults* results = nullptr);
  // Sends the lookup table of the file `LUTtable`, column `LUTtableRow`,
  // when `UseLUT` is on. Never throws.
  bool Push_LUT(sdk::CameraHandle handle);

 private:
  // Creates the catalogue's parameters on an empty set.
  void CreateParameters();
  Param_* Find(const std::string& name) const;
  void RebuildIndex();

  template <typename P>
  static P& Dummy();

  ParamList _params;
  std::map<std::string, Param_*> _index;  // points into _params
  CameraInfo _cameraInfo;
};

template <typename P>
P& CameraParameters::Dummy() {
  // Created on first use; never added to a set.
  static P dummy = [] {
    using V = typename P::value_type;
    if constexpr (std::is_same_v<V, std::string>) {
      return P("dummy", "dummy", "dummy");
    } else {
      return P("dummy", "dummy", V());
    }
  }();
  return dummy;
}

template <typename P>
P& CameraParameters::GetParameter(const std::string& name) {
  Param_* found = Find(name);
  if (found == nullptr) {
    ECOCAM_LOG(1, "GetParameter ERROR: parameter " + name + " not found");
    return Dummy<P>();
  }
  P* typed = dynamic_cast<P*>(found);
  if (typed == nullptr) {
    ECOCAM_LOG(1, "GetParameter ERROR: could not cast parameter " + name + " to required type");
    return Dummy<P>();
  }
  return *typed;
}

}  // namespace ecocam
