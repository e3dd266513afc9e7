// The adapters between the parameter model and the grid's typed items: one
// stateless class per parameter type. An adapter creates the grid item for
// a parameter of its type and copies values between the two; it decides
// nothing about the parameter itself (validation is the page's business).
//
// Every operation checks the parameter's dynamic type and throws
// std::bad_cast ("Wrong parameter '<name>' type") for another one; a value
// the grid refuses throws std::runtime_error. CreateControl reports an item
// the grid refused only by returning -1.
#pragma once

#include <string>
#include <typeinfo>

#include "params/param.h"
#include "params/param_types.h"
#include "ui/property_grid.h"

namespace ecocam::ui {

// The std::bad_cast of a parameter of the wrong type, with a text that
// names it.
class WrongParameterType : public std::bad_cast {
 public:
  explicit WrongParameterType(const std::string& name) : _message("Wrong parameter '" + name + "' type") {}
  const char* what() const noexcept override { return _message.c_str(); }

 private:
  std::string _message;
};

class PropertyControlAdapter {
 public:
  virtual ~PropertyControlAdapter();
  // Adds the item for `parameter` to `section`; its handle, or -1.
  virtual int CreateControl(Param_& parameter, CPropertyGrid& grid, int section) = 0;
  // Copies the parameter's value into the item.
  virtual void SetControlValue(Param_& parameter, CPropertyGrid& grid, int item) = 0;
  // Copies the item's value into the parameter, unchecked.
  virtual void GetControlValue(Param_& parameter, CPropertyGrid& grid, int item) = 0;

 protected:
  PropertyControlAdapter() = default;
  PropertyControlAdapter(const PropertyControlAdapter&) = default;
  PropertyControlAdapter& operator=(const PropertyControlAdapter&) = default;
};

class PropertyControlAdapterBool : public PropertyControlAdapter {
 public:
  int CreateControl(Param_& parameter, CPropertyGrid& grid, int section) override;
  void SetControlValue(Param_& parameter, CPropertyGrid& grid, int item) override;
  void GetControlValue(Param_& parameter, CPropertyGrid& grid, int item) override;

 private:
  static bool GetValue(const Param_& parameter);
  static void SetValue(Param_& parameter, bool value);
};

// T = int, unsigned int or long long.
template <typename T>
class PropertyControlAdapterInt : public PropertyControlAdapter {
 public:
  int CreateControl(Param_& parameter, CPropertyGrid& grid, int section) override;
  void SetControlValue(Param_& parameter, CPropertyGrid& grid, int item) override;
  void GetControlValue(Param_& parameter, CPropertyGrid& grid, int item) override;

 private:
  static T GetValue(const Param_& parameter);
  static void SetValue(Param_& parameter, T value);
};

extern template class PropertyControlAdapterInt<int>;
extern template class PropertyControlAdapterInt<unsigned int>;
extern template class PropertyControlAdapterInt<long long>;

class PropertyControlAdapterFloat : public PropertyControlAdapter {
 public:
  int CreateControl(Param_& parameter, CPropertyGrid& grid, int section) override;
  void SetControlValue(Param_& parameter, CPropertyGrid& grid, int item) override;
  void GetControlValue(Param_& parameter, CPropertyGrid& grid, int item) override;

 private:
  static double GetValue(const Param_& parameter);
  static void SetValue(Param_& parameter, double value);
};

class PropertyControlAdapterString : public PropertyControlAdapter {
 public:
  int CreateControl(Param_& parameter, CPropertyGrid& grid, int section) override;
  void SetControlValue(Param_& parameter, CPropertyGrid& grid, int item) override;
  void GetControlValue(Param_& parameter, CPropertyGrid& grid, int item) override;

 private:
  static std::string GetValue(const Param_& parameter);
  static void SetValue(Param_& parameter, const std::string& value);
};

// The lookup-table file: a text parameter shown as a file item.
class PropertyControlAdapterFile : public PropertyControlAdapterString {
 public:
  static constexpr char kFilter[] = "LUT table (*.csv)|*.csv||";

  int CreateControl(Param_& parameter, CPropertyGrid& grid, int section) override;

 private:
  static std::string GetValue(const Param_& parameter);
};

// An enumerated parameter shown as a combo of its labels; values travel as
// the label text.
class PropertyControlAdapterEnum : public PropertyControlAdapter {
 public:
  int CreateControl(Param_& parameter, CPropertyGrid& grid, int section) override;
  void SetControlValue(Param_& parameter, CPropertyGrid& grid, int item) override;
  void GetControlValue(Param_& parameter, CPropertyGrid& grid, int item) override;

 private:
  static const ParamEnum& GetEnum(const Param_& parameter);
  static std::string GetValue(const Param_& parameter);
  static void SetValue(Param_& parameter, const std::string& value);
};

}  // namespace ecocam::ui
