// CPropertyGeneral: the General page of the configuration sheet. It shows
// every visible parameter of the set being edited as an item of its grid,
// one section per parameter section, writes each edit back into the set,
// validates the whole set after every edit (OK button and status bar), keeps
// every item's editability in step with its parameter, and shows the
// focused parameter's name, range and description in the two labels.
//
// The set is the caller's copy; nothing here reaches the camera. Every
// handler catches everything and logs it, so the dialog stays open.
// User-interface thread only.
#pragma once

#include <map>
#include <string>

#include <boost/shared_ptr.hpp>

#include "params/camera_parameters.h"
#include "ui/configure_view.h"
#include "ui/property_control_adapter.h"
#include "ui/property_grid.h"
#include "ui/sheet1.h"

namespace ecocam::ui {

// The hidden parameter that remembers the focused item between dialogs.
inline constexpr char kLastFocusedItemName[] = "LastFocusedItemName";
inline constexpr char kInternalSection[] = "Internal";

class CPropertyGeneral : public PropertyGridOwner {
 public:
  // `parameters`, `sheet` and `labels` must outlive the page.
  CPropertyGeneral(CameraParameters& parameters, CSheet1& sheet, PageView& labels);
  CPropertyGeneral(const CPropertyGeneral&) = delete;
  CPropertyGeneral& operator=(const CPropertyGeneral&) = delete;

  // The adapter for a parameter: a new file adapter for LUTtable, else the
  // process-wide one of its exact type. Throws std::runtime_error
  // ("Unsupported parameter type") for any other type.
  static boost::shared_ptr<PropertyControlAdapter> GetControlAdapter(const Param_& parameter);

  // Fills the grid and validates once; the view calls it when the page's
  // windows exist. Returns true.
  bool OnInitDialog();
  // Notification 1510: the user changed `item`'s value.
  void OnItemChanged(int item);
  // Notification 1511: `item` got the focus (-1: none).
  void OnFocusChanged(int item);

  void OnGridNotify(int message, int item) override;

  CPropertyGrid& Grid() { return _grid; }
  const CPropertyGrid& Grid() const { return _grid; }
  int LutTableItem() const { return _lutTableItem; }
  int LutColumnItem() const { return _lutColumnItem; }
  // The item showing the named parameter, or -1.
  int ItemOf(const std::string& name) const;

 private:
  int SectionOf(const Param_& parameter);
  // Copies the item's value into the parameter; false (the item reset to
  // the parameter's value, the status bar telling why) when it cannot.
  bool TakeItemValue(Param_& parameter, int item);
  void BuildLutColumnItem();
  // Shows again the values Validate corrected in the set.
  void RefreshItems(const std::map<int, std::string>& before);
  std::map<int, std::string> ItemTexts();

  CameraParameters& _parameters;
  CSheet1& _sheet;
  CPropertyGrid _grid;
  PageView& _labels;
  int _lutTableItem = -1;
  int _lutColumnItem = -1;
  std::map<int, Param_*> _items;  // points into _parameters, whose parameters never move
  std::map<std::string, int> _sections;
};

}  // namespace ecocam::ui
