// What the configuration sheet and its General page need of a user
// interface toolkit. The logic (CSheet1, CPropertyGeneral,
// ConfigureParameters) talks only to these interfaces; a view implements
// them with real windows, and tests with a script.
#pragma once

#include <memory>
#include <string>

namespace ecocam::ui {

class CSheet1;
class CPropertyGeneral;

// The sheet's frame: its OK button and its status bar.
class SheetView {
 public:
  virtual void EnableOkButton(bool enable) = 0;
  virtual void SetStatusText(const std::string& text) = 0;

 protected:
  ~SheetView() = default;
};

// The General page's two labels under the grid.
class PageView {
 public:
  virtual void SetNameLabel(const std::string& text) = 0;
  virtual void SetDescriptionLabel(const std::string& text) = 0;

 protected:
  ~PageView() = default;
};

class ConfigureView : public SheetView, public PageView {
 public:
  virtual ~ConfigureView() = default;

  // A question with OK and Cancel buttons and a warning icon over the
  // parent window; true when the user chose OK.
  virtual bool AskOkCancel(const std::string& text, const std::string& caption) = 0;

  // A message with an OK button and an error icon, owned by the sheet while
  // it is shown and by the parent window otherwise; returns when the user
  // has closed it.
  virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;

  // Shows the sheet with its one page modally over the parent window. The
  // view runs page.OnInitDialog() once its windows exist, forwards the
  // user's edits into page.Grid() (set the value, then NotifyItemChanged),
  // and returns true only when the sheet ended with its OK button.
  virtual bool RunModal(CSheet1& sheet, CPropertyGeneral& page) = 0;
};

// The platform's view over the host's parent window (an HWND on Windows),
// or null where no dialog toolkit is available.
std::unique_ptr<ConfigureView> CreateConfigureView(void* parent);

}  // namespace ecocam::ui
