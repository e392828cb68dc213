// Start-up of kelvane: options, display check, the model, the window and its event loop.
#pragma once

#include "app/Options.h"
#include "app/WindowCore.h"

#include <memory>

namespace kel {

// Steps 3 to 5 of the start-up: the core (links' libraries, log), the filter bank, ResetModel.
std::unique_ptr<WindowCore> StartCore(const AppOptions& options);

// The whole program; returns the exit code.
int RunApplication(int argc, char** argv);
// Whether a Qt platform can be reached: a display, Wayland, or an explicit QT_QPA_PLATFORM.
bool HaveDisplay();

} // namespace kel
