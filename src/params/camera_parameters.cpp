// The parameter set: ownership, lookup by name and deep copies.
#include "params/camera_parameters.h"

#include <stdexcept>

namespace ecocam {

CameraParameters::CameraParameters(const CameraInfo& info) : _cameraInfo(info) { CreateParameters(); }

CameraParameters::CameraParameters(const CameraParameters& other) : _cameraInfo(other._cameraInfo) {
  // The same result as building the catalogue and assigning: every
  // parameter of the source, cloned in order.
  for (const Param_& p : other._params) _params.push_back(p.clone().release());
  RebuildIndex();
}

CameraParameters& CameraParameters::operator=(const CameraParameters& other) {
  // Clone first, so a failure leaves this set as it was (and assigning a
  // set to itself works).
  ParamList cloned;
  for (const Param_& p : other._params) cloned.push_back(p.clone().release());
  std::map<std::string, Param_*> index;
  for (Param_& p : cloned) index.emplace(p.name(), &p);
  CameraInfo info = other._cameraInfo;
  _params.swap(cloned);  // the old parameters are deleted with `cloned`
  _index.swap(index);
  _cameraInfo = std::move(info);
  return *this;
}

CameraParameters::~CameraParameters() = default;

Param_* CameraParameters::Find(const std::string& name) const {
  const auto found = _index.find(name);
  return found != _index.end() ? found->second : nullptr;
}

void CameraParameters::RebuildIndex() {
  _index.clear();
  for (Param_& p : _params) _index.emplace(p.name(), &p);
}

Param_& CameraParameters::Get(const std::string& name) {
  if (Param_* p = Find(name)) return *p;
  const std::string message = "CameraParameters::Get: Parameter '" + name + "' does not exist";
  ECOCAM_LOG(1, message);
  throw std::runtime_error(message);
}

const Param_& CameraParameters::Get(const std::string& name) const {
  return const_cast<CameraParameters*>(this)->Get(name);
}

Param_* CameraParameters::GetParam(const std::string& name) {
  if (Param_* p = Find(name)) return p;
  ECOCAM_LOG(1, "CameraParameters::GetParam: Parameter '" + name + "' does not exist");
  return nullptr;
}

const Param_* CameraParameters::GetParam(const std::string& name) const {
  return const_cast<CameraParameters*>(this)->GetParam(name);
}

bool CameraParameters::Has(const std::string& name) const { return Find(name) != nullptr; }

void CameraParameters::Add(std::unique_ptr<Param_> parameter) {
  if (!parameter || Has(parameter->name())) return;  // a duplicate is destroyed here
  Param_* p = parameter.get();
  _params.push_back(parameter.release());
  try {
    _index.emplace(p->name(), p);
  } catch (...) {
    _params.pop_back();  // keep list and index in step
    throw;
  }
}

}  // namespace ecocam
