#pragma once

// Registry keys and value names that both the Advanced page's repairs and
// their checks use.

namespace vx::advanced_keys {

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

// The stored default hosts text.
inline constexpr wchar_t kHostsText[] = L"MEMO_HOSTS";

} // namespace vx::advanced_keys
