#pragma once

#include <windows.h>

#include <span>

#include "app/menus.h"

namespace vx {

// Builds a menu bar from a menu table: every item, separator and submenu
// opener carries its component ID as its menu ID. The caller owns the menu
// until it is given to a window.
HMENU build_menu_bar(std::span<const MenuItem> items);

// Hands a file to the shell with the verb "open" and SW_SHOW, to start in the
// system folder; the result is not looked at (a tool that cannot start gives
// the shell's own message, if any).
void shell_open(HWND owner, const ShellTarget& target);

// Asks the running desktop shell to open the target, so that it starts with
// the shell's rights rather than this program's; false when no desktop shell
// takes the request.
bool open_through_desktop_shell(const ShellTarget& target);

// Opens a web or mail address with the user's own rights through the desktop
// shell, or with shell_open where no desktop shell runs.
void open_as_user(HWND owner, const ShellTarget& target);

} // namespace vx
