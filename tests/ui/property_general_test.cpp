// The General page driven like a user: items from the set, edits written
// back and validated, editability, the lookup-table column list, labels.
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_view.h"
#include "params/params_fixture.h"
#include "ui/property_general.h"

namespace ecocam::ui {
namespace {

using ecocam::testing::FakeView;
namespace pn = param_name;

class PropertyGeneralTest : public ecocam::testing::ParamsTest {
 protected:
  PropertyGeneralTest() : _set(CameraInfo{1, "eco424MVGE"}) {
    // The imager's limits, as an open camera would have read them.
    _set.Get(pn::Width).set_max<int>(1280);
    _set.Get(pn::Height).set_max<int>(1024);
    _set.Get(pn::OffsetX).set_max<int>(1279);
  }

  CPropertyGeneral& Open() {
    _page = std::make_unique<CPropertyGeneral>(_set, _sheet, _view);
    _page->OnInitDialog();
    return *_page;
  }

  bool Editable(const std::string& name) const { return _page->Grid().IsItemEditable(_page->ItemOf(name)); }

  std::string WriteFile(const std::string& name, const std::string& content) {
    const std::string path = (_dir.path() / name).string();
    std::ofstream(path) << content;
    return path;
  }

  const CPropertyGrid::Item& ItemNamed(const std::string& name) const {
    return *_page->Grid().GetItem(_page->ItemOf(name));
  }

  CameraParameters _set;
  FakeView _view;
  CSheet1 _sheet{"title", _view};
  std::unique_ptr<CPropertyGeneral> _page;
};

TEST_F(PropertyGeneralTest, ShowsVisibleParametersInOneSectionEach) {
  for (const char* name : {pn::LogLevel, pn::LogIntoFile}) _set.Get(name).set_visible(false);
  CPropertyGeneral& page = Open();

  std::vector<std::string> titles;
  for (const auto& section : page.Grid().Sections()) titles.push_back(section.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"AOI", "Image", "Analog", "Auto", "Acquisition"}));
  EXPECT_EQ(page.ItemOf(pn::Width), 0);  // list order
  EXPECT_EQ(page.ItemOf(pn::LogLevel), -1);
  EXPECT_EQ(page.ItemOf(pn::LogDebugView), -1);
  EXPECT_EQ(page.Grid().Items().size(), 33u);
  EXPECT_EQ(page.LutTableItem(), page.ItemOf(pn::LUTtable));
  EXPECT_EQ(page.LutColumnItem(), page.ItemOf(pn::LUTtableRow));

  // Validated once: OK on, status clear, flags applied, labels untouched.
  EXPECT_TRUE(_view.okEnabled);
  EXPECT_EQ(_view.status, "");
  EXPECT_EQ(_view.nameLabel, "(Name)");
  EXPECT_TRUE(Editable(pn::Gamma));
  EXPECT_FALSE(Editable(pn::LUTtable));
  EXPECT_FALSE(Editable(pn::AutoGainBrightness));
  EXPECT_FALSE(Editable(pn::BayerMethod));  // a monochrome camera
}

TEST_F(PropertyGeneralTest, SwitchingUseLutMovesEditabilityAtOnce) {
  const std::string lut = WriteFile("lut.csv", "in;linear\n0;0\n1;1\n");
  _set.Get(pn::LUTtable).set_val<std::string>(lut);
  CPropertyGeneral& page = Open();
  EXPECT_FALSE(Editable(pn::LUTtableRow));

  FakeView::Edit(page, pn::UseLUT, true);
  EXPECT_TRUE(_set.Get(pn::UseLUT).get_val<bool>());
  EXPECT_TRUE(Editable(pn::LUTtable));
  EXPECT_TRUE(Editable(pn::LUTtableRow));
  EXPECT_FALSE(Editable(pn::Gamma));

  FakeView::Edit(page, pn::UseLUT, false);
  EXPECT_FALSE(Editable(pn::LUTtable));
  EXPECT_TRUE(Editable(pn::Gamma));
}

TEST_F(PropertyGeneralTest, InvalidWidthDisablesOkAndAValidEditRestoresIt) {
  CPropertyGeneral& page = Open();
  FakeView::Edit(page, pn::Width, 1300);
  EXPECT_FALSE(_view.okEnabled);
  EXPECT_FALSE(_sheet.OkEnabled());
  EXPECT_EQ(_view.status, "Width + OffsetX = 1300, which is more than maxWidth= 1280");
  // The set holds the corrected width, and so does the grid.
  EXPECT_EQ(_set.Get(pn::Width).get_val<int>(), 200);
  EXPECT_EQ(page.Grid().GetItemText(page.ItemOf(pn::Width)), "200");

  FakeView::Edit(page, pn::Gamma, 1.0);
  EXPECT_TRUE(_view.okEnabled);
  EXPECT_EQ(_view.status, "");

  FakeView::Edit(page, pn::Gamma, 9.0);
  EXPECT_FALSE(_view.okEnabled);
  EXPECT_EQ(_view.status, "Image: Gamma: out of range [0.4..2.5]");
  EXPECT_DOUBLE_EQ(_set.Get(pn::Gamma).get_val<double>(), 9.0);  // kept as entered
}

// A value the grid holds but the parameter cannot (an int's Width of three
// thousand million): the item shows the parameter's value again, so the grid
// shows what OK will save, and the status bar says the value was not taken.
TEST_F(PropertyGeneralTest, AValueTheParameterCannotTakeIsShownBackAndReported) {
  CPropertyGeneral& page = Open();
  FakeView::Edit(page, pn::Width, 640);
  _log.Take();
  FakeView::Edit(page, pn::Width, 3000000000LL);
  EXPECT_EQ(_set.Get(pn::Width).get_val<int>(), 640);
  EXPECT_EQ(page.Grid().GetItemText(page.ItemOf(pn::Width)), "640");
  EXPECT_EQ(_view.status, "Width: the value 3000000000 was not taken; it stays 640");
  EXPECT_TRUE(_view.okEnabled);
  EXPECT_EQ(_log.Take(), (std::vector<std::string>{"CPropertyGeneral::OnItemChanged: ERROR: Exception occured"}));

  // While the set is invalid, OK stays disabled through a refused value.
  FakeView::Edit(page, pn::Gamma, 9.0);
  FakeView::Edit(page, pn::Height, -5000000000LL);
  EXPECT_FALSE(_view.okEnabled);
  EXPECT_EQ(page.Grid().GetItemText(page.ItemOf(pn::Height)), std::to_string(_set.Get(pn::Height).get_val<int>()));
  FakeView::Edit(page, pn::Gamma, 1.0);
  EXPECT_TRUE(_view.okEnabled);
  EXPECT_EQ(_view.status, "");
}

TEST_F(PropertyGeneralTest, BinningCorrectedByValidationIsShown) {
  CPropertyGeneral& page = Open();
  FakeView::Edit(page, pn::Width, 101);
  FakeView::Edit(page, pn::Binning, "2x2");
  EXPECT_FALSE(_view.okEnabled);
  EXPECT_EQ(_set.Get(pn::Binning).get_val<std::string>(), "Off");
  EXPECT_EQ(page.Grid().GetItemText(page.ItemOf(pn::Binning)), "Off");
}

TEST_F(PropertyGeneralTest, ChangingTheLutFileOffersItsColumns) {
  const std::string first = WriteFile("first.csv", "in;red;green\n0;1;2\n");
  const std::string second = WriteFile("second.csv", "in;a;b;a\n0;1;2;3\n");
  const std::string empty = WriteFile("empty.csv", "in\n0\n");
  _set.Get(pn::UseLUT).set_val<bool>(true);
  _set.Get(pn::LUTtable).set_val<std::string>(first);
  _set.Get(pn::LUTtableRow).set_val<std::string>("green");
  CPropertyGeneral& page = Open();
  EXPECT_EQ(ItemNamed(pn::LUTtableRow).options, (std::vector<std::string>{"red", "green"}));
  EXPECT_EQ(ItemNamed(pn::LUTtableRow).selected, 1);

  const int oldColumnItem = page.LutColumnItem();
  FakeView::Edit(page, pn::LUTtable, second);
  EXPECT_EQ(_set.Get(pn::LUTtable).get_val<std::string>(), second);
  EXPECT_EQ(_set.Get(pn::LUTtableRow).get_val<std::string>(), "");
  EXPECT_NE(page.LutColumnItem(), oldColumnItem);
  EXPECT_EQ(page.Grid().GetItem(oldColumnItem), nullptr);
  EXPECT_EQ(ItemNamed(pn::LUTtableRow).options, (std::vector<std::string>{"a", "b", "a"}));
  EXPECT_EQ(ItemNamed(pn::LUTtableRow).selected, -1);
  EXPECT_TRUE(Editable(pn::LUTtableRow));

  FakeView::Edit(page, pn::LUTtableRow, "b");
  EXPECT_EQ(_set.Get(pn::LUTtableRow).get_val<std::string>(), "b");

  for (const std::string& path : {empty, (_dir.path() / "missing.csv").string()}) {
    FakeView::Edit(page, pn::LUTtable, path);
    EXPECT_TRUE(ItemNamed(pn::LUTtableRow).options.empty()) << path;
    EXPECT_FALSE(Editable(pn::LUTtableRow)) << path;
    EXPECT_TRUE(Editable(pn::LUTtable)) << path;
  }
}

TEST_F(PropertyGeneralTest, FocusShowsNameRangeAndDescriptionAndIsRemembered) {
  _set.Add(std::make_unique<Param<unsigned int>>("Extra", "Count", 3u, 0u, 9u, 1u));
  CPropertyGeneral& page = Open();
  CPropertyGrid& grid = page.Grid();

  grid.SelectItem(page.ItemOf(pn::Width));
  EXPECT_EQ(_view.nameLabel, "Width [1..1280]");
  grid.SelectItem(page.ItemOf(pn::FrameRate));
  EXPECT_EQ(_view.nameLabel, "FrameRate [1..100]");
  EXPECT_EQ(_view.descriptionLabel, "Set frames per second");
  grid.SelectItem(page.ItemOf(pn::Gamma));
  EXPECT_EQ(_view.nameLabel, "Gamma [0.4..2.5]");
  grid.SelectItem(page.ItemOf("Count"));
  EXPECT_EQ(_view.nameLabel, "Count");
  grid.SelectItem(page.ItemOf(pn::Binning));
  EXPECT_EQ(_view.nameLabel, "Binning");

  FakeView::Edit(page, pn::UseLUT, true);
  grid.SelectItem(page.ItemOf(pn::Gamma));
  EXPECT_EQ(_view.nameLabel, "Gamma");  // disabled: no range

  const Param_& remembered = _set.Get(kLastFocusedItemName);
  EXPECT_EQ(remembered.get_val<std::string>(), "Gamma");
  EXPECT_EQ(remembered.section(), "Internal");
  EXPECT_FALSE(remembered.visible() || remembered.persistent() || remembered.enabled());

  grid.SelectItem(-1);  // nothing focused: labels stay
  EXPECT_EQ(_view.nameLabel, "Gamma");
}

TEST_F(PropertyGeneralTest, UnknownItemIsLoggedAndChangesNothing) {
  CPropertyGeneral& page = Open();
  _log.Take();
  page.Grid().NotifyItemChanged(999);
  EXPECT_EQ(_log.Take(), (std::vector<std::string>{"CPropertyGeneral::OnItemChanged ERROR: parameter not found"}));
  EXPECT_TRUE(_view.okEnabled);
}

TEST_F(PropertyGeneralTest, EmptySetLogsTheMissingFirstItem) {
  for (Param_& p : _set) p.set_visible(false);
  CPropertyGeneral& page = Open();
  EXPECT_TRUE(page.Grid().Items().empty());
  EXPECT_TRUE(page.Grid().Sections().empty());
  const auto lines = _log.Take();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "CPropertyGeneral::OnItemChanged ERROR: parameter not found"),
            lines.end());
}

}  // namespace
}  // namespace ecocam::ui
