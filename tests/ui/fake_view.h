// A scripted configuration view: records what the logic shows and runs the
// user's part from a script inside RunModal.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/configure_view.h"
#include "ui/property_general.h"
#include "ui/sheet1.h"

namespace ecocam::testing {

class FakeView : public ui::ConfigureView {
 public:
  void EnableOkButton(bool enable) override { okEnabled = enable; }
  void SetStatusText(const std::string& text) override { status = text; }
  void SetNameLabel(const std::string& text) override { nameLabel = text; }
  void SetDescriptionLabel(const std::string& text) override { descriptionLabel = text; }
  bool AskOkCancel(const std::string& text, const std::string& caption) override {
    questions.push_back(caption + "|" + text);
    return answer;
  }
  void ShowMessage(const std::string& text, const std::string& caption) override {
    messages.push_back(caption + "|" + text);
  }
  bool RunModal(ui::CSheet1& sheet, ui::CPropertyGeneral& page) override {
    title = sheet.Title();
    page.OnInitDialog();
    if (script) script(page);
    return pressOk;
  }

  // A user's edit: set the item's value, then tell the owner.
  template <typename T>
  static void Edit(ui::CPropertyGeneral& page, const std::string& name, const T& value) {
    const int item = page.ItemOf(name);
    ASSERT_NE(item, -1) << name;
    ASSERT_TRUE(page.Grid().SetItemValue(item, value)) << name;
    page.Grid().NotifyItemChanged(item);
  }

  bool okEnabled = true;
  std::string status = "(none)";
  std::string nameLabel = "(Name)";
  std::string descriptionLabel = "(Description)";
  std::vector<std::string> questions;
  std::vector<std::string> messages;
  std::string title;
  bool answer = true;
  bool pressOk = true;
  std::function<void(ui::CPropertyGeneral&)> script;
};

}  // namespace ecocam::testing
