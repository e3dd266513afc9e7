// The adapters between parameters and grid items, and the factory that
// picks them.
#include <memory>
#include <stdexcept>
#include <string>
#include <typeinfo>

#include <gtest/gtest.h>

#include "params/params_fixture.h"
#include "ui/property_control_adapter.h"
#include "ui/property_general.h"

namespace ecocam::ui {
namespace {

using Factory = CPropertyGeneral;

class ControlAdapterTest : public ::testing::Test {
 protected:
  ControlAdapterTest() { _section = _grid.AddSection("S"); }

  template <typename Adapter>
  static bool Is(const Param_& p) {
    return dynamic_cast<Adapter*>(Factory::GetControlAdapter(p).get()) != nullptr;
  }

  ecocam::testing::DriverLog _log{{4, 0}};
  CPropertyGrid _grid;
  int _section = -1;
};

TEST_F(ControlAdapterTest, FactoryPicksByExactTypeAndSharesAdapters) {
  ParamEnum mode("S", "Binning", "Off");
  mode.add_option("Off", 0);
  Param<std::string> text("S", "Text", "x");
  Param<std::string> lut("Image", "LUTtable", "");
  Param<int> integer("S", "Width", 1, 0, 10, 1);

  EXPECT_TRUE(Is<PropertyControlAdapterEnum>(mode));  // never the text adapter
  EXPECT_FALSE(Is<PropertyControlAdapterString>(mode));
  EXPECT_TRUE(Is<PropertyControlAdapterString>(text));
  EXPECT_FALSE(Is<PropertyControlAdapterFile>(text));
  EXPECT_TRUE(Is<PropertyControlAdapterFile>(lut));
  EXPECT_TRUE(Is<PropertyControlAdapterInt<int>>(integer));
  EXPECT_TRUE(Is<PropertyControlAdapterInt<unsigned int>>(Param<unsigned int>("S", "U", 1u)));
  EXPECT_TRUE(Is<PropertyControlAdapterInt<long long>>(Param<long long>("S", "L", 1LL)));
  EXPECT_TRUE(Is<PropertyControlAdapterFloat>(Param<double>("S", "D", 1.0)));
  EXPECT_TRUE(Is<PropertyControlAdapterBool>(Param<bool>("S", "B", true)));

  // One shared adapter per type; a new file adapter each time.
  EXPECT_EQ(Factory::GetControlAdapter(integer).get(), Factory::GetControlAdapter(Param<int>("S", "Other", 0)).get());
  EXPECT_NE(Factory::GetControlAdapter(lut).get(), Factory::GetControlAdapter(lut).get());
}

// A parameter type the dialog does not know.
class OddParam : public Param<int> {
 public:
  OddParam() : Param<int>("S", "Odd", 0) {}
};

TEST_F(ControlAdapterTest, UnsupportedTypeIsARuntimeError) {
  try {
    Factory::GetControlAdapter(OddParam());
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Unsupported parameter type");
  }
}

TEST_F(ControlAdapterTest, CreatesItemsLabelledAndEditableAsTheParameter) {
  Param<std::string> lut("Image", "LUTtable", "/tmp/a.csv");
  lut.set_attribute(kAttributeFriendlyName, std::string("Lookup table"));
  Param<double> gamma("Image", "Gamma", 1.5, 0.4, 2.5, 0.0);
  gamma.set_enabled(false);

  const int fileItem = Factory::GetControlAdapter(lut)->CreateControl(lut, _grid, _section);
  const int gammaItem = Factory::GetControlAdapter(gamma)->CreateControl(gamma, _grid, _section);
  ASSERT_EQ(fileItem, 0);
  ASSERT_EQ(gammaItem, 1);
  const CPropertyGrid::Item& file = *_grid.GetItem(fileItem);
  EXPECT_EQ(file.type, CPropertyGrid::ItemType::File);
  EXPECT_EQ(file.label, "Lookup table");
  EXPECT_EQ(file.text, "/tmp/a.csv");
  EXPECT_EQ(file.filter, "LUT table (*.csv)|*.csv||");
  EXPECT_TRUE(file.editable);
  EXPECT_EQ(_grid.GetItem(gammaItem)->label, "Gamma");
  EXPECT_FALSE(_grid.IsItemEditable(gammaItem));

  // Without a friendly name the file item carries the name; a second item
  // of the same label is refused.
  Param<std::string> plain("Image", "LUTtable", "");
  const int second = _grid.AddSection("T");
  EXPECT_EQ(_grid.GetItem(Factory::GetControlAdapter(plain)->CreateControl(plain, _grid, second))->label, "LUTtable");
  EXPECT_EQ(Factory::GetControlAdapter(gamma)->CreateControl(gamma, _grid, _section), -1);
}

TEST_F(ControlAdapterTest, EnumIsAComboOfItsLabelsAndTravelsAsTheLabel) {
  ParamEnum trigger("Acquisition", "TriggerInput", "None");
  trigger.add_option("None", 1);
  trigger.add_option("IN1", 2);
  trigger.add_option("IN2", 4);
  trigger.set_by_value(4);
  auto adapter = Factory::GetControlAdapter(trigger);
  const int item = adapter->CreateControl(trigger, _grid, _section);
  EXPECT_EQ(_grid.GetItem(item)->options, (std::vector<std::string>{"None", "IN1", "IN2"}));
  EXPECT_EQ(_grid.GetItem(item)->selected, 2);

  ASSERT_TRUE(_grid.SetItemValue(item, "IN1"));
  adapter->GetControlValue(trigger, _grid, item);
  EXPECT_EQ(trigger.value(), "IN1");
  EXPECT_EQ(trigger.currEnumVal(), 2);

  trigger.set_by_value(1);
  adapter->SetControlValue(trigger, _grid, item);
  EXPECT_EQ(_grid.GetItemText(item), "None");

  // A value that is none of the labels shows the first option.
  ParamEnum odd("Acquisition", "Output1", "None");
  odd.add_option("A", 8);
  odd.add_option("B", 16);
  odd.set_val<std::string>("Z");
  const int oddItem = Factory::GetControlAdapter(odd)->CreateControl(odd, _grid, _section);
  EXPECT_EQ(_grid.GetItem(oddItem)->selected, 0);
  // ...and a grid refusing the value is reported with the name.
  try {
    Factory::GetControlAdapter(odd)->SetControlValue(odd, _grid, oddItem);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Failed to set control 'Output1' value");
  }
}

TEST_F(ControlAdapterTest, IntegersRoundTripInFullWidth) {
  Param<long long> big("S", "Big", 0LL, -10000000000LL, 10000000000LL, 1LL);
  auto adapter = Factory::GetControlAdapter(big);
  const int item = adapter->CreateControl(big, _grid, _section);
  ASSERT_TRUE(_grid.SetItemValue(item, 8589934593LL));
  adapter->GetControlValue(big, _grid, item);
  EXPECT_EQ(big.value(), 8589934593LL);
  big.set_val<long long>(-8589934593LL);
  adapter->SetControlValue(big, _grid, item);
  long long shown = 0;
  EXPECT_TRUE(_grid.GetItemValue(item, shown));
  EXPECT_EQ(shown, -8589934593LL);

  // Nothing is clamped here: validation comes later.
  Param<int> width("AOI", "Width", 100, 1, 200, 0);
  auto intAdapter = Factory::GetControlAdapter(width);
  const int widthItem = intAdapter->CreateControl(width, _grid, _section);
  _grid.SetItemValue(widthItem, 5000);
  intAdapter->GetControlValue(width, _grid, widthItem);
  EXPECT_EQ(width.value(), 5000);

  // An unsigned parameter cannot take a negative item value.
  Param<unsigned int> count("S", "Count", 3u);
  auto unsignedAdapter = Factory::GetControlAdapter(count);
  const int countItem = unsignedAdapter->CreateControl(count, _grid, _section);
  _grid.SetItemValue(countItem, -1);
  try {
    unsignedAdapter->GetControlValue(count, _grid, countItem);
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Failed to get control 'Count' value");
  }
  EXPECT_EQ(count.value(), 3u);
}

TEST_F(ControlAdapterTest, WrongParameterTypeIsABadCastNamingIt) {
  Param<int> width("AOI", "Width", 100, 1, 200, 0);
  PropertyControlAdapterFloat floatAdapter;
  PropertyControlAdapterEnum enumAdapter;
  Param<std::string> text("S", "Text", "");
  const int item = _grid.AddDoubleItem(_section, "x", 1.0);
  for (auto call : {+[](PropertyControlAdapter&a, Param_&p, CPropertyGrid&g, int s) { a.CreateControl(p, g, s); },
                    +[](PropertyControlAdapter&a, Param_&p, CPropertyGrid&g, int i) { a.SetControlValue(p, g, i); },
                    +[](PropertyControlAdapter&a, Param_&p, CPropertyGrid&g, int i) { a.GetControlValue(p, g, i); }}) {
    try {
      call(floatAdapter, width, _grid, item);
      FAIL() << "no exception";
    } catch (const std::bad_cast& e) {
      EXPECT_STREQ(e.what(), "Wrong parameter 'Width' type");
    }
    // A plain text is not an enumeration either.
    EXPECT_THROW(call(enumAdapter, text, _grid, item), std::bad_cast);
  }
  EXPECT_EQ(width.value(), 100);
}

}  // namespace
}  // namespace ecocam::ui
