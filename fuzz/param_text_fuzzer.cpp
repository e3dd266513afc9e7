// Parameter text: from_string of every parameter type with random text,
// the typed reads and writes between every pair of types and fields, a
// camera section loaded from a random INI file, validated and saved.
// Findings: any crash or undefined behaviour; a value whose text does not
// parse back to the same text; a clamped number outside its limits; a set
// that does not read back as it was saved.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "driver/driver_context.h"
#include "fuzz_support.h"
#include "params/camera_parameters.h"
#include "params/param_types.h"
#include "platform/system.h"

namespace {

using ecocam::CameraInfo;
using ecocam::CameraParameters;
using ecocam::Param;
using ecocam::Param_;
using Selector = Param_::Selector;

void Discard(const char*, void*) {}

bool IsNumber(const Param_& p) {
  return dynamic_cast<const Param<int>*>(&p) != nullptr || dynamic_cast<const Param<unsigned int>*>(&p) != nullptr ||
         dynamic_cast<const Param<long long>*>(&p) != nullptr || dynamic_cast<const Param<double>*>(&p) != nullptr;
}

// One typed write and one typed read, each with a random type and field.
void TypedAccess(FuzzedDataProvider& in, Param_& p) {
  const auto selector = static_cast<Selector>(in.ConsumeIntegralInRange<int>(0, 3));
  switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: p.set_val_step2<int>(in.ConsumeIntegral<int>(), selector); break;
    case 1: p.set_val_step2<unsigned int>(in.ConsumeIntegral<unsigned int>(), selector); break;
    case 2: p.set_val_step2<long long>(in.ConsumeIntegral<long long>(), selector); break;
    case 3: p.set_val_step2<double>(in.ConsumeFloatingPoint<double>(), selector); break;
    case 4: p.set_val_step2<bool>(in.ConsumeBool(), selector); break;
    default:
      // Texts reach parameters as C strings (INI values, dialog edits): no NULs inside.
      p.set_val_step2<std::string>(std::string(in.ConsumeRandomLengthString(24).c_str()), selector);
      break;
  }
  const auto readSelector = static_cast<Selector>(in.ConsumeIntegralInRange<int>(0, 3));
  switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: (void)p.get_val_step2<int>(readSelector); break;
    case 1: (void)p.get_val_step2<unsigned int>(readSelector); break;
    case 2: (void)p.get_val_step2<long long>(readSelector); break;
    case 3: (void)p.get_val_step2<double>(readSelector); break;
    case 4: (void)p.get_val_step2<bool>(readSelector); break;
    default: (void)p.get_val_step2<std::string>(readSelector); break;
  }
}

// Text from to_string parses back to the same text.
void RoundTrip(Param_& p) {
  const std::string text = p.to_string();
  std::unique_ptr<Param_> copy = p.clone();
  copy->from_string(text.c_str(), false);
  if (copy->to_string() != text) {
    std::fprintf(stderr, "%s: \"%s\" reads back as \"%s\"\n", p.name().c_str(), text.c_str(),
                 copy->to_string().c_str());
  }
  FUZZ_CHECK(copy->to_string() == text, "a value's text does not parse back to itself");
}

void FromString(FuzzedDataProvider& in, Param_& p) {
  const std::string text = in.ConsumeRandomLengthString(40);
  const bool clamp = in.ConsumeBool();
  p.from_string(text.c_str(), clamp);
  if (clamp && IsNumber(p) && p.get_min<double>() <= p.get_max<double>() && !std::isnan(p.get_val<double>())) {
    FUZZ_CHECK(p.in_range(), "a clamped number is outside its limits");
  }
  RoundTrip(p);
  std::ostringstream out;
  p.print_range(out);
  p.print_value(out);
}

// The enabled numbers, switches and options of a set, as text.
std::vector<std::string> Texts(CameraParameters& set) {
  std::vector<std::string> texts;
  for (Param_& p : set) {
    const bool text =
        dynamic_cast<const Param<std::string>*>(&p) != nullptr && dynamic_cast<const ecocam::ParamEnum*>(&p) == nullptr;
    texts.push_back(p.enabled() && !text ? p.name() + "=" + p.to_string() : "");
  }
  return texts;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ecocam::platform::SetDebugSinkForTesting(&Discard, nullptr);
  ecocam::DriverContext& context = ecocam::DriverContext::GetInstance();
  context.LogLevel = 0;
  context.LogDebugView = 0;
  context.SetSystemPath(ecocam::fuzz::ScratchDir().string());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const bool colour = in.ConsumeBool();
  const CameraInfo info{colour ? 2u : 1u, colour ? "eco424CVGE" : "eco424MVGE"};
  CameraParameters set(info);

  const int mode = in.ConsumeIntegralInRange<int>(0, 2);
  if (mode == 2) {
    // A whole section from a random file, then validated, saved and read again.
    const std::string ini = "[" + info.modelName + "]\n" + in.ConsumeRandomLengthString(4096);
    ecocam::fuzz::WriteFile(ecocam::DriverContext::GetInstance().IniPath(), ini);
    set.Load();
    std::string message;
    set.Validate(message);
    FUZZ_CHECK(set.Save(), "a set could not be saved");
    CameraParameters again(info);
    FUZZ_CHECK(again.Load(), "a saved set could not be read");
    again.Validate(message);
    FUZZ_CHECK(Texts(again) == Texts(set), "a saved set reads back differently");
    return 0;
  }
  std::vector<Param_*> params;
  for (Param_& p : set) params.push_back(&p);
  while (in.remaining_bytes() > 0) {
    Param_& p = *params[in.ConsumeIntegralInRange<std::size_t>(0, params.size() - 1)];
    if (mode == 0) {
      FromString(in, p);
    } else {
      TypedAccess(in, p);
      RoundTrip(p);
    }
  }
  std::string message;
  set.Validate(message);
  return 0;
}
