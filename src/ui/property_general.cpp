// The General page: building the grid, handling edits and focus changes.
#include "ui/property_general.h"

#include <exception>
#include <locale>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <typeindex>
#include <utility>
#include <vector>

#include "driver/driver_context.h"
#include "params/lut_table_file.h"
#include "params/param_names.h"

namespace ecocam::ui {

namespace pn = param_name;

CPropertyGeneral::CPropertyGeneral(CameraParameters& parameters, CSheet1& sheet, PageView& labels)
    : _parameters(parameters), _sheet(sheet), _labels(labels) {
  _grid.SetOwner(this);
}

boost::shared_ptr<PropertyControlAdapter> CPropertyGeneral::GetControlAdapter(const Param_& parameter) {
  using Entry = std::pair<std::type_index, boost::shared_ptr<PropertyControlAdapter>>;
  // Built once, on the first call; the adapters are stateless and live
  // until the process ends.
  static const std::vector<Entry> table = {
      {typeid(Param<bool>), boost::shared_ptr<PropertyControlAdapter>(new PropertyControlAdapterBool)},
      {typeid(Param<int>), boost::shared_ptr<PropertyControlAdapter>(new PropertyControlAdapterInt<int>)},
      {typeid(Param<unsigned int>),
       boost::shared_ptr<PropertyControlAdapter>(new PropertyControlAdapterInt<unsigned int>)},
      {typeid(Param<long long>), boost::shared_ptr<PropertyControlAdapter>(new PropertyControlAdapterInt<long long>)},
      {typeid(Param<double>), boost::shared_ptr<PropertyControlAdapter>(new PropertyControlAdapterFloat)},
      {typeid(Param<std::string>), boost::shared_ptr<PropertyControlAdapter>(new PropertyControlAdapterString)},
      {typeid(ParamEnum), boost::shared_ptr<PropertyControlAdapter>(new PropertyControlAdapterEnum)},
  };
  if (parameter.name() == pn::LUTtable) {
    return boost::shared_ptr<PropertyControlAdapter>(new PropertyControlAdapterFile);
  }
  const std::type_index type(typeid(parameter));  // exact type: a ParamEnum is not a text
  for (const Entry& entry : table) {
    if (entry.first == type) return entry.second;
  }
  throw std::runtime_error("Unsupported parameter type");
}

int CPropertyGeneral::SectionOf(const Param_& parameter) {
  const auto found = _sections.find(parameter.section());
  if (found != _sections.end()) return found->second;
  const int section = _grid.AddSection(parameter.section(), true);
  _sections.emplace(parameter.section(), section);
  return section;
}

int CPropertyGeneral::ItemOf(const std::string& name) const {
  for (const auto& entry : _items) {
    if (entry.second->name() == name) return entry.first;
  }
  return -1;
}

bool CPropertyGeneral::OnInitDialog() {
  try {
    const std::string lastFocused = _parameters.Has(kLastFocusedItemName)
                                        ? _parameters.Get(kLastFocusedItemName).get_val<std::string>()
                                        : std::string();
    // By index: selecting an item may add a parameter to the set.
    for (std::size_t i = 0; i < _parameters.size(); ++i) {
      Param_& parameter = *(_parameters.begin() + static_cast<std::ptrdiff_t>(i));
      if (!parameter.visible()) continue;
      const int section = SectionOf(parameter);
      int item = -1;
      if (parameter.name() == pn::LUTtableRow) {
        BuildLutColumnItem();
        item = _lutColumnItem;
      } else {
        item = GetControlAdapter(parameter)->CreateControl(parameter, _grid, section);
      }
      if (parameter.name() == pn::LUTtable) _lutTableItem = item;
      if (item == -1) {
        ECOCAM_LOG(1, "CPropertyGeneral::OnInitDialog ERROR when creating listview item");
        continue;
      }
      _items[item] = &parameter;
      if (!lastFocused.empty() && parameter.name() == lastFocused) _grid.SelectItem(item);
    }
  } catch (...) {
    ECOCAM_LOG(1, "CPropertyGeneral::OnInitDialog: ERROR: Exception occured");
  }
  OnItemChanged(0);
  OnFocusChanged(-1);
  return true;
}

void CPropertyGeneral::BuildLutColumnItem() {
  Param_* row = _parameters.GetParam(pn::LUTtableRow);
  if (row == nullptr) return;
  bool editable = _parameters.Get(pn::UseLUT).get_val<bool>();
  if (_lutColumnItem != -1) {
    _grid.RemoveItem(_lutColumnItem);
    _items.erase(_lutColumnItem);
    _lutColumnItem = -1;
  }
  const LutTableFile file(_parameters.Get(pn::LUTtable).get_val<std::string>());
  const std::vector<std::string>& columns = file.ColumnNames();
  if (columns.empty()) editable = false;
  const std::string current = row->get_val<std::string>();
  int selected = -1;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i] == current) selected = static_cast<int>(i);
  }
  const int section = SectionOf(*row);
  _lutColumnItem = _grid.AddComboItem(section, pn::LUTtableRow, columns, selected, editable);
  if (_lutColumnItem != -1) _items[_lutColumnItem] = row;
}

std::map<int, std::string> CPropertyGeneral::ItemTexts() {
  std::map<int, std::string> texts;
  for (const auto& entry : _items) texts.emplace(entry.first, entry.second->to_string());
  return texts;
}

void CPropertyGeneral::RefreshItems(const std::map<int, std::string>& before) {
  for (const auto& entry : _items) {
    const auto old = before.find(entry.first);
    if (old == before.end() || entry.first == _lutColumnItem) continue;
    if (entry.second->to_string() == old->second) continue;
    GetControlAdapter(*entry.second)->SetControlValue(*entry.second, _grid, entry.first);
  }
}

// A value the parameter cannot take (an integer beyond its type, say) makes
// the adapter throw: the parameter keeps its value, and the item shows it
// again, so the grid shows what OK will save. The status bar tells the user;
// the set is unchanged, so its validation and the OK button stand.
bool CPropertyGeneral::TakeItemValue(Param_& parameter, int item) {
  const std::string entered = _grid.GetItemText(item);
  try {
    GetControlAdapter(parameter)->GetControlValue(parameter, _grid, item);
    return true;
  } catch (...) {
    ECOCAM_LOG(1, "CPropertyGeneral::OnItemChanged: ERROR: Exception occured");
  }
  GetControlAdapter(parameter)->SetControlValue(parameter, _grid, item);
  _sheet.SetStatus(parameter.name() + ": the value " + entered + " was not taken; it stays " + _grid.GetItemText(item));
  return false;
}

void CPropertyGeneral::OnItemChanged(int item) {
  try {
    const auto found = _items.find(item);
    if (found == _items.end()) {
      ECOCAM_LOG(1, "CPropertyGeneral::OnItemChanged ERROR: parameter not found\n");
      return;
    }
    Param_& parameter = *found->second;
    if (!TakeItemValue(parameter, item)) return;

    // Validate may correct values (binning, area of interest); the grid
    // then shows what the set holds, not the rejected entry.
    const std::map<int, std::string> before = ItemTexts();
    std::string message;
    const bool valid = _parameters.Validate(message);
    _sheet.EnableOk(valid);
    if (!valid) _sheet.SetStatus(message);
    RefreshItems(before);

    if (parameter.name() == pn::LUTtable) {
      _parameters.Get(pn::LUTtableRow).set_val<std::string>("");
      BuildLutColumnItem();
    }
    for (const auto& entry : _items) {
      bool editable = entry.second->enabled();
      // The column list stays read-only while it offers nothing to choose.
      if (entry.first == _lutColumnItem) {
        const CPropertyGrid::Item* columns = _grid.GetItem(entry.first);
        editable = editable && columns != nullptr && !columns->options.empty();
      }
      _grid.SetItemEditable(entry.first, editable);
    }
  } catch (...) {
    ECOCAM_LOG(1, "CPropertyGeneral::OnItemChanged: ERROR: Exception occured");
  }
}

void CPropertyGeneral::OnFocusChanged(int item) {
  try {
    const auto found = _items.find(item);
    if (found == _items.end()) return;
    Param_& parameter = *found->second;

    std::string name = parameter.name();
    if (parameter.enabled()) {
      const bool isDouble = dynamic_cast<const Param<double>*>(&parameter) != nullptr;
      if (isDouble || dynamic_cast<const Param<int>*>(&parameter) != nullptr ||
          dynamic_cast<const Param<long long>*>(&parameter) != nullptr) {
        std::ostringstream range;
        range.imbue(std::locale::classic());
        if (isDouble) range.precision(9);
        parameter.print_range(range);
        name += " " + range.str();
      }
    }

    if (_parameters.Has(kLastFocusedItemName)) {
      _parameters.Get(kLastFocusedItemName).set_val<std::string>(parameter.name());
    } else {
      auto remembered = std::make_unique<Param<std::string>>(kInternalSection, kLastFocusedItemName, parameter.name());
      remembered->set_persistent(false);
      remembered->set_visible(false);
      remembered->set_enabled(false);
      _parameters.Add(std::move(remembered));
    }

    _labels.SetNameLabel(name);
    _labels.SetDescriptionLabel(parameter.description());
  } catch (...) {
    ECOCAM_LOG(1, "CPropertyGeneral::OnFocusChanged: ERROR: Exception occured");
  }
}

void CPropertyGeneral::OnGridNotify(int message, int item) {
  if (message == kGridItemChanged) {
    OnItemChanged(item);
  } else if (message == kGridFocusChanged) {
    OnFocusChanged(item);
  }
}

}  // namespace ecocam::ui
