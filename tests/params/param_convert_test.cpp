// The typed reads and writes: every row of the two conversion tables,
// value-only parameters, and the lines logged for what is not supported.
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "params_fixture.h"
#include "params/param_types.h"

namespace ecocam {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Sel = Param_::Selector;

class ParamConvertTest : public testing::ParamsTest {
 protected:
  std::string ReadError(const std::string& name) {
    return "Param_::get_val_step3 unrecognized type or unsupported combination param= " + name;
  }
  std::string WriteError(int code, const std::string& name) {
    return "Param_::set_val_step3() unrecognized type or unsupported combination, type=" + std::to_string(code) +
           ", param= " + name;
  }

  Param<int> _int{"S", "I", 7, -3, 100, 2};
  Param<unsigned int> _uint{"S", "U", 4000000000u, 1, 4000000001u, 3};
  Param<long long> _ll{"S", "L", 0x100000005LL, -0x100000000LL, 0x7fffffffffLL, 4};
  Param<double> _double{"S", "D", 2.9, -2.9, 0.4, 0.5};
  Param<bool> _bool{"S", "B", true};
  Param<std::string> _text{"S", "T", "42abc"};
  ParamEnum _enum{"S", "E", "x"};

  void SetUp() override {
    _enum.add_option("None", -1);
    _enum.add_option("Off", 0);
    _enum.add_option("Software trigger", 2);
    _enum.add_option("Big", 0x100000003LL);
    _enum.set_by_value(2);
  }
};

TEST_F(ParamConvertTest, ReadAsInt32) {
  EXPECT_EQ(_int.get_val<int>(), 7);
  EXPECT_EQ(_int.get_min<int>(), -3);
  EXPECT_EQ(_int.get_max<unsigned int>(), 100u);
  EXPECT_EQ(_int.get_inc<int>(), 2);
  EXPECT_EQ(_uint.get_val<unsigned int>(), 4000000000u);
  EXPECT_EQ(_uint.get_val<int>(), -294967296);  // the same 32 bits
  EXPECT_EQ(_uint.get_inc<int>(), 3);
  EXPECT_EQ(_ll.get_val<int>(), 5);  // the low 32 bits
  EXPECT_EQ(_ll.get_min<int>(), 0);
  EXPECT_EQ(_double.get_val<int>(), 2);  // truncated toward zero
  EXPECT_EQ(_double.get_min<int>(), -2);
  EXPECT_EQ(_double.get_max<int>(), 0);
  EXPECT_EQ(_bool.get_val<int>(), 1);
  EXPECT_EQ(_enum.get_val<int>(), 2);
  _enum.set_by_value(0x100000003LL);
  EXPECT_EQ(_enum.get_val<int>(), 3);  // the low 32 bits of the option's value
  EXPECT_EQ(_text.get_val<int>(), 42);
  EXPECT_EQ(_text.get_val<unsigned int>(), 42u);
  // Value-only sources leave the result value-initialised, silently.
  EXPECT_EQ(_bool.get_min<int>(), 0);
  EXPECT_EQ(_enum.get_max<int>(), 0);
  EXPECT_EQ(_text.get_inc<int>(), 0);
  EXPECT_THAT(_log.Take(), IsEmpty());
}

TEST_F(ParamConvertTest, DoublesBeyondTheIntegerRangeSaturate) {
  _double.set_val<double>(3e9);
  EXPECT_EQ(_double.get_val<int>(), std::numeric_limits<int>::max());
  EXPECT_EQ(_double.get_val<unsigned int>(), 3000000000u);
  _double.set_val<double>(-1e300);
  EXPECT_EQ(_double.get_val<int>(), std::numeric_limits<int>::min());
  EXPECT_EQ(_double.get_val<unsigned int>(), 0u);
  _double.set_val<double>(std::nan(""));
  EXPECT_EQ(_double.get_val<int>(), 0);
  _double.set_val<double>(std::numeric_limits<double>::infinity());
  EXPECT_EQ(_double.get_val<int>(), std::numeric_limits<int>::max());
}

TEST_F(ParamConvertTest, ReadAsLongLong) {
  _int.set_val<int>(-5);
  EXPECT_EQ(_int.get_val<long long>(), -5);             // sign-extended
  EXPECT_EQ(_uint.get_val<long long>(), 4000000000LL);  // zero-extended
  EXPECT_EQ(_uint.get_max<long long>(), 4000000001LL);
  EXPECT_EQ(_ll.get_val<long long>(), 0x100000005LL);
  EXPECT_EQ(_ll.get_min<long long>(), -0x100000000LL);
  _enum.set_by_value(0x100000003LL);
  EXPECT_EQ(_enum.get_val<long long>(), 0x100000003LL);
  _text.set_val<std::string>("-7");
  EXPECT_EQ(_text.get_val<long long>(), -7);
  EXPECT_EQ(_enum.get_min<long long>(), 0);
  EXPECT_THAT(_log.Take(), IsEmpty());

  EXPECT_EQ(_double.get_val<long long>(), 0);
  EXPECT_EQ(_bool.get_val<long long>(), 0);
  EXPECT_THAT(_log.Take(), ElementsAre(ReadError("D"), ReadError("B")));
}

TEST_F(ParamConvertTest, ReadAsDoubleTextAndBool) {
  EXPECT_EQ(_double.get_val<double>(), 2.9);
  EXPECT_EQ(_double.get_min<double>(), -2.9);
  EXPECT_EQ(_double.get_inc<double>(), 0.5);
  EXPECT_EQ(_text.get_val<std::string>(), "42abc");
  EXPECT_EQ(_enum.get_val<std::string>(), "Software trigger");
  EXPECT_EQ(_enum.get_min<std::string>(), "");  // value only
  EXPECT_TRUE(_bool.get_val<bool>());
  EXPECT_FALSE(_bool.get_max<bool>());  // value only
  EXPECT_THAT(_log.Take(), IsEmpty());

  EXPECT_EQ(_int.get_val<double>(), 0.0);
  EXPECT_EQ(_int.get_val<std::string>(), "");
  EXPECT_FALSE(_int.get_val<bool>());
  EXPECT_EQ(_bool.get_val<double>(), 0.0);
  EXPECT_EQ(_bool.get_min<std::string>(), "");  // not a row at all: reported
  EXPECT_THAT(_log.Take(), ElementsAre(ReadError("I"), ReadError("I"), ReadError("I"), ReadError("B"), ReadError("B")));
}

TEST_F(ParamConvertTest, ReadFailuresOfTheOtherSteps) {
  EXPECT_EQ(_int.get_val<long>(), 0);
  EXPECT_EQ(_int.get_val<float>(), 0.0f);
  EXPECT_THAT(_log.Take(), ElementsAre("ERROR: get_val_step2 failed, param=I unrecognized type",
                                       "ERROR: get_val_step2 failed, param=I unrecognized type"));
  try {
    _int.get_val_step3(kValueInt, nullptr, Sel::Value);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Param_::get_val_step3 data==0");
  }
  const char* text = nullptr;
  _text.get_val_step3(kValueCString, &text, Sel::Value);
  EXPECT_EQ(text, nullptr);
  EXPECT_THAT(_log.Take(), ElementsAre(ReadError("T")));
}

TEST_F(ParamConvertTest, WriteIntoInt32Targets) {
  _int.set_val<unsigned int>(4000000000u);
  EXPECT_EQ(_int.value(), -294967296);
  _int.set_min<long long>(0x100000005LL);
  EXPECT_EQ(_int.min(), 5);
  _int.set_val<double>(2.9);
  EXPECT_EQ(_int.value(), 2);
  _int.set_val<double>(-2.9);
  EXPECT_EQ(_int.value(), -2);
  _int.set_val<double>(3e9);  // truncated, then the low 32 bits
  EXPECT_EQ(_int.value(), -1294967296);
  _int.set_val<double>(std::nan(""));
  EXPECT_EQ(_int.value(), 0);
  _int.set_max<double>(1e300);  // saturated at the 64-bit limit first
  EXPECT_EQ(_int.max(), -1);
  _int.set_val<bool>(true);
  EXPECT_EQ(_int.value(), 1);
  _int.set_min<bool>(true);  // a bool source is value only
  EXPECT_EQ(_int.min(), 5);
  _int.set_inc<int>(9);
  EXPECT_EQ(_int.inc(), 9);
  _uint.set_val<int>(-1);
  EXPECT_EQ(_uint.value(), 4294967295u);
  _uint.set_max<double>(3e9);
  EXPECT_EQ(_uint.max(), 3000000000u);
  EXPECT_THAT(_log.Take(), IsEmpty());

  _int.set_val<std::string>("5");
  EXPECT_EQ(_int.value(), 1);
  EXPECT_THAT(_log.Take(), ElementsAre(WriteError(5, "I")));
}

TEST_F(ParamConvertTest, WriteIntoLongLongAndDouble) {
  _ll.set_val<int>(-5);
  EXPECT_EQ(_ll.value(), -5);
  _ll.set_val<unsigned int>(4000000000u);  // sign-extended like an int
  EXPECT_EQ(_ll.value(), -294967296);
  _ll.set_max<long long>(0x123456789LL);
  EXPECT_EQ(_ll.max(), 0x123456789LL);
  _ll.set_val<double>(-2.9);
  EXPECT_EQ(_ll.value(), -2);
  _ll.set_val<double>(1e30);
  EXPECT_EQ(_ll.value(), std::numeric_limits<long long>::max());
  _ll.set_val<bool>(true);
  EXPECT_EQ(_ll.value(), 1);

  _double.set_val<int>(-5);
  EXPECT_EQ(_double.value(), -5.0);
  _double.set_val<unsigned int>(4000000000u);  // read as a signed 32-bit value
  EXPECT_EQ(_double.value(), -294967296.0);
  _double.set_min<long long>(1LL << 40);
  EXPECT_EQ(_double.min(), 1099511627776.0);
  _double.set_inc<double>(0.25);
  EXPECT_EQ(_double.inc(), 0.25);
  _double.set_val<bool>(true);
  EXPECT_EQ(_double.value(), 1.0);
  _double.set_max<bool>(true);
  EXPECT_EQ(_double.max(), 0.4);
  EXPECT_THAT(_log.Take(), IsEmpty());

  _ll.set_val<std::string>("1");
  _double.set_val<std::string>("1");
  EXPECT_THAT(_log.Take(), ElementsAre(WriteError(5, "L"), WriteError(5, "D")));
}

TEST_F(ParamConvertTest, WriteIntoBool) {
  _bool.set_val<int>(0);
  EXPECT_FALSE(_bool.value());
  _bool.set_val<unsigned int>(2);
  EXPECT_TRUE(_bool.value());
  _bool.set_val<long long>(1LL << 32);  // only the low 32 bits count
  EXPECT_FALSE(_bool.value());
  for (const char* no : {"0", "false", "False", ""}) {
    _bool.set_val<bool>(true);
    _bool.set_val<std::string>(no);
    EXPECT_FALSE(_bool.value()) << no;
  }
  for (const char* yes : {"true", "no", "FALSE", "00"}) {
    _bool.set_val<bool>(false);
    _bool.set_val<std::string>(yes);
    EXPECT_TRUE(_bool.value()) << yes;
  }
  _bool.set_val<bool>(false);
  _bool.set_min<int>(1);
  _bool.set_max<std::string>("1");
  EXPECT_TRUE(_bool.min());
  EXPECT_THAT(_log.Take(), IsEmpty());

  _bool.set_val<double>(1.0);
  EXPECT_FALSE(_bool.value());
  EXPECT_THAT(_log.Take(), ElementsAre(WriteError(3, "B")));
}

TEST_F(ParamConvertTest, WriteIntoEnumAndText) {
  ParamEnum binning("AOI", "Binning", "Off");
  for (auto [label, value] : {std::pair{"Off", 0}, {"Horizontal", 1}, {"Vertical", 2}, {"2x2", 3}}) {
    binning.add_option(label, value);
  }
  binning.set_val<int>(3);
  EXPECT_EQ(binning.value(), "2x2");
  binning.set_val<int>(7);  // no such option: unchanged, silently
  EXPECT_EQ(binning.value(), "2x2");
  binning.set_val<long long>(1);
  EXPECT_EQ(binning.value(), "Horizontal");
  binning.set_val_step3(kValueCString, "Vertical", Sel::Value);
  EXPECT_EQ(binning.value(), "Vertical");
  binning.set_min<int>(0);
  binning.set_max<std::string>("zzz");
  EXPECT_EQ(binning.max(), "Off");
  binning.set_val<std::string>("4x4");
  EXPECT_EQ(binning.value(), "4x4");
  EXPECT_FALSE(binning.in_range());

  _text.set_val<std::string>("a.csv");
  EXPECT_EQ(_text.value(), "a.csv");
  _text.set_val_step3(kValueCString, "b.csv", Sel::Value);
  EXPECT_EQ(_text.value(), "b.csv");
  EXPECT_THAT(_log.Take(), IsEmpty());

  binning.set_val<unsigned int>(1);
  binning.set_val<double>(1.0);
  binning.set_val<bool>(true);
  _text.set_val<int>(1);
  EXPECT_EQ(binning.value(), "4x4");
  EXPECT_EQ(_text.value(), "b.csv");
  EXPECT_THAT(_log.Take(), ElementsAre(WriteError(1, "Binning"), WriteError(3, "Binning"), WriteError(6, "Binning"),
                                       WriteError(0, "T")));
}

TEST_F(ParamConvertTest, WriteFailuresOfTheOtherSteps) {
  _int.set_val<long>(1L);
  _int.set_val<float>(1.0f);
  EXPECT_EQ(_int.value(), 7);
  EXPECT_THAT(_log.Take(), ElementsAre("ERROR: set_val_step2 failed, param=I unrecognyzed type",
                                       "ERROR: set_val_step2 failed, param=I unrecognyzed type"));
  try {
    _int.set_val_step3(kValueInt, nullptr, Sel::Value);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Param_::set_val_step3 data==0");
  }
  _int.set_val_step3(42, &_int, Sel::Value);
  EXPECT_THAT(_log.Take(), ElementsAre(WriteError(42, "I")));
}

}  // namespace
}  // namespace ecocam
