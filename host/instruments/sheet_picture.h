// Pictures of the plug-in's windows (option sheets, dialogs) as PNG files, so
// a person can look at what the pages show without a screen.
#pragma once

#include <windows.h>

#include <string>

namespace veska::host {

// Renders window (a property sheet, a dialog) as it stands to a PNG file at path.
// The window and each visible descendant are printed one by one and composed,
// so it works headless. COM must be initialised on the calling thread: the
// encoder is the platform's imaging component.
HRESULT save_window_png(HWND window, const std::wstring& path);

} // namespace veska::host
