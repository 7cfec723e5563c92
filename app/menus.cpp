#include "app/menus.h"

#include "app/components.h"
#include "app/product_info.h"

namespace vx {

namespace {

using namespace main_ids;

constexpr MenuItem kMainMenu[] = {
    {File1, L"File", 0},
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

constexpr Launcher kLaunchers[] = {
    {mnuComponentServices, L"\\system32\\comexp.msc", {}},
    {mnuComputerManagement, L"\\system32\\compmgmt.msc", kSnapIn},
    {mnuDiskCleanup, L"\\system32\\cleanmgr.exe", {}},
    {mnuDiskDefragmenter, L"\\system32\\dfrgui.exe", {}},
    {mnuEventViewer, L"\\system32\\eventvwr.msc", kSnapIn},
    {mnuLocalSecurityPolicy, L"\\system32\\secpol.msc", kSnapIn},
    {mnuPerformanceMonitor, L"\\system32\\perfmon.msc", kSnapIn},
    {mnuPrintManagement, L"\\system32\\printmanagement.msc", {}},
    {mnuResourceMonitor, L"\\system32\\perfmon.exe", L"/res"},
    {mnuServices, L"\\system32\\services.msc", {}},
    {mnuTaskScheduler, L"\\system32\\taskschd.msc", kSnapIn},
    {mnuSystemConfiguration, L"\\system32\\msconfig.exe", {}},
    {mnuSystemInformation, L"\\system32\\msinfo32.exe", {}},
    {mnuWindowsFirewall, L"\\system32\\WF.msc", {}},
    {mnuWindowsMemoryDiagnostic, L"\\system32\\MdSched.exe", {}},
    {mnuTASKMGR, L"taskmgr", {}},
    {mnuREGEDIT, L"regedit", {}},
    {mnuCMD, L"cmd", {}},
};

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
    std::wstring file(launcher.file);
    if (!file.empty() && file.front() == L'\\') {
        // The folder lookup answers without a trailing backslash, except for
        // a Windows folder at a drive's root ("C:\"), whose backslash the
        // suffix brings again.
        std::wstring folder = folders.windows_folder();
        if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
        file = folder + file;
    }
    return {file, std::wstring(launcher.parameters)};
}

ShellTarget homepage_target() {
    return {kHomepageAddress, {}};
}
ShellTarget email_target() {
    return {std::wstring(kMailtoPrefix) + kSupportEmail, {}};
}

} // namespace vx
