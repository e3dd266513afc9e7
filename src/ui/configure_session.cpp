// The configuration sheet's session: question, copy, modal sheet, OK.
#include "ui/configure_session.h"

#include "driver/driver_context.h"
#include "params/param_names.h"
#include "ui/property_general.h"
#include "ui/sheet1.h"

namespace ecocam::ui {

namespace pn = param_name;

std::string ConfigureTitle(int port, const std::string& name) {
  return "Configure camera on port #" + std::to_string(static_cast<long long>(port) + 1) + ": " + name;
}

std::string SaveFailedQuestion(const std::string& iniPath) {
  return "The settings could not be saved to " + iniPath +
         " (the file may be read-only).\n\nOK: use them until the camera is opened again, without saving them.\n"
         "Cancel: discard them.";
}

std::unique_ptr<CameraParameters> ConfigureParameters(const CameraParameters& current, int port, bool grabPending,
                                                      ConfigureView& view) {
  const std::string title = ConfigureTitle(port, current.Info().modelName);
  if (grabPending && !view.AskOkCancel(kGrabPendingQuestion, title)) return nullptr;

  CSheet1 sheet(title, view);
  auto copy = std::make_unique<CameraParameters>(current);
  DriverContext& context = DriverContext::GetInstance();
  copy->Get(pn::LogLevel).set_val<int>(context.LogLevel.load());
  copy->Get(pn::LogIntoFile).set_val<bool>(context.LogIntoFile.load());
  copy->Get(pn::LogDebugView).set_val<int>(context.LogDebugView.load());

  CPropertyGeneral page(*copy, sheet, view);
  // The page may still be disabled-OK when the view reports OK (a view
  // that ignores the button state): only a valid sheet is confirmed.
  if (!view.RunModal(sheet, page) || !sheet.OkEnabled()) return nullptr;

  // A save that failed is the user's to judge: the settings still apply
  // until the camera's next open reads the file again, or are dropped.
  if (!copy->Save() && !view.AskOkCancel(SaveFailedQuestion(context.IniPath()), title)) return nullptr;
  context.LogLevel = copy->Get(pn::LogLevel).get_val<int>();
  context.LogIntoFile = copy->Get(pn::LogIntoFile).get_val<bool>();
  context.LogDebugView = copy->Get(pn::LogDebugView).get_val<int>();
  return copy;
}

std::unique_ptr<ConfigureView> OpenConfigureView(void* parent) {
  std::unique_ptr<ConfigureView> view = CreateConfigureView(parent);
  if (view == nullptr) {
    ECOCAM_LOG(1, "Camera::Configure: ERROR: no configuration dialog is available on this platform");
  }
  return view;
}

std::unique_ptr<CameraParameters> ConfigureParametersInDialog(const CameraParameters& current, int port,
                                                              bool grabPending, void* parent) {
  std::unique_ptr<ConfigureView> view = OpenConfigureView(parent);
  if (view == nullptr) return nullptr;
  return ConfigureParameters(current, port, grabPending, *view);
}

}  // namespace ecocam::ui
