// The common part of every parameter: fields, flags, attributes and the log
// lines of the typed access.
#include "params/param.h"

#include <stdexcept>

#include <boost/format.hpp>

#include "driver/driver_context.h"
#include "params/param_types.h"

namespace ecocam {

Param_::Param_(const std::string& section, const std::string& name) : _name(name), _section(section) {}

Param_::~Param_() = default;

void Param_::assign(const Param_& other) {
  _name = other._name;
  _section = other._section;
  _enabled = other._enabled;
  _general = other._general;
  _persistent = other._persistent;
  _visible = other._visible;
  _description = other._description;
  _attributes = other._attributes;
}

void Param_::set_attribute(const std::string& key, const boost::any& value) { _attributes[key] = value; }

bool Param_::has_attribute(const std::string& key) const { return _attributes.find(key) != _attributes.end(); }

boost::any Param_::get_attribute(const std::string& key) const {
  const auto found = _attributes.find(key);
  if (found != _attributes.end()) return found->second;
  const std::string message = (boost::format("Parameter %s does not have option %s") % _name % key).str();
  ECOCAM_LOG(1, message);
  throw std::out_of_range(message);
}

long long Param_::currEnumVal() const {
  if (const auto* e = dynamic_cast<const ParamEnum*>(this)) return e->value_of(e->value());
  const std::string message = "Param_::currEnumVal: ERROR: Not ParamEnum type, name= " + _name;
  ECOCAM_LOG(1, message);
  throw std::runtime_error(message);
}

void Param_::LogReadFailure(const char* suffix) const noexcept {
  try {
    ECOCAM_LOG(1, "ERROR: get_val_step2 failed, param=" + _name + suffix);
  } catch (...) {
    // Out of memory while composing the line: the read still fails quietly.
  }
}

void Param_::LogWriteFailure(const char* suffix) const noexcept {
  try {
    ECOCAM_LOG(1, "ERROR: set_val_step2 failed, param=" + _name + suffix);
  } catch (...) {
  }
}

void Param_::LogWriteFailureValue(const std::string& value) const noexcept {
  try {
    ECOCAM_LOG(1, "ERROR: set_val_step2 failed, param=" + _name + ", value= " + value);
  } catch (...) {
  }
}

}  // namespace ecocam
