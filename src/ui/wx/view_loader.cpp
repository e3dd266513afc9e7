// The configuration view on Linux, inside the driver: loads the wxWidgets
// dialog library from the driver's own folder the first time a sheet is
// needed and adapts its SheetWindow to ConfigureView. The driver itself
// never links wx or GTK, so a host without a display uses it normally.
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "driver/driver_context.h"
#include "platform/dynamic_library.h"
#include "platform/mutex.h"
#include "platform/system.h"
#include "ui/configure_view.h"
#include "ui/property_general.h"
#include "ui/sheet1.h"
#include "ui/wx/view_boundary.h"

namespace ecocam::ui {
namespace {

using wxview::SheetWindow;

class DriverLog : public wxview::LogSink {
 public:
  void Log(int level, const char* text) override { ECOCAM_LOG(level, text != nullptr ? text : ""); }
};

DriverLog gDriverLog;

// The grid and page as the dialog library sees them. Nothing here throws:
// what the page does not catch itself is logged and dropped.
class PageModel : public wxview::SheetModel {
 public:
  PageModel(CSheet1& sheet, CPropertyGeneral& page) : _sheet(sheet), _page(page) {}

  void InitPage() override {
    Guard("InitPage", [&] { _page.OnInitDialog(); });
  }
  int SectionCount() override { return static_cast<int>(Grid().Sections().size()); }
  const char* SectionTitle(int section) override {
    const auto& sections = Grid().Sections();
    if (section < 0 || section >= static_cast<int>(sections.size())) return "";
    return Keep(sections[static_cast<std::size_t>(section)].title);
  }
  int ItemCount() override { return static_cast<int>(Grid().Items().size()); }
  bool ItemLive(int item) override { return Grid().GetItem(item) != nullptr; }
  int ItemSection(int item) override { return Item(item) ? Item(item)->section : -1; }
  int ItemKindOf(int item) override { return Item(item) ? static_cast<int>(Item(item)->type) : -1; }
  const char* ItemLabel(int item) override { return Item(item) ? Keep(Item(item)->label) : ""; }
  bool ItemEditable(int item) override { return Grid().IsItemEditable(item); }
  const char* ItemText(int item) override {
    return Guarded("ItemText", "", [&] { return Keep(Grid().GetItemText(item)); });
  }
  bool ItemBool(int item) override { return Item(item) && Item(item)->boolValue; }
  long long ItemInteger(int item) override { return Item(item) ? Item(item)->intValue : 0; }
  double ItemDouble(int item) override { return Item(item) ? Item(item)->doubleValue : 0.0; }
  int ItemOptionCount(int item) override { return Item(item) ? static_cast<int>(Item(item)->options.size()) : 0; }
  const char* ItemOption(int item, int index) override {
    if (index < 0 || index >= ItemOptionCount(item)) return "";
    return Keep(Item(item)->options[static_cast<std::size_t>(index)]);
  }
  int ItemSelection(int item) override { return Item(item) ? Item(item)->selected : -1; }
  const char* ItemFilter(int item) override {
    if (!Item(item)) return "";
    // The dialog's wildcard ends after the last pattern.
    std::string filter = Item(item)->filter;
    while (!filter.empty() && filter.back() == '|') filter.pop_back();
    return Keep(filter);
  }
  int SelectedItem() override { return Grid().GetSelectedItem(); }
  bool OkEnabled() override { return _sheet.OkEnabled(); }

  bool EditBool(int item, bool value) override { return Edit(item, value); }
  bool EditInteger(int item, long long value) override { return Edit(item, value); }
  bool EditDouble(int item, double value) override { return Edit(item, value); }
  bool EditText(int item, const char* value) override { return Edit(item, std::string(value != nullptr ? value : "")); }
  bool EditSelection(int item, int index) override {
    return Guarded("EditSelection", false, [&] {
      if (!Grid().SetComboSelection(item, index)) return false;
      Grid().NotifyItemChanged(item);
      return true;
    });
  }
  void Focus(int item) override {
    Guard("Focus", [&] {
      if (item == -1 || Grid().GetItem(item) != nullptr) Grid().SelectItem(item);
    });
  }

 private:
  CPropertyGrid& Grid() { return _page.Grid(); }
  const CPropertyGrid::Item* Item(int item) { return Grid().GetItem(item); }
  const char* Keep(const std::string& text) {
    _text = text;
    return _text.c_str();
  }

  template <typename T>
  bool Edit(int item, const T& value) {
    return Guarded("Edit", false, [&] {
      if (!Grid().SetItemValue(item, value)) return false;
      Grid().NotifyItemChanged(item);
      return true;
    });
  }

  template <typename F>
  void Guard(const char* what, F&& body) {
    Guarded(what, 0, [&] {
      body();
      return 0;
    });
  }
  template <typename R, typename F>
  R Guarded(const char* what, R fallback, F&& body) {
    try {
      return body();
    } catch (const std::exception& e) {
      gDriverLog.Log(1, (std::string("Camera::Configure: ERROR: ") + what + ": " + e.what()).c_str());
    } catch (...) {
      gDriverLog.Log(1, (std::string("Camera::Configure: ERROR: ") + what + ": Exception occured").c_str());
    }
    return fallback;
  }

  CSheet1& _sheet;
  CPropertyGeneral& _page;
  std::string _text;
};

// ConfigureView over the library's window.
class LoadedView : public ConfigureView {
 public:
  explicit LoadedView(SheetWindow* window) : _window(window) {}
  ~LoadedView() override { _window->Release(); }
  LoadedView(const LoadedView&) = delete;
  LoadedView& operator=(const LoadedView&) = delete;

  void EnableOkButton(bool enable) override { _window->EnableOk(enable); }
  void SetStatusText(const std::string& text) override { _window->SetStatusText(text.c_str()); }
  void SetNameLabel(const std::string& text) override { _window->SetNameLabel(text.c_str()); }
  void SetDescriptionLabel(const std::string& text) override { _window->SetDescriptionLabel(text.c_str()); }
  bool AskOkCancel(const std::string& text, const std::string& caption) override {
    return _window->AskOkCancel(text.c_str(), caption.c_str());
  }
  void ShowMessage(const std::string& text, const std::string& caption) override {
    _window->ShowMessage(text.c_str(), caption.c_str());
  }
  bool RunModal(CSheet1& sheet, CPropertyGeneral& page) override {
    PageModel model(sheet, page);
    return _window->RunModal(sheet.Title().c_str(), model);
  }

 private:
  SheetWindow* _window;
};

platform::Mutex gLoadLock;

// The entry point of the library beside the driver (or in its installed
// folder, ecocam/ui below the driver's), loaded once; null
// after logging why. A failed load is tried again on the next call.
wxview::OpenFunction LoadEntryPoint() {
  platform::LockGuard guard(gLoadLock);
  // Unloading at exit leaves it in place: it is linked to stay loaded.
  static platform::DynamicLibrary library;
  static wxview::OpenFunction open = nullptr;
  if (open != nullptr) return open;

  const std::string folder = platform::OwnModuleFolder();
  const std::string base = folder.empty() ? std::string() : folder + "/";
  std::string path = base + wxview::kLibraryName;
  if (!library.Load(path.c_str())) {
    // An installed driver keeps it in a folder of its own below its folder.
    const std::string beside = path + ": " + library.LastError();
    path = base + "ecocam/ui/" + wxview::kLibraryName;
    if (!library.Load(path.c_str())) {
      ECOCAM_LOG(1, "Camera::Configure: ERROR: cannot load the configuration dialog library " + beside + "; " + path +
                        ": " + library.LastError());
      return nullptr;
    }
  }
  open = reinterpret_cast<wxview::OpenFunction>(library.Resolve(wxview::kEntryPointName));
  if (open == nullptr) {
    ECOCAM_LOG(
        1, "Camera::Configure: ERROR: the configuration dialog library " + path + " lacks " + wxview::kEntryPointName);
    library.Unload();
  }
  return open;
}

}  // namespace

std::unique_ptr<ConfigureView> CreateConfigureView(void* parent) {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    ECOCAM_LOG(1,
               "Camera::Configure: ERROR: no display (DISPLAY is not set), the configuration dialog cannot be shown");
    return nullptr;
  }
  wxview::OpenFunction open = LoadEntryPoint();
  if (open == nullptr) return nullptr;
  SheetWindow* window = nullptr;
  if (open(wxview::kBoundaryVersion, parent, &gDriverLog, &window) != 0 || window == nullptr) return nullptr;
  return std::make_unique<LoadedView>(window);
}

}  // namespace ecocam::ui
