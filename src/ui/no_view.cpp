// Where no dialog toolkit is built in: no view.
#include "ui/configure_view.h"

namespace ecocam::ui {

std::unique_ptr<ConfigureView> CreateConfigureView(void* /*parent*/) { return nullptr; }

}  // namespace ecocam::ui
