// The module whose resources (strings, bitmaps, dialogs, version) the suite
// uses. The DLL entry point sets it; tests that link the framework directly
// point it at the loaded DLL.
#pragma once

#include <windows.h>

namespace suite {

HINSTANCE module_instance() noexcept;
void set_module_instance(HINSTANCE instance) noexcept;

} // namespace suite
