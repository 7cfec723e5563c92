#pragma once

#include <windows.h>

namespace vx {

// The Undo window of the File menu: the backups the repairs saved, newest
// first, and what the repairs cannot take back. "Undo" asks, puts the
// selected backup back and reports how it went. Returns when it is closed.
void show_undo_window(HWND owner);

} // namespace vx
