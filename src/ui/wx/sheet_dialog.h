// The configuration sheet drawn with wxWidgets: a modal dialog with one
// notebook page "General" (a wxPropertyGrid mirroring the page's grid
// model, and the name and description labels under it), OK and Cancel on
// the right, and a status bar along the bottom.
//
// The dialog only draws the model and forwards the user's edits into it
// (SheetModel::Edit*, which set the value and notify the page); after each
// edit it brings the grid in step with the model again (values the page
// corrected, editability, the LUT column list it rebuilt).
#pragma once

#include <wx/dialog.h>

#include <map>
#include <string>

#include "ui/wx/view_boundary.h"

class wxButton;
class wxPGProperty;
class wxPropertyGrid;
class wxPropertyGridEvent;
class wxStaticText;
class wxStatusBar;

namespace ecocam::ui::wxview {

// Window names, for tests that look the controls up.
inline constexpr char kGridName[] = "ecocamGrid";
inline constexpr char kStatusBarName[] = "ecocamStatusBar";
inline constexpr char kNameLabelName[] = "ecocamNameLabel";
inline constexpr char kDescriptionLabelName[] = "ecocamDescriptionLabel";

class SheetDialog : public wxDialog {
 public:
  // `parent` may be null (a sheet without wx owner).
  SheetDialog(wxWindow* parent, const wxString& title, SheetModel& model);

  // Fills the page from the model once the windows exist.
  void InitPage();

  void EnableOk(bool enable);
  void SetStatus(const wxString& text);
  void SetNameLabel(const wxString& text);
  void SetDescriptionLabel(const wxString& text);

 private:
  void OnOk(wxCommandEvent& event);
  void OnChanged(wxPropertyGridEvent& event);
  void OnSelected(wxPropertyGridEvent& event);

  // Brings the grid in step with the model: values, editability and
  // selection, and with `structure` also removed and added items.
  void Sync(bool structure);
  wxPGProperty* Create(int item);
  void ShowValue(int item, wxPGProperty& property);
  wxPGProperty* Category(int section);
  int ItemOf(const wxPGProperty* property) const;

  SheetModel& _model;
  wxPropertyGrid* _grid = nullptr;
  wxButton* _ok = nullptr;
  wxStatusBar* _status = nullptr;
  wxStaticText* _name = nullptr;
  wxStaticText* _description = nullptr;
  std::map<int, wxPGProperty*> _items;
  std::map<int, wxPGProperty*> _categories;
  bool _syncing = false;
  bool _syncPending = false;
};

wxString FromModel(const char* text);
std::string ToModel(const wxString& text);

}  // namespace ecocam::ui::wxview
