#pragma once

#include <windows.h>

namespace vx::controls {

// Adds to a group box of the system the forwarding of the panels: its
// children's commands and notifications go on to the top-level window, and
// their colour requests to the group box's parent.
void subclass_group_box(HWND window);

} // namespace vx::controls
