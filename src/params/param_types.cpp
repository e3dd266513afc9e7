// Param<T> for the six value types and ParamEnum: parsing and formatting by
// the rules of each type, limits, copies and options.
#include "params/param_types.h"

#include <ostream>

#include "params/number_text.h"

namespace ecocam {
namespace {

// Text to value, by the atoi/atof rules of each type (always the "C" forms).
void Parse(const char* text, int& out) { out = ParseLeadingInt(text); }
void Parse(const char* text, unsigned int& out) {
  // The signed result of atoi, kept as its unsigned bit pattern.
  out = static_cast<unsigned int>(ParseLeadingInt(text));
}
void Parse(const char* text, long long& out) { out = ParseLeadingInt64(text); }
void Parse(const char* text, double& out) { out = ParseLeadingDouble(text); }
// True when the leading number is not 0, so the word "true" reads as false.
void Parse(const char* text, bool& out) { out = ParseLeadingInt(text) != 0; }
void Parse(const char* text, std::string& out) { out = text != nullptr ? text : ""; }

std::string Format(int v) { return FormatInt(v); }
std::string Format(unsigned int v) { return FormatUnsigned(v); }
std::string Format(long long v) { return FormatInt(v); }
// 17 significant digits, so every double comes back exactly: 0.4 is written
// as 0.40000000000000002 and 2.5 as 2.5.
std::string Format(double v) { return FormatDouble(v, 17); }
std::string Format(bool v) { return v ? "1" : "0"; }
const std::string& Format(const std::string& v) { return v; }

}  // namespace

template <typename T>
Param<T>::Param(const std::string& section, const std::string& name, const T& value, const T& min, const T& max,
                const T& inc)
    : Param_(section, name), _value(value), _max(max), _min(min), _default_value(value), _inc(inc) {}

template <typename T>
Param<T>::Param(const std::string& section, const std::string& name, const T& value)
    : Param_(section, name), _value(value), _max(value), _min(value), _default_value(value), _inc() {}

template <typename T>
void Param<T>::assign(const Param_& other) {
  // Throws std::bad_cast for a parameter of another type, before anything
  // has been copied.
  const Param<T>& typed = dynamic_cast<const Param<T>&>(other);
  Param_::assign(other);
  _value = typed._value;
  _max = typed._max;
  _min = typed._min;
  _default_value = typed._default_value;
  _inc = typed._inc;
}

template <typename T>
void Param<T>::from_string(const char* text, bool clamp) {
  Parse(text, _value);
  if (clamp) {
    if (_value < _min) _value = _min;
    if (_max < _value) _value = _max;
  }
}

template <typename T>
const std::string& Param<T>::to_string() {
  _text = Format(_value);
  return _text;
}

template <typename T>
bool Param<T>::in_range() const {
  return _min <= _value && _value <= _max;
}

template <typename T>
void Param<T>::print_value(std::ostream& out) const {
  out << name() << "=" << _value << "\n";
}

template <typename T>
void Param<T>::print_range(std::ostream& out) const {
  out << "[" << _min << ".." << _max << "]";
}

template <typename T>
std::unique_ptr<Param_> Param<T>::clone() const {
  return std::unique_ptr<Param_>(new Param<T>(*this));
}

template <typename T>
T& Param<T>::field(Selector selector) {
  switch (selector) {
    case Selector::Min: return _min;
    case Selector::Max: return _max;
    case Selector::Inc: return _inc;
    case Selector::Value: break;
  }
  return _value;
}

template <typename T>
const T& Param<T>::field(Selector selector) const {
  return const_cast<Param<T>*>(this)->field(selector);
}

template class Param<int>;
template class Param<unsigned int>;
template class Param<long long>;
template class Param<double>;
template class Param<bool>;
template class Param<std::string>;

ParamEnum::ParamEnum(const std::string& section, const std::string& name, const std::string& label)
    : Param<std::string>(section, name, label) {}

bool ParamEnum::in_range() const {
  for (const std::string& label : _labels) {
    if (label == _value) return true;
  }
  return false;
}

std::unique_ptr<Param_> ParamEnum::clone() const { return std::unique_ptr<Param_>(new ParamEnum(*this)); }

void ParamEnum::add_option(const char* label, long long value) {
  if (label == nullptr || *label == '\0') return;
  _labels.emplace_back(label);
  try {
    _values.push_back(value);
  } catch (...) {
    _labels.pop_back();  // keep the two lists parallel
    throw;
  }
  if (_labels.size() == 1) _value = _labels.front();
}

void ParamEnum::set_by_value(long long v) {
  for (std::size_t i = 0; i < _values.size(); ++i) {
    if (_values[i] == v) {
      _value = _labels[i];
      return;
    }
  }
}

long long ParamEnum::value_of(const char* label) const {
  if (label == nullptr || *label == '\0') return 0;
  for (std::size_t i = 0; i < _labels.size(); ++i) {
    if (_labels[i] == label) return _values[i];
  }
  return 0;
}

}  // namespace ecocam
