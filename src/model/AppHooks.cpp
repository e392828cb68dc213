// The installed AppHooks.
#include "model/AppHooks.h"

#include <atomic>

namespace kel {

namespace {
NullHooks g_nullHooks;
std::atomic<AppHooks*> g_hooks{&g_nullHooks};
} // namespace

AppHooks& Hooks() { return *g_hooks.load(std::memory_order_acquire); }

void SetAppHooks(AppHooks* hooks) { g_hooks.store(hooks ? hooks : &g_nullHooks, std::memory_order_release); }

} // namespace kel
