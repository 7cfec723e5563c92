#include "fixers/restrict/restriction_catalogue.h"

namespace vx {

namespace {

constexpr auto HKCU = RootKey::current_user;
constexpr auto HKLM = RootKey::local_machine;

// Key paths keep the letter case they are known by; the registry ignores it.
constexpr RestrictionEntry kCatalogue[] = {
    {L"Task Manager",
     kGroupSystemSecurity,
     {{{HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"DisableTaskMgr"}}},
     1,
     L"Cannot open Task Manager, a message appears \"Task Manager has been disabled by your administrator\"."},
    {L"Registry Editor",
     kGroupSystemSecurity,
     {{{HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"DisableRegistryTools"}}},
     1,
     L"Cannot open Registry Editor, a message appears \"Registry editing has been disabled by your administrator\"."},
    {L"Command Prompt",
     kGroupSystemSecurity,
     {{{HKCU, L"SOFTWARE\\Policies\\Microsoft\\Windows\\System", L"DisableCMD"}}},
     1,
     L"Command Prompt cannot be used, the message appears \"The command prompt has been disabled by your "
     L"administrator\"."},
    {L"Taskbar Settings",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoSetTaskbar"}}},
     1,
     L"Could not open the Taskbar Settings, a message appears \"This operation has been cancelled due to restrictions "
     L"in effect on this computer. Please contact your system administrator\"."},
    {L"Control Panel",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoControlPanel"}}},
     1,
     L"Cannot open the Control Panel, a message appears \"This operation has been cancelled due to restrictions in "
     L"effect on this computer. Please contact your system administrator\"."},
    {L"Display Settings",
     kGroupDesktopExplorer,
     {{{HKLM, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"NoDispCPL"},
       {HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"NoDispCPL"}}},
     2,
     L"Display Settings do not work."},
    {L"Folder Options",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoFolderOptions"}}},
     1,
     L"Folder Options are missing from the Tool menu and Control Panel."},
    {L"Notification center",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Policies\\Microsoft\\Windows\\Explorer", L"DisableNotificationCenter"}}},
     1,
     L"The notification center does not appear on the taskbar."},
    {L"System tray icon",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoTrayItemsDisplay"}}},
     1,
     L"The tray icon does not appear on the taskbar."},
    {L"System Restore",
     kGroupSystemSecurity,
     {{{HKLM, L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\SystemRestore", L"DisableSR"},
       {HKLM, L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\SystemRestore", L"DisableConfig"}}},
     2,
     L"System Restore has been turned off by your administrator."},
    {L"Start Menu context menu",
     kGroupDesktopExplorer,
     {{{HKCU, L"SOFTWARE\\Policies\\Microsoft\\Windows\\Explorer", L"DisableContextMenusInStart"}}},
     1,
     L"Context menu on the Start menu does not appear."},
    {L"Taskbar context menu",
     kGroupDesktopExplorer,
     {{{HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoTrayContextMenu"}}},
     1,
     L"Context menu on the taskbar does not appear."},
    {L"Explorer context menu",
     kGroupDesktopExplorer,
     {{{HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoViewContextMenu"}}},
     1,
     L"Context menu in the explorer does not appear."},
    {L"This PC properties",
     kGroupDesktopExplorer,
     {{{HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoPropertiesMyComputer"}}},
     1,
     L"Properties are missing from the context menu on This PC."},
    {L"Recycle Bin properties",
     kGroupDesktopExplorer,
     {{{HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoPropertiesRecycleBin"}}},
     1,
     L"Properties are missing from the context menu on Recycle Bin."},
    {L"Shutdown, Sleep, Restart, Hibernate command",
     kGroupDesktopExplorer,
     {{{HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoClose"}}},
     1,
     L"Shutdown, Sleep, Restart, and Hibernate command is missing from the Start Menu."},
    {L"Hidden Drive",
     kGroupDesktopExplorer,
     {{{HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoDrives"}}},
     1,
     L"Hidden drive(s)."},
    {L"Restricted Drive",
     kGroupDesktopExplorer,
     {{{HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoViewOnDrive"}}},
     1,
     L"Restricted access to drive."},
    {L"Win hotkey",
     kGroupSystemSecurity,
     {{{HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoWinKeys"}}},
     1,
     L"Cannot use Windows key combinations, such as the hotkey WIN+R."},
    {L"Restricted applications",
     kGroupDesktopExplorer,
     {{{HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"DisallowRun"}}},
     1,
     L"Restricted running applications."},
    {L"Hardware tab",
     kGroupDesktopExplorer,
     {{{HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoHardwareTab"}}},
     1,
     L"Hardware tab is missing from local drives Properties."},
    {L"Control Panel item",
     kGroupDesktopExplorer,
     {{{HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"DisallowCpl"},
       {HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"RestrictCpl"}}},
     2,
     L"Some items are missing from the Control Panel."},
    {L"Change password",
     kGroupSystemSecurity,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"DisableChangePassword"}}},
     1,
     L"The user cannot change the password."},
    {L"Sign Out menu",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"StartMenuLogOff"},
       {HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoLogoff"}}},
     2,
     L"Sign Out is missing from the Start Menu."},
    {L"Aero Shake",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Policies\\Microsoft\\Windows\\Explorer", L"NoWindowMinimizingShortcuts"}}},
     1,
     L"Aero Shake doesn't work."},
    {L"Run as Administrator",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"HideRunAsVerb"}}},
     1,
     L"The Run as Administrator menu is missing."},
    {L"Programs and Features",
     kGroupSystemSecurity,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Programs", L"NoProgramsCPL"}}},
     1,
     L"Appears message \"Your system administrator has disabled Programs and Features\"."},
    {L"Taskbar resize",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"TaskbarNoResize"}}},
     1,
     L"Can't change the size of the taskbar."},
    {L"Clock",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"HideClock"}}},
     1,
     L"Clock is missing from the system notification area."},
    {L"Desktop Background",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ActiveDesktop", L"NoChangingWallPaper"}}},
     1,
     L"Can't change desktop background."},
    {L"Desktop icon",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"NoDispBackgroundPage"}}},
     1,
     L"Can't change desktop icon."},
    {L"Desktop theme",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer", L"NoThemesTab"}}},
     1,
     L"Can't change desktop theme."},
    {L"Color and appearance",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"NoDispAppearancePage"}}},
     1,
     L"Can't change color and appearance."},
    {L"Screen saver",
     kGroupDesktopExplorer,
     {{{HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", L"NoDispScrSavPage"}}},
     1,
     L"Can't change screen saver."},
};

} // namespace

std::span<const RestrictionEntry> restriction_catalogue() {
    return kCatalogue;
}

bool test_location(RegistryBackend& registry, const RestrictionLocation& location) {
    // Read access is enough, and is all an administrator may have on a key
    // that a policy locked.
    Registry reg(registry, kKeyRead, location.root);
    if (!reg.open_key(location.key_path, false)) return false;
    const auto number = reg.read_dword(std::wstring(location.value_name));
    return number.has_value() && *number != 0;
}

void remove_location(RegistryBackend& registry, const RestrictionLocation& location) {
    // Deleting a value needs the right to set values, nothing more.
    Registry reg(registry, kKeySetValue, location.root);
    if (!reg.open_key(location.key_path, true)) return;
    // Only the value goes; the key, its other values and its subkeys stay.
    reg.delete_value(std::wstring(location.value_name));
}

bool is_restricted(RegistryBackend& registry, const RestrictionEntry& entry) {
    for (const auto& location : entry.locations())
        if (test_location(registry, location)) return true;
    return false;
}

void remove(RegistryBackend& registry, const RestrictionEntry& entry) {
    for (const auto& location : entry.locations())
        remove_location(registry, location);
}

} // namespace vx
