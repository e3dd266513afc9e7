// The sheet's dialog, its page and the grid kept in step with the model.
#include "ui/wx/sheet_dialog.h"

#include <wx/button.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/propgrid/propgrid.h>
#include <wx/propgrid/props.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>

#include <exception>

#include "ui/wx/wx_runtime.h"

namespace ecocam::ui::wxview {
namespace {

// A double shown in the model's display format (the model formats it; the
// text is kept with the value it belongs to). The editor gets the plain
// number, so a format with text around the number stays editable.
class FormattedFloatProperty : public wxFloatProperty {
 public:
  FormattedFloatProperty(const wxString& label, const wxString& name) : wxFloatProperty(label, name) {}

  void SetShownText(double value, const wxString& text) {
    _value = value;
    _text = text;
    _hasText = true;
  }

  wxString ValueToString(wxVariant& value, int argFlags = 0) const override {
    double number = 0.0;
    if (_hasText && !(argFlags & wxPG_EDITABLE_VALUE) && value.Convert(&number) && number == _value) return _text;
    return wxFloatProperty::ValueToString(value, argFlags);
  }

 private:
  double _value = 0.0;
  wxString _text;
  bool _hasText = false;
};

// Every handler runs inside the modal loop, under GTK's C code: nothing
// may leave it.
template <typename F>
void Shielded(const char* handler, F&& body) {
  try {
    body();
  } catch (const std::exception& e) {
    LogLine(1, std::string("Camera::Configure: ERROR: ") + handler + ": " + e.what());
  } catch (...) {
    LogLine(1, std::string("Camera::Configure: ERROR: ") + handler + ": Exception occured");
  }
}

class SyncScope {
 public:
  explicit SyncScope(bool& flag) : _flag(flag), _was(flag) { _flag = true; }
  ~SyncScope() { _flag = _was; }
  SyncScope(const SyncScope&) = delete;
  SyncScope& operator=(const SyncScope&) = delete;

 private:
  bool& _flag;
  bool _was;
};

}  // namespace

wxString FromModel(const char* text) {
  if (text == nullptr || *text == '\0') return wxString();
  wxString converted = wxString::FromUTF8(text);
  // Texts that are not UTF-8 (a Latin-1 path, say) are shown byte by byte.
  return converted.empty() ? wxString::From8BitData(text) : converted;
}

std::string ToModel(const wxString& text) { return std::string(text.utf8_str()); }

SheetDialog::SheetDialog(wxWindow* parent, const wxString& title, SheetModel& model)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | (parent == nullptr ? wxDIALOG_NO_PARENT : 0)),
      _model(model) {
  auto* notebook = new wxNotebook(this, wxID_ANY);
  auto* page = new wxPanel(notebook);
  // Created at its size: GTK complains about scroll bars laid out in nothing.
  _grid = new wxPropertyGrid(page, wxID_ANY, wxDefaultPosition, page->ConvertDialogToPixels(wxSize(431, 223)),
                             wxPG_DEFAULT_STYLE | wxPG_SPLITTER_AUTO_CENTER, kGridName);
  auto* box = new wxStaticBoxSizer(wxVERTICAL, page);
  _name = new wxStaticText(box->GetStaticBox(), wxID_ANY, "(Name)", wxDefaultPosition, wxDefaultSize,
                           wxST_NO_AUTORESIZE, kNameLabelName);
  _description = new wxStaticText(box->GetStaticBox(), wxID_ANY, "(Description)", wxDefaultPosition, wxDefaultSize,
                                  wxST_NO_AUTORESIZE, kDescriptionLabelName);
  _description->SetMinSize(wxSize(-1, 3 * _description->GetCharHeight()));
  box->Add(_name, 0, wxEXPAND | wxALL, 2);
  box->Add(_description, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 2);

  auto* pageSizer = new wxBoxSizer(wxVERTICAL);
  pageSizer->Add(_grid, 1, wxEXPAND | wxALL, 3);
  pageSizer->Add(box, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 3);
  page->SetSizer(pageSizer);
  // The page's size in dialog units, as on the other platform.
  page->SetMinSize(page->ConvertDialogToPixels(wxSize(439, 282)));
  notebook->AddPage(page, "General", true);

  // OK and Cancel only, stacked on the right-hand side.
  _ok = new wxButton(this, wxID_OK);
  auto* cancel = new wxButton(this, wxID_CANCEL);
  auto* buttons = new wxBoxSizer(wxVERTICAL);
  buttons->Add(_ok, 0, wxBOTTOM, 5);
  buttons->Add(cancel, 0);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(notebook, 1, wxEXPAND | wxALL, 6);
  row->Add(buttons, 0, wxTOP | wxRIGHT, 27);

  _status = new wxStatusBar(this, wxID_ANY, wxSTB_ELLIPSIZE_END | wxFULL_REPAINT_ON_RESIZE, kStatusBarName);
  auto* sheet = new wxBoxSizer(wxVERTICAL);
  sheet->Add(row, 1, wxEXPAND);
  sheet->Add(_status, 0, wxEXPAND);
  SetSizerAndFit(sheet);
  _ok->SetDefault();

  Bind(wxEVT_BUTTON, &SheetDialog::OnOk, this, wxID_OK);
  _grid->Bind(wxEVT_PG_CHANGED, &SheetDialog::OnChanged, this);
  _grid->Bind(wxEVT_PG_SELECTED, &SheetDialog::OnSelected, this);
}

void SheetDialog::InitPage() {
  _model.InitPage();
  Sync(true);
}

void SheetDialog::EnableOk(bool enable) { _ok->Enable(enable); }
void SheetDialog::SetStatus(const wxString& text) { _status->SetStatusText(text); }
void SheetDialog::SetNameLabel(const wxString& text) { _name->SetLabel(text); }
void SheetDialog::SetDescriptionLabel(const wxString& text) {
  _description->SetLabel(text);
  _description->Wrap(_description->GetClientSize().GetWidth());
}

void SheetDialog::OnOk(wxCommandEvent& /*event*/) {
  Shielded("OK", [&] {
    // An edit still open in the grid counts before the decision.
    _grid->CommitChangesFromEditor();
    // Only a valid set can be confirmed, whatever pressed OK.
    if (_model.OkEnabled()) EndModal(wxID_OK);
  });
}

void SheetDialog::OnChanged(wxPropertyGridEvent& event) {
  if (_syncing) return;
  Shielded("OnChanged", [&] {
    wxPGProperty* property = event.GetProperty();
    const int item = ItemOf(property);
    if (item < 0) return;
    const wxVariant value = property->GetValue();
    switch (_model.ItemKindOf(item)) {
      case kBoolItem: _model.EditBool(item, value.GetBool()); break;
      case kIntegerItem: {
        wxLongLong number;
        if (value.Convert(&number)) _model.EditInteger(item, number.GetValue());
        break;
      }
      case kDoubleItem: {
        double number = 0.0;
        if (value.Convert(&number)) _model.EditDouble(item, number);
        break;
      }
      case kComboItem: _model.EditSelection(item, value.IsNull() ? -1 : static_cast<int>(value.GetLong())); break;
      case kStringItem:
      case kFileItem: _model.EditText(item, ToModel(value.GetString()).c_str()); break;
      default: break;
    }
    // Values the page corrected and editability show at once; properties
    // it removed or added follow outside the grid's own change event,
    // where the grid may not lose properties.
    Sync(false);
    if (!_syncPending) {
      _syncPending = true;
      CallAfter([this] {
        _syncPending = false;
        Shielded("Sync", [this] { Sync(true); });
      });
    }
  });
}

void SheetDialog::OnSelected(wxPropertyGridEvent& event) {
  if (_syncing) return;
  Shielded("OnSelected", [&] { _model.Focus(ItemOf(event.GetProperty())); });
}

int SheetDialog::ItemOf(const wxPGProperty* property) const {
  for (const auto& [item, shown] : _items) {
    if (shown == property) return item;
  }
  return -1;
}

wxPGProperty* SheetDialog::Category(int section) {
  if (section < 0 || section >= _model.SectionCount()) return nullptr;
  const auto found = _categories.find(section);
  if (found != _categories.end()) return found->second;
  auto* category =
      new wxPropertyCategory(FromModel(_model.SectionTitle(section)), wxString::Format("section#%d", section));
  _grid->Append(category);
  _categories[section] = category;
  return category;
}

wxPGProperty* SheetDialog::Create(int item) {
  wxPGProperty* category = Category(_model.ItemSection(item));
  if (category == nullptr) return nullptr;
  const wxString label = FromModel(_model.ItemLabel(item));
  wxString name = label;
  if (name.empty() || _grid->GetPropertyByName(name) != nullptr) name << "#" << item;

  wxPGProperty* property = nullptr;
  switch (_model.ItemKindOf(item)) {
    case kBoolItem:
      property = new wxBoolProperty(label, name);
      property->SetAttribute(wxPG_BOOL_USE_CHECKBOX, true);
      break;
    case kIntegerItem: property = new wxIntProperty(label, name); break;
    case kDoubleItem: property = new FormattedFloatProperty(label, name); break;
    case kStringItem: property = new wxStringProperty(label, name); break;
    case kComboItem: {
      wxPGChoices choices;
      for (int i = 0; i < _model.ItemOptionCount(item); ++i) choices.Add(FromModel(_model.ItemOption(item, i)), i);
      property = new wxEnumProperty(label, name, choices, 0);
      break;
    }
    case kFileItem:
      property = new wxFileProperty(label, name);
      property->SetAttribute(wxPG_FILE_WILDCARD, FromModel(_model.ItemFilter(item)));
      property->SetAttribute(wxPG_FILE_SHOW_FULL_PATH, true);
      break;
    default: return nullptr;
  }
  _grid->AppendIn(category, property);  // the grid owns it from here
  _items[item] = property;
  return property;
}

void SheetDialog::ShowValue(int item, wxPGProperty& property) {
  wxVariant value;
  switch (_model.ItemKindOf(item)) {
    case kBoolItem: value = wxVariant(_model.ItemBool(item)); break;
    case kIntegerItem: {
      const long long number = _model.ItemInteger(item);
      const long narrow = static_cast<long>(number);
      value = narrow == number ? wxVariant(narrow) : wxVariant(wxLongLong(number));
      break;
    }
    case kDoubleItem: {
      const double number = _model.ItemDouble(item);
      static_cast<FormattedFloatProperty&>(property).SetShownText(number, FromModel(_model.ItemText(item)));
      value = wxVariant(number);
      break;
    }
    case kComboItem: {
      const int selected = _model.ItemSelection(item);
      if (selected < 0 || selected >= _model.ItemOptionCount(item)) {
        if (!property.IsValueUnspecified()) property.SetValueToUnspecified();
        return;
      }
      value = wxVariant(static_cast<long>(selected));
      break;
    }
    case kStringItem:
    case kFileItem: value = wxVariant(FromModel(_model.ItemText(item))); break;
    default: return;
  }
  if (property.IsValueUnspecified() || property.GetValue() != value) _grid->SetPropertyValue(&property, value);
}

void SheetDialog::Sync(bool structure) {
  SyncScope scope(_syncing);
  for (auto it = _items.begin(); structure && it != _items.end();) {
    if (_model.ItemLive(it->first)) {
      ++it;
      continue;
    }
    _grid->DeleteProperty(it->second);
    it = _items.erase(it);
  }
  const int count = _model.ItemCount();
  for (int item = 0; item < count; ++item) {
    if (!_model.ItemLive(item)) continue;
    const auto found = _items.find(item);
    if (found == _items.end() && !structure) continue;
    wxPGProperty* property = found != _items.end() ? found->second : Create(item);
    if (property == nullptr) continue;
    ShowValue(item, *property);
    _grid->SetPropertyReadOnly(property, !_model.ItemEditable(item), wxPG_DONT_RECURSE);
  }
  const auto selected = _items.find(_model.SelectedItem());
  if (selected != _items.end() && _grid->GetSelection() != selected->second) {
    _grid->SelectProperty(selected->second, false);
  }
}

}  // namespace ecocam::ui::wxview
