// The concrete parameters: Param<T> for T = int, unsigned int, long long,
// double, bool and std::string, and ParamEnum, a text parameter whose value
// is the label of one of its options.
#pragma once

#include <string>
#include <vector>

#include "params/param.h"

namespace ecocam {

template <typename T>
class Param : public Param_ {
 public:
  using value_type = T;

  // Numbers: value, limits and step. Text and bool: min = max = value.
  Param(const std::string& section, const std::string& name, const T& value, const T& min, const T& max, const T& inc);
  Param(const std::string& section, const std::string& name, const T& value);

  void assign(const Param_& other) override;
  void from_string(const char* text, bool clamp) override;
  const std::string& to_string() override;
  bool in_range() const override;
  void print_value(std::ostream& out) const override;
  void print_range(std::ostream& out) const override;
  std::unique_ptr<Param_> clone() const override;

  const T& value() const { return _value; }
  const T& max() const { return _max; }
  const T& min() const { return _min; }
  const T& default_value() const { return _default_value; }
  const T& inc() const { return _inc; }

 protected:
  Param(const Param&) = default;

  T _value;
  T _max;
  T _min;
  T _default_value;
  T _inc;
  std::string _text;

 private:
  friend class Param_;  // the conversion tables reach the selected field
  T& field(Selector selector);
  const T& field(Selector selector) const;
};

extern template class Param<int>;
extern template class Param<unsigned int>;
extern template class Param<long long>;
extern template class Param<double>;
extern template class Param<bool>;
extern template class Param<std::string>;

class ParamEnum : public Param<std::string> {
 public:
  // `label` becomes value, min, max and default value until the first
  // option is added, which then becomes the value.
  ParamEnum(const std::string& section, const std::string& name, const std::string& label);

  // True when the value is one of the labels.
  bool in_range() const override;
  std::unique_ptr<Param_> clone() const override;

  // Appends an option; a null or empty label is ignored.
  void add_option(const char* label, long long value);
  void add_option(const std::string& label, long long value) { add_option(label.c_str(), value); }
  // Makes the first option with value `v` current; nothing when none has it.
  void set_by_value(long long v);
  // The value of the first option labelled `label` (case-sensitive), else 0.
  long long value_of(const char* label) const;
  long long value_of(const std::string& label) const { return value_of(label.c_str()); }

  const std::vector<std::string>& labels() const { return _labels; }
  const std::vector<long long>& values() const { return _values; }

 private:
  ParamEnum(const ParamEnum&) = default;

  std::vector<std::string> _labels;
  std::vector<long long> _values;
};

}  // namespace ecocam
