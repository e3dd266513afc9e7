// Helpers that call a forwarding function with generated arguments.
#pragma once

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace ecocam::testing {

// Calls `function` with value-initialised arguments: zeros and null pointers.
template <typename R, typename... A>
R CallWithZeros(R (*function)(A...)) {
  return function(A{}...);
}

// Distinct argument values, and the journal text the simulated SDK writes
// for them: ints and unsigned ints in decimal, floats with 9 digits, bools
// as 1, texts quoted, pointers (callbacks included) as their address.
class DistinctArgs {
 public:
  explicit DistinctArgs(int row) : _row(row), _memory(1 << 16) {}

  template <typename T>
  T Make(int position) {
    const int n = _row * 100 + position + 1;
    if constexpr (std::is_same_v<T, bool>) {
      _texts.push_back("1");
      return true;
    } else if constexpr (std::is_same_v<T, int>) {
      _texts.push_back(std::to_string(n));
      return n;
    } else if constexpr (std::is_same_v<T, unsigned int>) {
      const unsigned int value = 3000000000u + static_cast<unsigned int>(n);
      _texts.push_back(std::to_string(value));
      return value;
    } else if constexpr (std::is_same_v<T, float>) {
      const float value = static_cast<float>(n) + 0.25f;
      char text[32];
      std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
      _texts.push_back(text);
      return value;
    } else if constexpr (std::is_same_v<T, const char*>) {
      _strings.push_back("text-" + std::to_string(n));
      _texts.push_back("\"" + _strings.back() + "\"");
      return _strings.back().c_str();
    } else {
      static_assert(std::is_pointer_v<T>, "an argument type without a distinct value");
      // Addresses inside one zeroed, aligned block, 64 bytes apart.
      const auto address = reinterpret_cast<std::uintptr_t>(_memory.data()) + 64u * (position + 1);
      char text[32];
      std::snprintf(text, sizeof text, "0x%" PRIxPTR, address);
      _texts.push_back(text);
      return reinterpret_cast<T>(address);
    }
  }

  template <typename R, typename... A>
  R Call(R (*function)(A...)) {
    return CallIndexed(function, std::index_sequence_for<A...>{});
  }

  std::string JournalLine(const std::string& name) const {
    std::string line = name + "(";
    for (std::size_t i = 0; i < _texts.size(); ++i) line += (i == 0 ? "" : ",") + _texts[i];
    return line + ")";
  }

 private:
  template <typename R, typename... A, std::size_t... I>
  R CallIndexed(R (*function)(A...), std::index_sequence<I...>) {
    // Built in order first: argument evaluation order is unspecified.
    std::tuple<A...> args{Make<A>(static_cast<int>(I))...};
    return std::apply(function, args);
  }

  int _row;
  std::vector<std::uint64_t> _memory;
  std::deque<std::string> _strings;
  std::vector<std::string> _texts;
};

}  // namespace ecocam::testing
