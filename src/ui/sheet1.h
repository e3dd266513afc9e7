// CSheet1: the configuration sheet's own logic, the state of its OK button
// and the text of its status bar, over a SheetView.
#pragma once

#include <string>

#include "ui/configure_view.h"

namespace ecocam::ui {

class CSheet1 {
 public:
  // `view` must outlive the sheet.
  CSheet1(std::string title, SheetView& view);
  CSheet1(const CSheet1&) = delete;
  CSheet1& operator=(const CSheet1&) = delete;

  // Stores the state and enables or disables OK; enabling also clears the
  // status bar.
  void EnableOk(bool enable);
  // Shows `text` in the status bar.
  void SetStatus(const std::string& text);

  bool OkEnabled() const { return _okEnabled; }
  const std::string& Title() const { return _title; }

 private:
  std::string _title;
  SheetView& _view;
  bool _okEnabled = true;
};

}  // namespace ecocam::ui
