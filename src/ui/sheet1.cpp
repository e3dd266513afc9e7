// The sheet's OK button and status bar; user-interface thread only.
#include "ui/sheet1.h"

#include <utility>

namespace ecocam::ui {

CSheet1::CSheet1(std::string title, SheetView& view) : _title(std::move(title)), _view(view) {}

void CSheet1::EnableOk(bool enable) {
  _okEnabled = enable;
  _view.EnableOkButton(enable);
  if (enable) _view.SetStatusText("");
}

void CSheet1::SetStatus(const std::string& text) { _view.SetStatusText(text); }

}  // namespace ecocam::ui
