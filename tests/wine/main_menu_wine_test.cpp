// The main menu as Win32 builds it from its table. Wine cannot read another
// process's menus (GetMenu of a foreign window gives a handle that fails with
// ERROR_INVALID_MENU_HANDLE), so the end-to-end tests cannot walk the running
// program's menu: the menu is built here, in-process, by the same function the
// main window uses, and walked with GetMenuItemInfoW.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "app/components.h"
#include "app/menu_win.h"
#include "services/error.h"

namespace vx {
namespace {

using namespace main_ids;

struct Node {
    int id;
    const wchar_t* caption; // null for a separator
    std::vector<Node> items;
};

Node separator(int id) {
    return {id, nullptr, {}};
}

const std::vector<Node>& expected_menu() {
    static const std::vector<Node> menu = {
        {File1, L"File", {{mnuUNDO, L"Undo a Repair...", {}}, {mnuVIEWLOG, L"View Log", {}}, {mnuEXIT, L"Exit", {}}}},
        {mnuTOOLS,
         L"Tools",
         {
             {AdministrativeTools1,
              L"Administrative Tools",
              {
                  {mnuComponentServices, L"Component Services", {}},
                  {mnuComputerManagement, L"Computer Management", {}},
                  {mnuDiskCleanup, L"Disk Cleanup", {}},
                  {mnuDiskDefragmenter, L"Disk Defragmenter", {}},
                  {mnuEventViewer, L"Event Viewer", {}},
                  {mnuLocalSecurityPolicy, L"Local Security Policy", {}},
                  {mnuPerformanceMonitor, L"Performance Monitor", {}},
                  {mnuPrintManagement, L"Print Management", {}},
                  {mnuResourceMonitor, L"Resource Monitor", {}},
                  {mnuServices, L"Services", {}},
                  {mnuTaskScheduler, L"Task Scheduler", {}},
                  {mnuSystemConfiguration, L"System Configuration", {}},
                  {mnuSystemInformation, L"System Information", {}},
                  {mnuWindowsFirewall, L"Windows Firewall", {}},
                  {mnuWindowsMemoryDiagnostic, L"Windows Memory Diagnostic", {}},
              }},
             separator(N1),
             {mnuTASKMGR, L"Task Manager", {}},
             {mnuREGEDIT, L"Registry Editor", {}},
             {mnuCMD, L"Command Prompt", {}},
             {mnuSYSRESTORE,
              L"System Restore",
              {
                  {mnuCreateRestorePoint, L"Create Restore Point", {}},
                  separator(N4),
                  {mnuOpenSystemRestore, L"Open System Restore", {}},
              }},
             separator(N3),
             {mnuRESTARTEXPLORER, L"Restart \"explorer.exe\"", {}},
         }},
        {Help1,
         L"Help",
         {
             {mnuHomepage, L"Homepage", {}},
             {mnuEmail, L"Email", {}},
             separator(N2),
             {mnuABOUT, L"About", {}},
         }},
    };
    return menu;
}

void expect_menu(HMENU menu, const std::vector<Node>& expected, const std::string& path) {
    ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(expected.size())) << path;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Node& node = expected[i];
        const std::string where = path + "/" + (node.caption ? to_utf8(node.caption) : "-");
        SCOPED_TRACE(where);
        wchar_t text[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU | MIIM_BITMAP | MIIM_CHECKMARKS;
        info.dwTypeData = text;
        info.cch = 128;
        ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info));
        EXPECT_EQ(info.wID, static_cast<UINT>(node.id));
        // No icons, no check-mark pictures.
        EXPECT_EQ(info.hbmpItem, nullptr);
        EXPECT_EQ(info.hbmpChecked, nullptr);
        if (!node.caption) {
            EXPECT_TRUE(info.fType & MFT_SEPARATOR);
            continue;
        }
        EXPECT_FALSE(info.fType & MFT_SEPARATOR);
        // Shown as written: no access key marked, no shortcut text after a tab.
        EXPECT_STREQ(text, node.caption);
        EXPECT_EQ(info.hSubMenu != nullptr, !node.items.empty());
        if (info.hSubMenu) expect_menu(info.hSubMenu, node.items, where);
    }
}

TEST(MainMenuOnWine, HoldsEveryItemInOrderWithItsComponentId) {
    HMENU bar = build_menu_bar(main_menu());
    ASSERT_NE(bar, nullptr);
    expect_menu(bar, expected_menu(), "MainMenu1");
    DestroyMenu(bar);
}

} // namespace
} // namespace vx
