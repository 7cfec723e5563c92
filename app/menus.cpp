#include "app/menus.h"

#include "app/components.h"
#include "app/product_info.h"
#include "services/text.h"

namespace vx {

namespace {

using namespace main_ids;

constexpr MenuItem kMainMenu[] = {
    {File1, L"File", 0},
    {mnuUNDO, L"Undo a Repair...", 1},
    {mnuVIEWLOG, L"View Log", 1},
    {mnuEXIT, L"Exit", 1},

    {mnuTOOLS, L"Tools", 0},
    {AdministrativeTools1, L"Administrative Tools", 1},
    {mnuComponentServices, L"Component Services", 2},
    {mnuComputerManagement, L"Computer Management", 2},
    {mnuDiskCleanup, L"Disk Cleanup", 2},
    {mnuDiskDefragmenter, L"Disk Defragmenter", 2},
    {mnuEventViewer, L"Event Viewer", 2},
    {mnuLocalSecurityPolicy, L"Local Security Policy", 2},
    {mnuPerformanceMonitor, L"Performance Monitor", 2},
    {mnuPrintManagement, L"Print Management", 2},
    {mnuResourceMonitor, L"Resource Monitor", 2},
    {mnuServices, L"Services", 2},
    {mnuTaskScheduler, L"Task Scheduler", 2},
    {mnuSystemConfiguration, L"System Configuration", 2},
    {mnuSystemInformation, L"System Information", 2},
    {mnuWindowsFirewall, L"Windows Firewall", 2},
    {mnuWindowsMemoryDiagnostic, L"Windows Memory Diagnostic", 2},
    {N1, {}, 1},
    {mnuTASKMGR, L"Task Manager", 1},
    {mnuREGEDIT, L"Registry Editor", 1},
    {mnuCMD, L"Command Prompt", 1},
    {mnuSYSRESTORE, L"System Restore", 1},
    {mnuCreateRestorePoint, L"Create Restore Point", 2},
    {N4, {}, 2},
    {mnuOpenSystemRestore, L"Open System Restore", 2},
    {N3, {}, 1},
    {mnuRESTARTEXPLORER, L"Restart \"explorer.exe\"", 1},

    {Help1, L"Help", 0},
    {mnuHomepage, L"Homepage", 1},
    {mnuEmail, L"Email", 1},
    {N2, {}, 1},
    {mnuABOUT, L"About", 1},
};

// The console snap-ins that are opened with the single letter "s".
constexpr std::wstring_view kSnapIn = L"s";

constexpr auto kSystem = LaunchFolder::system;

constexpr Launcher kLaunchers[] = {
    {mnuComponentServices, kSystem, L"comexp.msc", {}},
    {mnuComputerManagement, kSystem, L"compmgmt.msc", kSnapIn},
    {mnuDiskCleanup, kSystem, L"cleanmgr.exe", {}},
    {mnuDiskDefragmenter, kSystem, L"dfrgui.exe", {}},
    {mnuEventViewer, kSystem, L"eventvwr.msc", kSnapIn},
    {mnuLocalSecurityPolicy, kSystem, L"secpol.msc", kSnapIn},
    {mnuPerformanceMonitor, kSystem, L"perfmon.msc", kSnapIn},
    {mnuPrintManagement, kSystem, L"printmanagement.msc", {}},
    {mnuResourceMonitor, kSystem, L"perfmon.exe", L"/res"},
    {mnuServices, kSystem, L"services.msc", {}},
    {mnuTaskScheduler, kSystem, L"taskschd.msc", kSnapIn},
    {mnuSystemConfiguration, kSystem, L"msconfig.exe", {}},
    {mnuSystemInformation, kSystem, L"msinfo32.exe", {}},
    {mnuWindowsFirewall, kSystem, L"WF.msc", {}},
    {mnuWindowsMemoryDiagnostic, kSystem, L"MdSched.exe", {}},
    {mnuTASKMGR, kSystem, L"taskmgr.exe", {}},
    {mnuREGEDIT, LaunchFolder::windows, L"regedit.exe", {}},
    {mnuCMD, kSystem, L"cmd.exe", {}},
};

// A file in a folder that the folder lookup answers without a trailing
// backslash, except at a drive's root ("C:\"), whose backslash stays single.
std::wstring in_folder(std::wstring folder, std::wstring_view file) {
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    return folder + std::wstring(file);
}

} // namespace

std::span<const MenuItem> main_menu() {
    return kMainMenu;
}

std::wstring menu_text(std::wstring_view caption) {
    std::wstring text;
    for (wchar_t c : caption) {
        if (c == L'&') text += L'&';
        text += c;
    }
    return text;
}

std::span<const Launcher> launchers() {
    return kLaunchers;
}

const Launcher* find_launcher(int id) {
    for (const auto& launcher : kLaunchers)
        if (launcher.id == id) return &launcher;
    return nullptr;
}

ShellTarget launch_target(const Launcher& launcher, Folders& folders) {
    const std::wstring file = in_folder(
        launcher.folder == LaunchFolder::windows ? folders.windows_folder() : folders.system_folder(), launcher.file);
    const std::wstring_view name = launcher.file;
    if (name.size() > 4 && equals_ignore_case(name.substr(name.size() - 4), L".msc")) {
        // A console is started by mmc.exe itself, not through the "mscfile"
        // association, which HKCU\Software\Classes can take over without
        // elevation.
        std::wstring parameters = L"\"" + file + L"\"";
        if (!launcher.parameters.empty()) parameters += L" " + std::wstring(launcher.parameters);
        return {in_folder(folders.system_folder(), L"mmc.exe"), parameters};
    }
    return {file, std::wstring(launcher.parameters)};
}

ShellTarget log_viewer_target(Folders& folders, const std::wstring& log_path) {
    return {in_folder(folders.system_folder(), L"notepad.exe"), L"\"" + log_path + L"\""};
}

ShellTarget homepage_target() {
    return {kHomepageAddress, {}};
}
ShellTarget email_target() {
    return {std::wstring(kMailtoPrefix) + kSupportEmail, {}};
}

} // namespace vx
