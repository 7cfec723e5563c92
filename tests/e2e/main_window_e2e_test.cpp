// The running program's main window and About window, driven from outside
// with window messages: frame and place, the layout at the prefix's DPI (96,
// and 144 through the prefix's LogPixels), the pages, scrolling, tabbing, the
// About window and the menu commands that lead to other windows. Screenshots
// of the four pages go to the build tree for people to look at.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "app/components.h"
#include "fixers/advanced/advanced_catalogue.h"
#include "fixers/assoc/assoc_catalogue.h"
#include "tests/e2e/app_at_dpi.h"
#include "tests/e2e/driver.h"

namespace vx::e2e {
namespace {

using namespace main_ids;

constexpr int kPages[] = {TabSheet1, tsFILEASSOC, tsRESTRICTFIX, tsADVANCEDFIX};
constexpr const wchar_t* kPageFiles[] = {L"home", L"file-associations", L"restriction", L"advanced"};

std::string name_of(int id) {
    return to_narrow(std::wstring(main_component_name(id)));
}

HWND focused_in(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        app = App::launch();
        main = app.main_window();
        ASSERT_NE(main, nullptr) << "no main window";
        // An accepted platform shows no box at start.
        ASSERT_FALSE(wait_message_box(app.id(), 300));
    }
    HWND control(int id) const {
        HWND window = find_control(main, id);
        EXPECT_NE(window, nullptr) << name_of(id);
        return window;
    }

    App app;
    HWND main = nullptr;
};

TEST_F(MainWindow, OpensCentredOnHomeWithAFixedFrameAndOnlyTheCloseBox) {
    const LONG style = GetWindowLongW(main, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);

    RECT frame;
    GetWindowRect(main, &frame);
    EXPECT_LE(std::abs(frame.left + frame.right - GetSystemMetrics(SM_CXSCREEN)), 1);
    EXPECT_LE(std::abs(frame.top + frame.bottom - GetSystemMetrics(SM_CYSCREEN)), 1);

    HWND tabs = control(PageControl1);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(IsWindowVisible(control(TabSheet1)));
    for (int page : {tsFILEASSOC, tsRESTRICTFIX, tsADVANCEDFIX})
        EXPECT_FALSE(IsWindowVisible(control(page)));
    EXPECT_EQ(window_text(control(TabSheet1)), L"Home");
}

TEST_F(MainWindow, EachTabShowsItsPageAlone) {
    for (int index : {1, 2, 3, 0}) {
        SCOPED_TRACE(name_of(kPages[index]));
        ASSERT_TRUE(select_page(main, index));
        for (int other = 0; other < 4; ++other) {
            if (other == index) continue;
            EXPECT_FALSE(IsWindowVisible(control(kPages[other]))) << name_of(kPages[other]);
        }
        pause(300); // let the page paint
        EXPECT_TRUE(save_screenshot(main, screenshot_path(std::wstring(L"page-") + kPageFiles[index])));
    }
}

TEST_F(MainWindow, EveryRowOfBothScrollBoxesScrollsIntoView) {
    struct Case {
        int page;
        int box;
        std::vector<int> rows; // a control of each row, top to bottom
    };
    std::vector<int> association_rows, advanced_rows;
    for (const AssociationEntry& entry : kAssociations)
        association_rows.push_back(main_component_id(entry.button));
    for (const AdvancedRow& row : vx::advanced_rows())
        advanced_rows.push_back(main_component_id(row.component));
    const Case cases[] = {{1, ScrollBox2, association_rows}, {3, ScrollBox1, advanced_rows}};
    for (const Case& c : cases) {
        SCOPED_TRACE(name_of(c.box));
        ASSERT_TRUE(select_page(main, c.page));
        HWND box = control(c.box);
        // Only a vertical bar: the rows fit across the box beside it.
        EXPECT_FALSE(GetWindowLongW(box, GWL_STYLE) & WS_HSCROLL);
        EXPECT_TRUE(GetWindowLongW(box, GWL_STYLE) & WS_VSCROLL);
        ASSERT_EQ(c.rows.size(), 26u);
        EXPECT_TRUE(shown_in(control(c.rows.front()), box));
        EXPECT_FALSE(shown_in(control(c.rows.back()), box));
        for (int row : c.rows) {
            HWND window = control(row);
            for (int step = 0; step < 100 && !shown_in(window, box); ++step)
                SendMessageW(box, WM_VSCROLL, SB_LINEDOWN, 0);
            EXPECT_TRUE(shown_in(window, box)) << name_of(row);
        }
        // The thumb dragged back to the top shows the first row again.
        SendMessageW(box, WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
        EXPECT_TRUE(shown_in(control(c.rows.front()), box));
    }
}

TEST_F(MainWindow, TabbingPassesOverTheTaskButtonsRowButtonsAndThePageControl) {
    const std::set<int> restriction_stops = {lvRESTRICT, cbCHECKALLRESTRICT, btnSCANRESTRICT, btnFIXRESTRICT};
    for (int index = 0; index < 4; ++index) {
        SCOPED_TRACE(name_of(kPages[index]));
        ASSERT_TRUE(select_page(main, index));
        std::set<int> reached;
        for (int press = 0; press < 12; ++press) {
            press_key(main, VK_TAB);
            pause(40);
            HWND focus = focused_in(main);
            if (focus && focus != main) reached.insert(GetDlgCtrlID(focus));
        }
        if (index == 2) {
            EXPECT_EQ(reached, restriction_stops);
        } else {
            // Home, File Associations Fixer and Advanced hold nothing to tab to.
            for (int id : reached)
                ADD_FAILURE() << "Tab stopped on " << name_of(id) << " (" << id << ")";
        }
    }
}

TEST_F(MainWindow, TheHelpLabelUnderlinesUnderThePointerAndShowsItsMessage) {
    ASSERT_TRUE(select_page(main, 1));
    HWND label = control(lblINFO_FIX_EXE);
    RECT rect;
    GetWindowRect(label, &rect);
    // What the label shows, compared pixel by pixel: the underline is the
    // only change hovering makes. The pointer really moves, so the label sees
    // the mouse arrive and leave as it would from a user's hand.
    auto pixels = [&] {
        HDC screen = GetDC(nullptr);
        std::vector<COLORREF> shown;
        for (LONG y = rect.top; y < rect.bottom; ++y)
            for (LONG x = rect.left; x < rect.right; ++x)
                shown.push_back(GetPixel(screen, x, y));
        ReleaseDC(nullptr, screen);
        return shown;
    };
    SetCursorPos(rect.left - 40, rect.top - 40);
    pause(500); // the page has painted
    const auto before = pixels();
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    EXPECT_TRUE(wait_until([&] { return pixels() != before; }, 3000))
        << "no underline while the pointer is over the label";
    SetCursorPos(rect.left - 40, rect.top - 40);
    EXPECT_TRUE(wait_until([&] { return pixels() == before; }, 3000)) << "the underline stayed after the pointer left";

    PostMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    auto box = wait_message_box(app.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->caption, L"Vantrix");
    EXPECT_EQ(box->icon, IconKind::information) << icon_name(box->icon);
    // Four lines joined by CR LF, the program's names written literally.
    EXPECT_EQ(box->text, L"If the exe file association is an error, please rename the program file and change the "
                         L"extension to \".com\" to be able to run the Vantrix program.\r\n\r\nExample:\r\n"
                         L"From \"Vantrix.exe\" to be \"Vantrix.com\".")
        << to_narrow(box->text);
    answer(*box, IDOK);
}

TEST_F(MainWindow, CreateRestorePointInTheMenuDoesWhatTheCreateButtonDoes) {
    // Whatever System Restore answers (under Wine the method call fails), the
    // menu item and the button end with the same box.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(mnuCreateRestorePoint, 0), 0);
    auto from_menu = wait_message_box(app.id(), 60000);
    ASSERT_TRUE(from_menu);
    const MessageBoxInfo menu_box = *from_menu;
    answer(menu_box, IDOK);

    click(control(btnRSPoint));
    auto from_button = wait_message_box(app.id(), 60000);
    ASSERT_TRUE(from_button);
    EXPECT_EQ(from_button->text, menu_box.text);
    EXPECT_EQ(from_button->caption, menu_box.caption);
    EXPECT_EQ(from_button->icon, menu_box.icon);
    answer(*from_button, IDOK);
}

TEST_F(MainWindow, ExitEndsTheProgram) {
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(mnuEXIT, 0), 0);
    EXPECT_EQ(app.wait_exit(20000), 0u);
}

// The About window, from the Help menu and from the text store's popup menu.
class AboutWindow : public MainWindow {
protected:
    HWND wait_about() const {
        HWND about = nullptr;
        wait_until([&] {
            const auto windows = top_windows(app.id(), L"TFORM_TENTANG");
            about = windows.empty() ? nullptr : windows.front();
            return about != nullptr;
        });
        return about;
    }
    void close_with_ok(HWND about) {
        click(find_control(about, about_ids::BTN_OK));
        EXPECT_TRUE(wait_until([&] { return !IsWindowVisible(about); }));
        EXPECT_TRUE(wait_until([&] { return IsWindowEnabled(main) != FALSE; }));
    }
};

TEST_F(AboutWindow, ShownTwiceIsTheSameModalWindowWithTheMainWindowsIcon) {
    HWND first = nullptr;
    for (int time = 0; time < 2; ++time) {
        SCOPED_TRACE(time);
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(mnuABOUT, 0), 0);
        HWND about = wait_about();
        ASSERT_NE(about, nullptr);
        if (!first) first = about;
        EXPECT_EQ(about, first);
        EXPECT_EQ(window_text(about), L"About");
        EXPECT_FALSE(IsWindowEnabled(main)); // modal
        // Wine answers WM_GETICON from another process with 0, whatever the
        // window holds, so the icons are compared only on Windows; the About
        // window's Wine test checks the copy in-process.
        if (!running_on_wine()) {
            const LRESULT big = SendMessageW(main, WM_GETICON, ICON_BIG, 0);
            EXPECT_NE(big, 0);
            EXPECT_EQ(SendMessageW(about, WM_GETICON, ICON_BIG, 0), big);
            EXPECT_EQ(SendMessageW(about, WM_GETICON, ICON_SMALL, 0), SendMessageW(main, WM_GETICON, ICON_SMALL, 0));
        }
        RECT inner, outer;
        GetWindowRect(about, &inner);
        GetWindowRect(main, &outer);
        EXPECT_LE(std::abs((inner.left + inner.right) - (outer.left + outer.right)), 1);
        EXPECT_LE(std::abs((inner.top + inner.bottom) - (outer.top + outer.bottom)), 1);
        EXPECT_EQ(window_text(find_control(about, about_ids::LABEL_HOMEPAGE)), L"https://vantrix.example.org");
        EXPECT_EQ(window_text(find_control(about, about_ids::LABEL_EMAIL)), L"support@vantrix.example.com");
        close_with_ok(about);
    }
}

TEST_F(AboutWindow, ThePopupMenuOpensAtTheMenuButtonsCornerAndItsItemShowsAbout) {
    HWND button = control(SB_MENU_APP);
    EXPECT_FALSE(IsWindowVisible(button)); // nothing shows it
    RECT rect;
    GetWindowRect(button, &rect);
    click(button);
    HWND popup = nullptr;
    ASSERT_TRUE(wait_until([&] {
        const auto menus = top_windows(app.id(), L"#32768");
        popup = menus.empty() ? nullptr : menus.front();
        return popup != nullptr;
    }));
    RECT menu;
    GetWindowRect(popup, &menu);
    EXPECT_EQ(menu.left, rect.left);
    EXPECT_EQ(menu.top, rect.bottom);
    // "Tentang", the one item, chosen with the keyboard.
    press_key(popup, VK_DOWN);
    press_key(popup, VK_RETURN);
    HWND about = wait_about();
    ASSERT_NE(about, nullptr);
    close_with_ok(about);
}

// The layout of the running program at the DPI the prefix reports.
class MainWindowLayout : public AppAtDpi {};

TEST_P(MainWindowLayout, KeyComponentsSitWhereTheTablesSayScaledByTheDpi) {
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, scale(641));
    EXPECT_EQ(client.bottom, scale(548));

    struct Case {
        int id;
        int reference;           // 0: the main window's client area
        int x, y, width, height; // at 96 DPI; a size of 0 is left to the text
        int row_top = 0;         // for a row's control: its row's top in the scroll box, at 96 DPI
    };
    const Case cases[] = {
        {Image2, 0, 0, 0, 641, 89},
        {Image1, 0, 8, 8, 70, 70},
        {Label1, 0, 84, 8, 0, 0},
        {Label2, 0, 84, 62, 0, 0},
        {PageControl1, 0, 0, 89, 641, 459},
        {Label88, TabSheet1, 16, 11, 0, 0},
        {lblCPUName, TabSheet1, 112, 84, 0, 0},
        {GroupBox1, TabSheet1, 16, 252, 601, 65},
        {btnSCANSFC, GroupBox1, 480, 24, 105, 25},
        {Label4, tsFILEASSOC, 16, 42, 602, 33},
        {ScrollBox2, tsFILEASSOC, 16, 96, 602, 289},
        {btnFIXBATFILE, ScrollBox2, 496, 8, 81, 25},
        {lblINFO_FIX_EXE, tsFILEASSOC, 437, 399, 0, 0},
        {Label8, tsRESTRICTFIX, 16, 42, 601, 31},
        {lvRESTRICT, tsRESTRICTFIX, 16, 88, 601, 281},
        {cbCHECKALLRESTRICT, tsRESTRICTFIX, 16, 375, 89, 17},
        {btnSCANRESTRICT, tsRESTRICTFIX, 385, 375, 81, 25},
        {btnFIXRESTRICT, tsRESTRICTFIX, 472, 375, 145, 25},
        {ScrollBox1, tsADVANCEDFIX, 3, 80, 630, 321},
        {Panel42, ScrollBox1, 0, 0, 613, 41},
        {btnFIXEXPLOREREXE, ScrollBox1, 520, 8, 81, 25, 41},
        {btnFIXFOLDER, ScrollBox2, 496, 8, 81, 25, 25 * 41},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(name_of(c.id));
        HWND window = find_control(main, c.id);
        ASSERT_NE(window, nullptr);
        HWND reference = c.reference ? find_control(main, c.reference) : main;
        const RECT rect = rect_in(window, reference);
        // A row and the controls in it are each placed at their own scaled offsets.
        EXPECT_EQ(rect.left, scale(c.x));
        EXPECT_EQ(rect.top, scale(c.row_top) + scale(c.y));
        if (c.width) {
            EXPECT_EQ(rect.right - rect.left, scale(c.width));
            EXPECT_EQ(rect.bottom - rect.top, scale(c.height));
        }
    }
    // The title's font grows with the DPI: its label is taller than the
    // scaled character height.
    const RECT title = rect_in(find_control(main, Label1), main);
    EXPECT_GE(title.bottom - title.top, scale(40));
    EXPECT_TRUE(save_screenshot(main, screenshot_path(L"home-" + std::to_wstring(GetParam()) + L"dpi")));
}

INSTANTIATE_TEST_SUITE_P(Dpi, MainWindowLayout, ::testing::Values(96, 144),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

} // namespace
} // namespace vx::e2e
