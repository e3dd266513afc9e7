// The grid model: sections, typed items, focus and owner notifications.
#include "ui/property_grid.h"

#include <cstdio>
#include <limits>
#include <locale>
#include <optional>
#include <sstream>
#include <utility>

namespace ecocam::ui {

namespace {

// A display format is applied only when it holds exactly one conversion of
// the item's kind (integer: d i u o x X; floating: f F e E g G), with flags,
// width and precision; anything else falls back to the default, so a format
// can never read a missing argument. Integer formats are rewritten to take
// a long long.
std::optional<std::string> CheckedFormat(const std::string& format, bool integer) {
  std::string out;
  int conversions = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == '%') {
      out += "%%";
      ++i;
      continue;
    }
    std::string conversion = "%";
    ++i;
    while (i < format.size() && std::string("-+ 0#").find(format[i]) != std::string::npos) conversion += format[i++];
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') conversion += format[i++];
    if (i < format.size() && format[i] == '.') {
      conversion += format[i++];
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') conversion += format[i++];
    }
    while (i < format.size() && (format[i] == 'l' || format[i] == 'h')) ++i;  // length: ours
    if (i >= format.size()) return std::nullopt;
    const char conv = format[i];
    const std::string allowed = integer ? "diuoxX" : "fFeEgG";
    if (allowed.find(conv) == std::string::npos) return std::nullopt;
    out += conversion + (integer ? "ll" : "") + conv;
    ++conversions;
  }
  if (conversions != 1) return std::nullopt;
  return out;
}

template <typename T>
std::string Printf(const std::string& format, T value) {
  char buffer[128];
  const int n = std::snprintf(buffer, sizeof buffer, format.c_str(), value);
  if (n < 0) return std::string();
  return std::string(buffer, static_cast<std::size_t>(n) < sizeof buffer ? n : sizeof buffer - 1);
}

template <typename T>
bool ParseWhole(const std::string& text, T& value) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  T parsed{};
  in >> parsed;
  if (in.fail()) return false;
  in >> std::ws;
  if (!in.eof()) return false;
  value = parsed;
  return true;
}

}  // namespace

int CPropertyGrid::AddSection(const std::string& title, bool expanded) {
  _sections.push_back(Section{title, expanded});
  return static_cast<int>(_sections.size()) - 1;
}

int CPropertyGrid::Add(Item item) {
  if (item.section < 0 || item.section >= static_cast<int>(_sections.size())) return -1;
  for (const Item& existing : _items) {
    if (!existing.removed && existing.section == item.section && existing.label == item.label) {
      return -1;
    }
  }
  _items.push_back(std::move(item));
  return static_cast<int>(_items.size()) - 1;
}

int CPropertyGrid::AddBoolItem(int section, const std::string& label, bool value, bool editable) {
  Item item;
  item.section = section;
  item.label = label;
  item.type = ItemType::Bool;
  item.editable = editable;
  item.boolValue = value;
  return Add(std::move(item));
}

int CPropertyGrid::AddIntegerItem(int section, const std::string& label, int value, const std::string& format,
                                  bool editable) {
  return AddIntegerItem(section, label, static_cast<long long>(value), format, editable);
}

int CPropertyGrid::AddIntegerItem(int section, const std::string& label, unsigned int value, const std::string& format,
                                  bool editable) {
  return AddIntegerItem(section, label, static_cast<long long>(value), format, editable);
}

int CPropertyGrid::AddIntegerItem(int section, const std::string& label, long long value, const std::string& format,
                                  bool editable) {
  Item item;
  item.section = section;
  item.label = label;
  item.type = ItemType::Integer;
  item.editable = editable;
  item.intValue = value;
  item.format = format;
  return Add(std::move(item));
}

int CPropertyGrid::AddDoubleItem(int section, const std::string& label, double value, const std::string& format,
                                 bool editable) {
  Item item;
  item.section = section;
  item.label = label;
  item.type = ItemType::Double;
  item.editable = editable;
  item.doubleValue = value;
  item.format = format;
  return Add(std::move(item));
}

int CPropertyGrid::AddStringItem(int section, const std::string& label, const std::string& value, bool editable) {
  Item item;
  item.section = section;
  item.label = label;
  item.type = ItemType::String;
  item.editable = editable;
  item.text = value;
  return Add(std::move(item));
}

int CPropertyGrid::AddComboItem(int section, const std::string& label, const std::vector<std::string>& options,
                                int selected, bool editable) {
  Item item;
  item.section = section;
  item.label = label;
  item.type = ItemType::Combo;
  item.editable = editable;
  item.options = options;
  item.selected = selected >= 0 && selected < static_cast<int>(options.size()) ? selected : -1;
  return Add(std::move(item));
}

int CPropertyGrid::AddFileItem(int section, const std::string& label, const std::string& path,
                               const std::string& filter, bool editable) {
  Item item;
  item.section = section;
  item.label = label;
  item.type = ItemType::File;
  item.editable = editable;
  item.text = path;
  item.filter = filter;
  return Add(std::move(item));
}

CPropertyGrid::Item* CPropertyGrid::Live(int item) {
  if (item < 0 || item >= static_cast<int>(_items.size())) return nullptr;
  Item& found = _items[static_cast<std::size_t>(item)];
  return found.removed ? nullptr : &found;
}

const CPropertyGrid::Item* CPropertyGrid::GetItem(int item) const {
  return const_cast<CPropertyGrid*>(this)->Live(item);
}

int CPropertyGrid::FindItem(const std::string& label) const {
  for (std::size_t i = 0; i < _items.size(); ++i) {
    if (!_items[i].removed && _items[i].label == label) return static_cast<int>(i);
  }
  return -1;
}

bool CPropertyGrid::RemoveItem(int item) {
  Item* found = Live(item);
  if (found == nullptr) return false;
  found->removed = true;
  if (_selected == item) _selected = -1;
  return true;
}

bool CPropertyGrid::SetItemEditable(int item, bool editable) {
  Item* found = Live(item);
  if (found == nullptr) return false;
  found->editable = editable;
  return true;
}

bool CPropertyGrid::IsItemEditable(int item) const {
  const Item* found = GetItem(item);
  return found != nullptr && found->editable;
}

bool CPropertyGrid::SelectItem(int item) {
  if (item != -1 && Live(item) == nullptr) return false;
  _selected = item;
  Notify(kGridFocusChanged, item);
  return true;
}

void CPropertyGrid::NotifyItemChanged(int item) { Notify(kGridItemChanged, item); }

void CPropertyGrid::Notify(int message, int item) {
  if (_owner != nullptr) _owner->OnGridNotify(message, item);
}

bool CPropertyGrid::SetItemValue(int item, bool value) {
  Item* found = Live(item);
  if (found == nullptr || found->type != ItemType::Bool) return false;
  found->boolValue = value;
  return true;
}

bool CPropertyGrid::SetItemValue(int item, int value) { return SetItemValue(item, static_cast<long long>(value)); }

bool CPropertyGrid::SetItemValue(int item, unsigned int value) {
  return SetItemValue(item, static_cast<long long>(value));
}

bool CPropertyGrid::SetItemValue(int item, long long value) {
  Item* found = Live(item);
  if (found == nullptr || found->type != ItemType::Integer) return false;
  found->intValue = value;
  return true;
}

bool CPropertyGrid::SetItemValue(int item, double value) {
  Item* found = Live(item);
  if (found == nullptr || found->type != ItemType::Double) return false;
  found->doubleValue = value;
  return true;
}

bool CPropertyGrid::SetItemValue(int item, const std::string& value) {
  Item* found = Live(item);
  if (found == nullptr) return false;
  switch (found->type) {
    case ItemType::String:
    case ItemType::File: found->text = value; return true;
    case ItemType::Combo:
      for (std::size_t i = 0; i < found->options.size(); ++i) {
        if (found->options[i] == value) {
          found->selected = static_cast<int>(i);
          return true;
        }
      }
      return false;
    default: return false;
  }
}

bool CPropertyGrid::GetItemValue(int item, bool& value) const {
  const Item* found = GetItem(item);
  if (found == nullptr || found->type != ItemType::Bool) return false;
  value = found->boolValue;
  return true;
}

bool CPropertyGrid::GetItemValue(int item, int& value) const {
  long long wide = 0;
  if (!GetItemValue(item, wide) || wide < std::numeric_limits<int>::min() || wide > std::numeric_limits<int>::max()) {
    return false;
  }
  value = static_cast<int>(wide);
  return true;
}

bool CPropertyGrid::GetItemValue(int item, unsigned int& value) const {
  long long wide = 0;
  if (!GetItemValue(item, wide) || wide < 0 ||
      wide > static_cast<long long>(std::numeric_limits<unsigned int>::max())) {
    return false;
  }
  value = static_cast<unsigned int>(wide);
  return true;
}

bool CPropertyGrid::GetItemValue(int item, long long& value) const {
  const Item* found = GetItem(item);
  if (found == nullptr || found->type != ItemType::Integer) return false;
  value = found->intValue;
  return true;
}

bool CPropertyGrid::GetItemValue(int item, double& value) const {
  const Item* found = GetItem(item);
  if (found == nullptr || found->type != ItemType::Double) return false;
  value = found->doubleValue;
  return true;
}

bool CPropertyGrid::GetItemValue(int item, std::string& value) const {
  const Item* found = GetItem(item);
  if (found == nullptr) return false;
  switch (found->type) {
    case ItemType::String:
    case ItemType::File: value = found->text; return true;
    case ItemType::Combo:
      value = found->selected >= 0 ? found->options[static_cast<std::size_t>(found->selected)] : std::string();
      return true;
    default: return false;
  }
}

bool CPropertyGrid::SetComboSelection(int item, int index) {
  Item* found = Live(item);
  if (found == nullptr || found->type != ItemType::Combo) return false;
  if (index < -1 || index >= static_cast<int>(found->options.size())) return false;
  found->selected = index;
  return true;
}

std::string CPropertyGrid::GetItemText(int item) const {
  const Item* found = GetItem(item);
  if (found == nullptr) return std::string();
  switch (found->type) {
    case ItemType::Bool: return found->boolValue ? "True" : "False";
    case ItemType::Integer:
      if (auto format = CheckedFormat(found->format, true)) return Printf(*format, found->intValue);
      return std::to_string(found->intValue);
    case ItemType::Double: {
      if (auto format = CheckedFormat(found->format, false)) return Printf(*format, found->doubleValue);
      std::ostringstream out;
      out.imbue(std::locale::classic());
      out.precision(10);
      out << found->doubleValue;
      return out.str();
    }
    case ItemType::Combo:
      return found->selected >= 0 ? found->options[static_cast<std::size_t>(found->selected)] : std::string();
    case ItemType::String:
    case ItemType::File: return found->text;
  }
  return std::string();
}

bool CPropertyGrid::SetItemText(int item, const std::string& text) {
  const Item* found = GetItem(item);
  if (found == nullptr) return false;
  switch (found->type) {
    case ItemType::Bool:
      if (text == "True" || text == "true" || text == "1") return SetItemValue(item, true);
      if (text == "False" || text == "false" || text == "0") return SetItemValue(item, false);
      return false;
    case ItemType::Integer: {
      long long value = 0;
      return ParseWhole(text, value) && SetItemValue(item, value);
    }
    case ItemType::Double: {
      double value = 0.0;
      return ParseWhole(text, value) && SetItemValue(item, value);
    }
    default: return SetItemValue(item, text);
  }
}

}  // namespace ecocam::ui
