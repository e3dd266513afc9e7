// The conversion tables of the typed reads and writes: which parameter type
// serves which requested value type, and how the value is converted.
//
// Parameters that hold only a value (bool, text, enumerated, and bool
// sources written into numbers) ignore requests for min, max or inc
// silently. Doubles are converted to integers by truncation toward zero
// without undefined behaviour: NaN gives 0, values beyond the target's range
// saturate at its limits.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include "driver/driver_context.h"
#include "params/number_text.h"
#include "params/param.h"
#include "params/param_types.h"

namespace ecocam {
namespace {

template <typename Int>
Int TruncateDouble(double d) {
  if (std::isnan(d)) return 0;
  // Both limits are powers of two (or zero), so they are exact as doubles.
  const double low = static_cast<double>(std::numeric_limits<Int>::min());
  const double high = static_cast<double>(std::numeric_limits<Int>::max()) + 1.0;
  if (d <= low) return std::numeric_limits<Int>::min();
  if (d >= high) return std::numeric_limits<Int>::max();
  return static_cast<Int>(d);  // truncates toward zero
}

// The low 32 bits of a 64-bit value, as a signed 32-bit pattern.
std::int32_t Low32(long long v) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

std::int32_t FromUnsigned(unsigned int v) { return static_cast<std::int32_t>(v); }

// Stores a 32-bit pattern into the int or unsigned int that `out` points to.
void Store32(void* out, std::int32_t bits) { std::memcpy(out, &bits, sizeof bits); }

template <typename T>
const Param<T>* As(const Param_* p) {
  return dynamic_cast<const Param<T>*>(p);
}
template <typename T>
Param<T>* As(Param_* p) {
  return dynamic_cast<Param<T>*>(p);
}

// A text written into a bool: false for "0", "false", "False" and the empty
// text, true for any other.
bool TextToBool(const std::string& text) {
  return !(text.empty() || text == "0" || text == "false" || text == "False");
}

}  // namespace

void Param_::get_val_step3(int code, void* out, Selector selector) const {
  if (out == nullptr) throw std::runtime_error("Param_::get_val_step3 data==0");
  const bool valueOnly = selector != Selector::Value;  // true: a value-only source ignores it
  switch (code) {
    case kValueInt:
    case kValueUnsignedInt: {
      if (const auto* p = As<int>(this)) {
        Store32(out, p->field(selector));
      } else if (const auto* p = As<unsigned int>(this)) {
        Store32(out, FromUnsigned(p->field(selector)));
      } else if (const auto* p = As<long long>(this)) {
        Store32(out, Low32(p->field(selector)));
      } else if (const auto* p = As<double>(this)) {
        if (code == kValueInt) {
          Store32(out, TruncateDouble<std::int32_t>(p->field(selector)));
        } else {
          Store32(out, FromUnsigned(TruncateDouble<std::uint32_t>(p->field(selector))));
        }
      } else if (const auto* p = As<bool>(this)) {
        if (!valueOnly) Store32(out, p->value() ? 1 : 0);
      } else if (const auto* p = dynamic_cast<const ParamEnum*>(this)) {
        if (!valueOnly) Store32(out, Low32(p->currEnumVal()));
      } else if (const auto* p = As<std::string>(this)) {
        if (!valueOnly) Store32(out, ParseLeadingInt(p->value().c_str()));
      } else {
        break;
      }
      return;
    }
    case kValueLongLong: {
      auto& result = *static_cast<long long*>(out);
      if (const auto* p = As<int>(this)) {
        result = p->field(selector);
      } else if (const auto* p = As<unsigned int>(this)) {
        result = p->field(selector);
      } else if (const auto* p = As<long long>(this)) {
        result = p->field(selector);
      } else if (const auto* p = dynamic_cast<const ParamEnum*>(this)) {
        if (!valueOnly) result = p->currEnumVal();
      } else if (const auto* p = As<std::string>(this)) {
        if (!valueOnly) result = ParseLeadingInt(p->value().c_str());
      } else {
        break;
      }
      return;
    }
    case kValueDouble:
      if (const auto* p = As<double>(this)) {
        *static_cast<double*>(out) = p->field(selector);
        return;
      }
      break;
    case kValueString:
      // A ParamEnum is a Param<std::string>: both give their text.
      if (const auto* p = As<std::string>(this)) {
        if (!valueOnly) *static_cast<std::string*>(out) = p->value();
        return;
      }
      break;
    case kValueBool:
      if (const auto* p = As<bool>(this)) {
        if (!valueOnly) *static_cast<bool*>(out) = p->value();
        return;
      }
      break;
    default: break;
  }
  ECOCAM_LOG(1, "Param_::get_val_step3 unrecognized type or unsupported combination param= " + _name);
}

void Param_::set_val_step3(int code, const void* data, Selector selector) {
  if (data == nullptr) throw std::runtime_error("Param_::set_val_step3 data==0");
  const bool valueOnly = selector != Selector::Value;  // true: value-only ends ignore it

  // The source as each target family needs it.
  std::int32_t source32 = 0;  // codes 0 and 1: the 32 bits
  long long source64 = 0;     // code 2
  double sourceDouble = 0.0;  // code 3
  bool sourceBool = false;    // code 6
  switch (code) {
    case kValueInt: source32 = *static_cast<const int*>(data); break;
    case kValueUnsignedInt: source32 = FromUnsigned(*static_cast<const unsigned int*>(data)); break;
    case kValueLongLong: source64 = *static_cast<const long long*>(data); break;
    case kValueDouble: sourceDouble = *static_cast<const double*>(data); break;
    case kValueBool: sourceBool = *static_cast<const bool*>(data); break;
    default: break;
  }
  const bool is32 = code == kValueInt || code == kValueUnsignedInt;

  auto toInt32 = [&](std::int32_t& field) {
    if (is32)
      field = source32;
    else if (code == kValueLongLong)
      field = Low32(source64);
    else if (code == kValueDouble)
      field = Low32(TruncateDouble<long long>(sourceDouble));
    else if (code == kValueBool) {
      if (!valueOnly) field = sourceBool ? 1 : 0;
    } else
      return false;
    return true;
  };

  bool done = false;
  if (auto* p = As<int>(this)) {
    std::int32_t bits = p->field(selector);
    done = toInt32(bits);
    if (done) p->field(selector) = bits;
  } else if (auto* p = As<unsigned int>(this)) {
    std::int32_t bits = FromUnsigned(p->field(selector));
    done = toInt32(bits);
    if (done) p->field(selector) = static_cast<unsigned int>(bits);
  } else if (auto* p = As<long long>(this)) {
    done = true;
    if (is32)
      p->field(selector) = source32;  // sign-extended, unsigned sources too
    else if (code == kValueLongLong)
      p->field(selector) = source64;
    else if (code == kValueDouble)
      p->field(selector) = TruncateDouble<long long>(sourceDouble);
    else if (code == kValueBool) {
      if (!valueOnly) p->field(selector) = sourceBool ? 1 : 0;
    } else
      done = false;
  } else if (auto* p = As<double>(this)) {
    done = true;
    if (is32)
      p->field(selector) = source32;  // from the signed 32-bit value
    else if (code == kValueLongLong)
      p->field(selector) = static_cast<double>(source64);
    else if (code == kValueDouble)
      p->field(selector) = sourceDouble;
    else if (code == kValueBool) {
      if (!valueOnly) p->field(selector) = sourceBool ? 1.0 : 0.0;
    } else
      done = false;
  } else if (auto* p = As<bool>(this)) {
    done = true;
    if (is32) {
      if (!valueOnly) p->_value = source32 != 0;
    } else if (code == kValueLongLong) {
      if (!valueOnly) p->_value = Low32(source64) != 0;
    } else if (code == kValueString) {
      if (!valueOnly) p->_value = TextToBool(*static_cast<const std::string*>(data));
    } else if (code == kValueBool) {
      if (!valueOnly) p->_value = sourceBool;
    } else
      done = false;
  } else if (auto* p = dynamic_cast<ParamEnum*>(this)) {
    done = true;
    if (code == kValueInt) {
      if (!valueOnly) p->set_by_value(source32);
    } else if (code == kValueLongLong) {
      if (!valueOnly) p->set_by_value(source64);
    } else if (code == kValueCString) {
      if (!valueOnly) p->_value = static_cast<const char*>(data);
    } else if (code == kValueString) {
      if (!valueOnly) p->_value = *static_cast<const std::string*>(data);
    } else
      done = false;
  } else if (auto* p = As<std::string>(this)) {
    done = true;
    if (code == kValueCString) {
      if (!valueOnly) p->_value = static_cast<const char*>(data);
    } else if (code == kValueString) {
      if (!valueOnly) p->_value = *static_cast<const std::string*>(data);
    } else
      done = false;
  }
  if (done) return;
  ECOCAM_LOG(1, "Param_::set_val_step3() unrecognized type or unsupported combination, type=" + std::to_string(code) +
                    ", param= " + _name);
}

}  // namespace ecocam
