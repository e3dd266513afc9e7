// The module (DLL or program) that holds the dialog's code: window classes
// and dialog templates belong to it, not to the host's executable.
#pragma once

#include <windows.h>

namespace ecocam::ui::win32 {

HINSTANCE ModuleHandle();

}  // namespace ecocam::ui::win32
