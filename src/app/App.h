// Start-up of kelvane: options, display check, the model, the window and its event loop.
#pragma once

namespace kel {

// The whole program; returns the exit code.
int RunApplication(int argc, char** argv);
// Whether a Qt platform can be reached: a display, Wayland, or an explicit QT_QPA_PLATFORM.
bool HaveDisplay();

} // namespace kel
