// Which core the window drives: the one place where the links, the protocol and the log are wired in.
#pragma once

#include "app/Options.h"
#include "app/WindowCore.h"

#include <memory>

namespace kel {

std::unique_ptr<WindowCore> MakeWindowCore(const AppOptions& options);

} // namespace kel
