// CPropertyGrid: the model behind the configuration page's property grid,
// free of any toolkit. It holds sections and typed items, each item with a
// label, a value, an editable flag and type-specific extras (display format,
// options, file filter), and it tells its owner about the two things the
// page reacts to: a value the user changed (1510) and the focused item
// (1511).
//
// A view draws the model and forwards the user's edits into it: it sets the
// item's value with SetItemValue (or SetItemText / SetComboSelection) and
// then calls NotifyItemChanged. Values set by the program notify nobody.
//
// Item handles count up from 0 in creation order and are never reused, so a
// removed item's handle stays invalid; section handles count on their own.
// Used on the dialog's user-interface thread only.
#pragma once

#include <string>
#include <vector>

namespace ecocam::ui {

// Messages sent to the grid's owner.
inline constexpr int kGridItemChanged = 1510;   // argument: the item handle
inline constexpr int kGridFocusChanged = 1511;  // argument: the item handle, or -1

class PropertyGridOwner {
 public:
  virtual void OnGridNotify(int message, int item) = 0;

 protected:
  ~PropertyGridOwner() = default;
};

class CPropertyGrid {
 public:
  enum class ItemType { Bool, Integer, Double, String, Combo, File };

  struct Section {
    std::string title;
    bool expanded = true;
  };

  struct Item {
    int section = -1;
    std::string label;
    ItemType type = ItemType::String;
    bool editable = true;
    bool removed = false;
    bool boolValue = false;
    long long intValue = 0;  // every integer item keeps 64 bits
    double doubleValue = 0.0;
    std::string text;                  // String and File items
    std::string format;                // Integer and Double: printf-style, empty for the default
    std::vector<std::string> options;  // Combo
    int selected = -1;                 // Combo: index into options, -1 for none
    std::string filter;                // File: "Description (*.ext)|*.ext||"
  };

  CPropertyGrid() = default;
  CPropertyGrid(const CPropertyGrid&) = delete;
  CPropertyGrid& operator=(const CPropertyGrid&) = delete;

  // The window (page) told about edits and focus changes; may be null.
  void SetOwner(PropertyGridOwner* owner) { _owner = owner; }

  // Appends a section; returns its handle.
  int AddSection(const std::string& title, bool expanded = true);

  // Each returns the new item's handle, or -1 when the section does not
  // exist or already holds a live item with that label.
  int AddBoolItem(int section, const std::string& label, bool value, bool editable = true);
  int AddIntegerItem(int section, const std::string& label, int value, const std::string& format = "",
                     bool editable = true);
  int AddIntegerItem(int section, const std::string& label, unsigned int value, const std::string& format = "",
                     bool editable = true);
  int AddIntegerItem(int section, const std::string& label, long long value, const std::string& format = "",
                     bool editable = true);
  int AddDoubleItem(int section, const std::string& label, double value, const std::string& format = "",
                    bool editable = true);
  int AddStringItem(int section, const std::string& label, const std::string& value, bool editable = true);
  // `selected` is an index into `options`; anything outside selects nothing.
  int AddComboItem(int section, const std::string& label, const std::vector<std::string>& options, int selected,
                   bool editable = true);
  int AddFileItem(int section, const std::string& label, const std::string& path, const std::string& filter,
                  bool editable = true);

  // False for an unknown or removed item. Removing the selected item
  // clears the selection without notifying.
  bool RemoveItem(int item);
  bool SetItemEditable(int item, bool editable);
  bool IsItemEditable(int item) const;

  // Focuses `item` (-1 for none) and notifies the owner with 1511. False,
  // and no notification, for an unknown or removed item.
  bool SelectItem(int item);
  int GetSelectedItem() const { return _selected; }

  // Typed access. False when the item does not exist or its type does not
  // take the value: Bool items take bool; Integer items the three integer
  // types (a read fails when the value does not fit); Double items double;
  // String and File items text; Combo items text (the label of the
  // selected option; setting an unknown label fails, reading with no
  // selection gives the empty text).
  bool SetItemValue(int item, bool value);
  bool SetItemValue(int item, int value);
  bool SetItemValue(int item, unsigned int value);
  bool SetItemValue(int item, long long value);
  bool SetItemValue(int item, double value);
  bool SetItemValue(int item, const std::string& value);
  bool SetItemValue(int item, const char* value) { return SetItemValue(item, std::string(value ? value : "")); }
  bool GetItemValue(int item, bool& value) const;
  bool GetItemValue(int item, int& value) const;
  bool GetItemValue(int item, unsigned int& value) const;
  bool GetItemValue(int item, long long& value) const;
  bool GetItemValue(int item, double& value) const;
  bool GetItemValue(int item, std::string& value) const;

  // Combo items by index, for views: -1 clears the selection.
  bool SetComboSelection(int item, int index);

  // The value as a view shows it (numbers in their display format, in the
  // "C" locale; bools as "True"/"False"), and the reverse for an edit box:
  // the whole text must parse as the item's type, else nothing changes.
  std::string GetItemText(int item) const;
  bool SetItemText(int item, const std::string& text);

  // Sends 1510 for `item` to the owner: the user changed its value.
  void NotifyItemChanged(int item);

  // For views and tests.
  const std::vector<Section>& Sections() const { return _sections; }
  // All items ever added, by handle; removed ones are marked.
  const std::vector<Item>& Items() const { return _items; }
  // The live item with this label, or -1.
  int FindItem(const std::string& label) const;
  const Item* GetItem(int item) const;

 private:
  Item* Live(int item);
  int Add(Item item);
  void Notify(int message, int item);

  PropertyGridOwner* _owner = nullptr;
  std::vector<Section> _sections;
  std::vector<Item> _items;
  int _selected = -1;
};

}  // namespace ecocam::ui
