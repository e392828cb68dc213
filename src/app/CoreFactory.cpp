// The window's core. Until the connection logic is wired here, the window stays off line.
#include "app/CoreFactory.h"

namespace kel {

std::unique_ptr<WindowCore> MakeWindowCore(const AppOptions&) {
    return std::make_unique<WindowCore>();
}

} // namespace kel
