#pragma once

// Registry keys and value names that both the Advanced page's repairs and
// their checks use.

#include "services/registry.h"

namespace vx::advanced_keys {

inline constexpr auto HKCR = RootKey::classes_root;
inline constexpr auto HKCU = RootKey::current_user;
inline constexpr auto HKLM = RootKey::local_machine;

inline constexpr wchar_t kWinlogon[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
inline constexpr wchar_t kNonEnum[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\NonEnum";
inline constexpr wchar_t kPoliciesExplorer[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
inline constexpr wchar_t kHideDesktopIcons[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\NewStartPanel";
inline constexpr wchar_t kRecycleBinClsid[] = L"{645FF040-5081-101B-9F08-00AA002F954E}";
inline constexpr wchar_t kRecycleBinIcon[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}"
    L"\\DefaultIcon";
inline constexpr wchar_t kExplorerAdvanced[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
inline constexpr wchar_t kAppCompat[] = L"SOFTWARE\\Policies\\Microsoft\\Windows\\AppCompat";
inline constexpr wchar_t kSummaryPage[] = L"*\\shellex\\PropertySheetHandlers\\{883373C3-BF89-11D1-BE35-080036B11A03}";
inline constexpr wchar_t kSummaryPageName[] = L"Summary Properties Page";
// The shell extension that adds the Previous Versions page and menu items.
inline constexpr wchar_t kPreviousVersions[] = L"{596AB062-B4D2-4215-9F74-E9109B0A8153}";
inline constexpr wchar_t kShadowCopyFolder[] = L"CLSID\\{450D8FBA-AD25-11D0-98A8-0800361B1103}";
// The sharing shell extension.
inline constexpr wchar_t kSharing[] = L"{f81e9010-6ea4-11ce-a7ff-00aa003ca9f6}";
inline constexpr wchar_t kExplorer[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer";
inline constexpr wchar_t kWindowsSearchService[] = L"SYSTEM\\CurrentControlSet\\Services\\WSearch";
inline constexpr wchar_t kFlyoutMenu[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings";
inline constexpr wchar_t kPower[] = L"SYSTEM\\CurrentControlSet\\Control\\Power";
inline constexpr wchar_t kPlugPlayService[] = L"SYSTEM\\CurrentControlSet\\Services\\PlugPlay";
inline constexpr wchar_t kScriptHost[] = L"SOFTWARE\\Microsoft\\Windows Script Host\\Settings";
inline constexpr wchar_t kSystemRestorePolicy[] = L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\SystemRestore";
inline constexpr wchar_t kServices[] = L"SYSTEM\\CurrentControlSet\\Services\\";

// The desktop icons that Desktop Icon Settings offers, each hidden by a
// NonEnum value named by its CLSID.
struct DesktopIcon {
    const wchar_t* clsid;
    const wchar_t* name;
};
inline constexpr DesktopIcon kDesktopIcons[] = {
    {kRecycleBinClsid, L"Recycle Bin"},
    {L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}", L"This PC"},
    {L"{59031a47-3f72-44a7-89c5-5595fe6b30ee}", L"the user's files"},
    {L"{5399E694-6CE5-4D6C-8FCE-1D8870FDCBA0}", L"Control Panel"},
    {L"{F02C1A0D-BE21-4350-88B0-7367FC96EF3C}", L"Network"},
};

// The classes whose "shellex\<handlers>\{Previous Versions}" keys give files,
// folders and drives the Previous Versions page and menu items.
inline constexpr const wchar_t* kPreviousVersionsOwners[] = {L"AllFilesystemObjects", kShadowCopyFolder, L"Directory",
                                                             L"Drive"};
inline constexpr const wchar_t* kPreviousVersionsHandlers[] = {L"ContextMenuHandlers", L"PropertySheetHandlers"};
// The keys whose default value names the sharing extension.
inline constexpr const wchar_t* kSharingHandlers[] = {
    L"*\\shellex\\ContextMenuHandlers\\Sharing",
    L"Directory\\Background\\shellex\\ContextMenuHandlers\\Sharing",
    L"Directory\\shellex\\ContextMenuHandlers\\Sharing",
    L"Drive\\shellex\\ContextMenuHandlers\\Sharing",
    L"LibraryFolder\\background\\shellex\\ContextMenuHandlers\\Sharing",
    L"UserLibraryFolder\\shellex\\ContextMenuHandlers\\Sharing",
    L"Directory\\shellex\\PropertySheetHandlers\\Sharing",
    L"Drive\\shellex\\PropertySheetHandlers\\Sharing",
};

// The local Group Policy folders in the system folder.
inline constexpr const wchar_t* kPolicyFolders[] = {L"GroupPolicy", L"GroupPolicyUsers"};
// The services the System Restore repair sets to start automatically.
inline constexpr const wchar_t* kRestoreServices[] = {L"VSS", L"Schedule", L"swprv"};

// The stored default hosts text.
inline constexpr wchar_t kHostsText[] = L"MEMO_HOSTS";

} // namespace vx::advanced_keys
