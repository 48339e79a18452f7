#include "module_instance.h"

namespace {
HINSTANCE g_instance = nullptr;
}

namespace suite {

HINSTANCE module_instance() noexcept { return g_instance ? g_instance : GetModuleHandleW(nullptr); }
void set_module_instance(HINSTANCE instance) noexcept { g_instance = instance; }

} // namespace suite
