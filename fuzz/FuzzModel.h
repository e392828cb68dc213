// The model every fuzz target of the application's code works on: reset once, with hooks that show
// nothing and post nothing.
#pragma once

#include "model/AppHooks.h"
#include "model/Sections.h"

namespace kel::fuzz {

inline void ReadyModelOnce() {
    static NullHooks hooks;
    static const bool ready = [] {
        SetAppHooks(&hooks);
        ResetModel();
        return true;
    }();
    (void)ready;
}

} // namespace kel::fuzz
