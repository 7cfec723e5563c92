#pragma once

// The main menu MainMenu1 and the launchers of the Tools menu, as constant
// tables. The Win32 side builds the menu from `main_menu()`; a menu item's
// command ID is its component ID (app/components.h).

#include <span>
#include <string>
#include <string_view>

#include "services/file_system.h"

namespace vx {

struct MenuItem {
    int id;                    // the component's ID
    std::wstring_view caption; // as shown; empty for a separator
    int depth;                 // 0: a top menu, 1: its items, 2: items of a submenu
};
// Items in order, each submenu's items right after the item that opens it.
std::span<const MenuItem> main_menu();

// How a menu caption is written for a Win32 menu, where "&" marks the access
// key: every ampersand doubled so that it shows as itself.
std::wstring menu_text(std::wstring_view caption);

// The folder a launcher's file is in.
enum class LaunchFolder { system, windows };

// A Tools menu item that starts a program, always by its full path. A console
// (".msc") is opened by the system folder's mmc.exe.
struct Launcher {
    int id;
    LaunchFolder folder;
    std::wstring_view file; // the file's name in its folder
    std::wstring_view parameters;
};
std::span<const Launcher> launchers();
const Launcher* find_launcher(int id);

// What a launch call hands to the shell.
struct ShellTarget {
    std::wstring file;
    std::wstring parameters;
};
ShellTarget launch_target(const Launcher& launcher, Folders& folders);
// Notepad from the system folder, by its full path, opening the log.
ShellTarget log_viewer_target(Folders& folders, const std::wstring& log_path);
// "Homepage" and "Email" of the Help menu, and the About window's links.
ShellTarget homepage_target();
ShellTarget email_target();

} // namespace vx
