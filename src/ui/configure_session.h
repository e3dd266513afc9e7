// The body of Camera::Configure: asks first when a grab is pending, shows
// the configuration sheet over a copy of the camera's parameter set, and on
// OK hands the log settings to the driver context and saves the copy.
#pragma once

#include <memory>
#include <string>

#include "params/camera_parameters.h"
#include "ui/configure_view.h"

namespace ecocam::ui {

// "Configure camera on port #" (port + 1) ": " name
std::string ConfigureTitle(int port, const std::string& name);

// The question shown when a grab is pending.
inline constexpr char kGrabPendingQuestion[] =
    "Configuring camera properties while inspection is running may cause undesired effects. "
    "Continue anyway ?";

// The question shown when OK's save to the INI file at `iniPath` failed.
std::string SaveFailedQuestion(const std::string& iniPath);

// Runs the dialog for the camera whose set is `current` (its model name is
// the camera's name), on `port` (-1 when not open), over `view`.
//
// When `grabPending`, asks first; Cancel there ends at once. The sheet
// edits a copy of `current` carrying the driver context's three log
// settings. When the sheet ends with OK, the copy is saved to the INI file,
// its log settings go to the driver context, and it is returned: the
// caller assigns it to the camera. When the save fails, the user is asked
// whether to use the settings unsaved (OK) or to drop them (Cancel, which
// returns null). Any other ending returns null and changes nothing.
// `current` is only read.
//
// Runs on the host's calling thread, which the modal sheet keeps until it
// ends. Throws what the copy or the view throw.
std::unique_ptr<CameraParameters> ConfigureParameters(const CameraParameters& current, int port, bool grabPending,
                                                      ConfigureView& view);

// The platform's own view, owned by `parent` (the host's window handle, may
// be null). Where the platform has no dialog, logs at level 1
// "Camera::Configure: ERROR: no configuration dialog is available on this
// platform" and returns null.
std::unique_ptr<ConfigureView> OpenConfigureView(void* parent);

// ConfigureParameters over OpenConfigureView(parent); null without touching
// anything where there is no view.
std::unique_ptr<CameraParameters> ConfigureParametersInDialog(const CameraParameters& current, int port,
                                                              bool grabPending, void* parent);

}  // namespace ecocam::ui
