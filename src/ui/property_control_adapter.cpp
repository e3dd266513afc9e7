// The control adapters. They run on the dialog's user-interface thread.
#include "ui/property_control_adapter.h"

#include <stdexcept>

#include <boost/any.hpp>

#include "params/param_names.h"

namespace ecocam::ui {

namespace {

// The parameter as the exact class P, else the bad_cast that names it.
template <typename P>
P& As(Param_& parameter) {
  auto* typed = dynamic_cast<P*>(&parameter);
  if (typed == nullptr) throw WrongParameterType(parameter.name());
  return *typed;
}

template <typename P>
const P& As(const Param_& parameter) {
  return As<P>(const_cast<Param_&>(parameter));
}

// A text attribute, or the empty text when absent or not a text.
std::string TextAttribute(const Param_& parameter, const char* key) {
  if (!parameter.has_attribute(key)) return std::string();
  const boost::any value = parameter.get_attribute(key);
  if (const auto* text = boost::any_cast<std::string>(&value)) return *text;
  if (const auto* text = boost::any_cast<const char*>(&value)) {
    if (*text != nullptr) return *text;
  }
  return std::string();
}

[[noreturn]] void ThrowSetFailed(const Param_& parameter) {
  throw std::runtime_error("Failed to set control '" + parameter.name() + "' value");
}

[[noreturn]] void ThrowGetFailed(const Param_& parameter) {
  throw std::runtime_error("Failed to get control '" + parameter.name() + "' value");
}

// Read and write of a text parameter (ParamEnum included).
std::string TextOf(const Param_& parameter) { return As<Param<std::string>>(parameter).value(); }

void SetText(Param_& parameter, const std::string& value) {
  As<Param<std::string>>(parameter).set_val<std::string>(value);
}

void SetTextItem(Param_& parameter, CPropertyGrid& grid, int item, const std::string& value) {
  if (!grid.SetItemValue(item, value)) ThrowSetFailed(parameter);
}

std::string GetTextItem(const Param_& parameter, const CPropertyGrid& grid, int item) {
  std::string value;
  if (!grid.GetItemValue(item, value)) ThrowGetFailed(parameter);
  return value;
}

}  // namespace

PropertyControlAdapter::~PropertyControlAdapter() = default;

// --- Bool

bool PropertyControlAdapterBool::GetValue(const Param_& parameter) { return As<Param<bool>>(parameter).value(); }

void PropertyControlAdapterBool::SetValue(Param_& parameter, bool value) {
  As<Param<bool>>(parameter).set_val<bool>(value);
}

int PropertyControlAdapterBool::CreateControl(Param_& parameter, CPropertyGrid& grid, int section) {
  return grid.AddBoolItem(section, parameter.name(), GetValue(parameter), parameter.enabled());
}

void PropertyControlAdapterBool::SetControlValue(Param_& parameter, CPropertyGrid& grid, int item) {
  if (!grid.SetItemValue(item, GetValue(parameter))) ThrowSetFailed(parameter);
}

void PropertyControlAdapterBool::GetControlValue(Param_& parameter, CPropertyGrid& grid, int item) {
  As<Param<bool>>(parameter);  // the type is checked before the grid is asked
  bool value = false;
  if (!grid.GetItemValue(item, value)) ThrowGetFailed(parameter);
  SetValue(parameter, value);
}

// --- Int<T>

template <typename T>
T PropertyControlAdapterInt<T>::GetValue(const Param_& parameter) {
  return As<Param<T>>(parameter).value();
}

template <typename T>
void PropertyControlAdapterInt<T>::SetValue(Param_& parameter, T value) {
  As<Param<T>>(parameter).template set_val<T>(value);
}

template <typename T>
int PropertyControlAdapterInt<T>::CreateControl(Param_& parameter, CPropertyGrid& grid, int section) {
  const T value = GetValue(parameter);
  return grid.AddIntegerItem(section, parameter.name(), value, TextAttribute(parameter, kAttributeFormat),
                             parameter.enabled());
}

template <typename T>
void PropertyControlAdapterInt<T>::SetControlValue(Param_& parameter, CPropertyGrid& grid, int item) {
  if (!grid.SetItemValue(item, GetValue(parameter))) ThrowSetFailed(parameter);
}

template <typename T>
void PropertyControlAdapterInt<T>::GetControlValue(Param_& parameter, CPropertyGrid& grid, int item) {
  As<Param<T>>(parameter);
  T value{};
  if (!grid.GetItemValue(item, value)) ThrowGetFailed(parameter);
  SetValue(parameter, value);
}

template class PropertyControlAdapterInt<int>;
template class PropertyControlAdapterInt<unsigned int>;
template class PropertyControlAdapterInt<long long>;

// --- Float

double PropertyControlAdapterFloat::GetValue(const Param_& parameter) { return As<Param<double>>(parameter).value(); }

void PropertyControlAdapterFloat::SetValue(Param_& parameter, double value) {
  As<Param<double>>(parameter).set_val<double>(value);
}

int PropertyControlAdapterFloat::CreateControl(Param_& parameter, CPropertyGrid& grid, int section) {
  const double value = GetValue(parameter);
  return grid.AddDoubleItem(section, parameter.name(), value, TextAttribute(parameter, kAttributeFormat),
                            parameter.enabled());
}

void PropertyControlAdapterFloat::SetControlValue(Param_& parameter, CPropertyGrid& grid, int item) {
  if (!grid.SetItemValue(item, GetValue(parameter))) ThrowSetFailed(parameter);
}

void PropertyControlAdapterFloat::GetControlValue(Param_& parameter, CPropertyGrid& grid, int item) {
  As<Param<double>>(parameter);
  double value = 0.0;
  if (!grid.GetItemValue(item, value)) ThrowGetFailed(parameter);
  SetValue(parameter, value);
}

// --- String

std::string PropertyControlAdapterString::GetValue(const Param_& parameter) { return TextOf(parameter); }

void PropertyControlAdapterString::SetValue(Param_& parameter, const std::string& value) { SetText(parameter, value); }

int PropertyControlAdapterString::CreateControl(Param_& parameter, CPropertyGrid& grid, int section) {
  return grid.AddStringItem(section, parameter.name(), GetValue(parameter), parameter.enabled());
}

void PropertyControlAdapterString::SetControlValue(Param_& parameter, CPropertyGrid& grid, int item) {
  SetTextItem(parameter, grid, item, GetValue(parameter));
}

void PropertyControlAdapterString::GetControlValue(Param_& parameter, CPropertyGrid& grid, int item) {
  TextOf(parameter);
  SetValue(parameter, GetTextItem(parameter, grid, item));
}

// --- File

std::string PropertyControlAdapterFile::GetValue(const Param_& parameter) { return TextOf(parameter); }

int PropertyControlAdapterFile::CreateControl(Param_& parameter, CPropertyGrid& grid, int section) {
  const std::string path = GetValue(parameter);
  std::string label = TextAttribute(parameter, kAttributeFriendlyName);
  if (label.empty()) label = parameter.name();
  return grid.AddFileItem(section, label, path, kFilter, parameter.enabled());
}

// --- Enum

const ParamEnum& PropertyControlAdapterEnum::GetEnum(const Param_& parameter) { return As<ParamEnum>(parameter); }

std::string PropertyControlAdapterEnum::GetValue(const Param_& parameter) { return GetEnum(parameter).value(); }

void PropertyControlAdapterEnum::SetValue(Param_& parameter, const std::string& value) {
  As<ParamEnum>(parameter).set_val<std::string>(value);
}

int PropertyControlAdapterEnum::CreateControl(Param_& parameter, CPropertyGrid& grid, int section) {
  const ParamEnum& options = GetEnum(parameter);
  const long long current = options.currEnumVal();
  int selected = 0;
  for (std::size_t i = 0; i < options.values().size(); ++i) {
    if (options.values()[i] == current) {
      selected = static_cast<int>(i);
      break;
    }
  }
  return grid.AddComboItem(section, parameter.name(), options.labels(), selected, parameter.enabled());
}

void PropertyControlAdapterEnum::SetControlValue(Param_& parameter, CPropertyGrid& grid, int item) {
  SetTextItem(parameter, grid, item, GetValue(parameter));
}

void PropertyControlAdapterEnum::GetControlValue(Param_& parameter, CPropertyGrid& grid, int item) {
  GetEnum(parameter);
  SetValue(parameter, GetTextItem(parameter, grid, item));
}

}  // namespace ecocam::ui
