// The abstract camera parameter: name, section, flags, description and
// named attributes, plus the typed reads and writes that every part of the
// driver uses to reach a parameter's value and limits whatever its own type.
//
// A typed read or write never throws: a wrong type or an unsupported
// conversion is logged at level 1 and yields a value-initialised result (or
// leaves the parameter unchanged).
#pragma once

#include <iosfwd>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>

#include <boost/any.hpp>

namespace ecocam {

// Codes of the value types passed between the typed operations; they appear
// in log lines, so their numbers are fixed.
enum ValueTypeCode : int {
  kValueInt = 0,
  kValueUnsignedInt = 1,
  kValueLongLong = 2,
  kValueDouble = 3,
  kValueCString = 4,  // a zero-terminated character string
  kValueString = 5,   // std::string
  kValueBool = 6,
};

// The code of a C++ type, or -1 for a type the typed operations do not know.
template <typename T>
constexpr int ValueTypeCodeOf() {
  if constexpr (std::is_same_v<T, int>)
    return kValueInt;
  else if constexpr (std::is_same_v<T, unsigned int>)
    return kValueUnsignedInt;
  else if constexpr (std::is_same_v<T, long long>)
    return kValueLongLong;
  else if constexpr (std::is_same_v<T, double>)
    return kValueDouble;
  else if constexpr (std::is_same_v<T, bool>)
    return kValueBool;
  else if constexpr (std::is_same_v<T, std::string>)
    return kValueString;
  else
    return -1;
}

class Param_ {
 public:
  // Which field of a typed parameter a read or write addresses.
  enum class Selector { Value, Min, Max, Inc };

  using Attributes = std::map<std::string, boost::any>;

  // Virtual operations, in this order.
  virtual ~Param_();
  // Copies the common fields, then the typed ones. `other` must have the
  // same dynamic type, else std::bad_cast is thrown and nothing changes.
  virtual void assign(const Param_& other);
  // Parses `text` (null: empty) by the rules of the type; with `clamp`,
  // then limits the value to [min, max].
  virtual void from_string(const char* text, bool clamp) = 0;
  // The value as text, in the parameter's own buffer: valid until the next
  // to_string of this parameter.
  virtual const std::string& to_string() = 0;
  virtual bool in_range() const = 0;
  // name "=" value "\n"
  virtual void print_value(std::ostream& out) const = 0;
  // "[" min ".." max "]", in the stream's own number format.
  virtual void print_range(std::ostream& out) const = 0;
  // A deep copy of the same dynamic type.
  virtual std::unique_ptr<Param_> clone() const = 0;

  const std::string& name() const { return _name; }
  const std::string& section() const { return _section; }
  bool enabled() const { return _enabled; }
  bool general() const { return _general; }
  bool persistent() const { return _persistent; }
  bool visible() const { return _visible; }
  const std::string& description() const { return _description; }
  const Attributes& attributes() const { return _attributes; }

  void set_enabled(bool on) { _enabled = on; }
  void set_general(bool on) { _general = on; }
  void set_persistent(bool on) { _persistent = on; }
  void set_visible(bool on) { _visible = on; }
  void set_description(const std::string& text) { _description = text; }

  void set_attribute(const std::string& key, const boost::any& value);
  bool has_attribute(const std::string& key) const;
  // A copy of the attribute; logs and throws std::out_of_range when absent.
  boost::any get_attribute(const std::string& key) const;

  // The value of the current option of an enumerated parameter; logs and
  // throws std::runtime_error for any other parameter.
  long long currEnumVal() const;

  // Typed reads and writes for T = int, unsigned int, long long, double,
  // bool and std::string. Each addresses one field: value, min, max or inc.
  template <typename T>
  T get_val() const {
    return get_val_step2<T>(Selector::Value);
  }
  template <typename T>
  T get_min() const {
    return get_val_step2<T>(Selector::Min);
  }
  template <typename T>
  T get_max() const {
    return get_val_step2<T>(Selector::Max);
  }
  template <typename T>
  T get_inc() const {
    return get_val_step2<T>(Selector::Inc);
  }
  template <typename T>
  void set_val(const T& v) {
    set_val_step2<T>(v, Selector::Value);
  }
  template <typename T>
  void set_min(const T& v) {
    set_val_step2<T>(v, Selector::Min);
  }
  template <typename T>
  void set_max(const T& v) {
    set_val_step2<T>(v, Selector::Max);
  }
  template <typename T>
  void set_inc(const T& v) {
    set_val_step2<T>(v, Selector::Inc);
  }

  template <typename T>
  T get_val_step2(Selector selector) const;
  template <typename T>
  void set_val_step2(const T& v, Selector selector);

  // The conversion tables. `out` and `data` point to an object of the type
  // that `code` names; for kValueCString, `data` points to the characters
  // themselves. A null pointer throws std::runtime_error; an unsupported
  // combination is logged and changes nothing.
  void get_val_step3(int code, void* out, Selector selector) const;
  void set_val_step3(int code, const void* data, Selector selector);

 protected:
  Param_(const std::string& section, const std::string& name);
  Param_(const Param_&) = default;
  Param_& operator=(const Param_&) = delete;

 private:
  // Log lines of the typed access; they never throw.
  void LogReadFailure(const char* suffix) const noexcept;
  void LogWriteFailure(const char* suffix) const noexcept;
  void LogWriteFailureValue(const std::string& value) const noexcept;

  std::string _name;
  std::string _section;
  bool _enabled = true;
  bool _general = false;
  bool _persistent = true;
  bool _visible = true;
  std::string _description;
  Attributes _attributes;
};

template <typename T>
T Param_::get_val_step2(Selector selector) const {
  T result{};
  constexpr int code = ValueTypeCodeOf<T>();
  if constexpr (code < 0) {
    LogReadFailure(" unrecognized type");
  } else {
    try {
      get_val_step3(code, &result, selector);
    } catch (...) {
      LogReadFailure("");
    }
  }
  return result;
}

template <typename T>
void Param_::set_val_step2(const T& v, Selector selector) {
  constexpr int code = ValueTypeCodeOf<T>();
  if constexpr (code < 0) {
    LogWriteFailure(" unrecognyzed type");
  } else {
    try {
      set_val_step3(code, &v, selector);
    } catch (...) {
      try {
        std::ostringstream text;
        text.imbue(std::locale::classic());
        text << v;
        LogWriteFailureValue(text.str());
      } catch (...) {
        // Nothing can be reported without memory; the write simply fails.
      }
    }
  }
}

}  // namespace ecocam
