// The grid model: handles, typed values, editability, focus and the owner's
// notifications.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "ui/property_grid.h"

namespace ecocam::ui {
namespace {

struct RecordingOwner : PropertyGridOwner {
  void OnGridNotify(int message, int item) override { calls.emplace_back(message, item); }
  std::vector<std::pair<int, int>> calls;
};

TEST(PropertyGrid, HandlesCountFromZeroAndRefuseMissingSectionsAndDuplicateLabels) {
  CPropertyGrid grid;
  EXPECT_EQ(grid.AddBoolItem(0, "a", true), -1);  // no section yet
  const int s0 = grid.AddSection("AOI");
  const int s1 = grid.AddSection("Image", false);
  EXPECT_EQ(s0, 0);
  EXPECT_EQ(s1, 1);
  EXPECT_FALSE(grid.Sections()[1].expanded);
  EXPECT_EQ(grid.AddIntegerItem(s0, "Width", 100), 0);
  EXPECT_EQ(grid.AddIntegerItem(s0, "Width", 5), -1);
  EXPECT_EQ(grid.AddStringItem(s1, "Width", "same label, other section"), 1);
  EXPECT_EQ(grid.AddDoubleItem(7, "Gamma", 1.0), -1);

  // A removed item frees its label but never its handle.
  EXPECT_TRUE(grid.RemoveItem(0));
  EXPECT_FALSE(grid.RemoveItem(0));
  EXPECT_FALSE(grid.SetItemValue(0, 5));
  EXPECT_EQ(grid.AddIntegerItem(s0, "Width", 7), 2);
  EXPECT_EQ(grid.FindItem("Width"), 1);
}

TEST(PropertyGrid, TypedValuesKeepTheirTypeAndRange) {
  CPropertyGrid grid;
  const int s = grid.AddSection("S");
  const int flag = grid.AddBoolItem(s, "flag", true);
  const int wide = grid.AddIntegerItem(s, "wide", 5000000000LL);
  const int ratio = grid.AddDoubleItem(s, "ratio", 0.4);
  const int file = grid.AddFileItem(s, "file", "a.csv", "LUT table (*.csv)|*.csv||");

  long long big = 0;
  EXPECT_TRUE(grid.GetItemValue(wide, big));
  EXPECT_EQ(big, 5000000000LL);
  int narrow = 0;
  unsigned int unsignedValue = 0;
  EXPECT_FALSE(grid.GetItemValue(wide, narrow));  // does not fit: refused, not cut
  EXPECT_TRUE(grid.SetItemValue(wide, -1));
  EXPECT_FALSE(grid.GetItemValue(wide, unsignedValue));
  EXPECT_TRUE(grid.SetItemValue(wide, 4294967295u));
  EXPECT_TRUE(grid.GetItemValue(wide, unsignedValue));
  EXPECT_EQ(unsignedValue, 4294967295u);

  bool b = false;
  double d = 0;
  std::string text;
  EXPECT_FALSE(grid.SetItemValue(flag, 1));  // an integer is not a bool
  EXPECT_FALSE(grid.SetItemValue(ratio, true));
  EXPECT_FALSE(grid.GetItemValue(flag, text));
  EXPECT_TRUE(grid.GetItemValue(flag, b));
  EXPECT_TRUE(b);
  EXPECT_TRUE(grid.GetItemValue(ratio, d));
  EXPECT_DOUBLE_EQ(d, 0.4);
  EXPECT_TRUE(grid.SetItemValue(file, "b.csv"));
  EXPECT_TRUE(grid.GetItemValue(file, text));
  EXPECT_EQ(text, "b.csv");
}

TEST(PropertyGrid, ComboTravelsAsTheSelectedLabel) {
  CPropertyGrid grid;
  const int s = grid.AddSection("S");
  const int combo = grid.AddComboItem(s, "mode", {"Off", "On"}, 5);  // out of range: no selection
  std::string text = "x";
  EXPECT_TRUE(grid.GetItemValue(combo, text));
  EXPECT_EQ(text, "");
  EXPECT_TRUE(grid.SetItemValue(combo, "On"));
  EXPECT_FALSE(grid.SetItemValue(combo, "Maybe"));
  EXPECT_TRUE(grid.GetItemValue(combo, text));
  EXPECT_EQ(text, "On");
  EXPECT_TRUE(grid.SetComboSelection(combo, 0));
  EXPECT_FALSE(grid.SetComboSelection(combo, 2));
  EXPECT_EQ(grid.GetItemText(combo), "Off");
}

TEST(PropertyGrid, TextEditingParsesTheWholeTextAndAppliesSafeFormats) {
  CPropertyGrid grid;
  const int s = grid.AddSection("S");
  const int hex = grid.AddIntegerItem(s, "hex", 255, "0x%04X");
  const int bad = grid.AddIntegerItem(s, "bad", 7, "%s %d");  // unusable: default format
  const int ratio = grid.AddDoubleItem(s, "ratio", 1.5, "%.2f");
  EXPECT_EQ(grid.GetItemText(hex), "0x00FF");
  EXPECT_EQ(grid.GetItemText(bad), "7");
  EXPECT_EQ(grid.GetItemText(ratio), "1.50");

  EXPECT_TRUE(grid.SetItemText(bad, " -12 "));
  EXPECT_EQ(grid.GetItemText(bad), "-12");
  EXPECT_FALSE(grid.SetItemText(bad, "12abc"));
  EXPECT_FALSE(grid.SetItemText(bad, ""));
  EXPECT_EQ(grid.GetItemText(bad), "-12");
  EXPECT_TRUE(grid.SetItemText(ratio, "2.25"));
  double d = 0;
  grid.GetItemValue(ratio, d);
  EXPECT_DOUBLE_EQ(d, 2.25);
}

TEST(PropertyGrid, SelectionAndEditsNotifyTheOwner) {
  CPropertyGrid grid;
  RecordingOwner owner;
  grid.SetOwner(&owner);
  const int s = grid.AddSection("S");
  const int a = grid.AddBoolItem(s, "a", false);
  const int b = grid.AddBoolItem(s, "b", false, false);
  EXPECT_FALSE(grid.IsItemEditable(b));
  EXPECT_TRUE(grid.SetItemEditable(b, true));
  EXPECT_TRUE(grid.IsItemEditable(b));

  EXPECT_TRUE(grid.SetItemValue(a, true));  // the program's own set tells nobody
  EXPECT_TRUE(owner.calls.empty());
  EXPECT_TRUE(grid.SelectItem(b));
  EXPECT_FALSE(grid.SelectItem(9));
  grid.NotifyItemChanged(a);
  EXPECT_TRUE(grid.SelectItem(-1));
  const std::vector<std::pair<int, int>> expected = {{1511, b}, {1510, a}, {1511, -1}};
  EXPECT_EQ(owner.calls, expected);

  grid.SelectItem(a);
  grid.RemoveItem(a);
  EXPECT_EQ(grid.GetSelectedItem(), -1);
}

}  // namespace
}  // namespace ecocam::ui
