// The main window's controls made from its tables on a real window, at 96
// and at 144 DPI, in-process: places and sizes relative to each control's
// parent, fonts, tab stops and the scroll boxes. The DPI is handed to the
// builder here; the end-to-end tests check the program at the DPI a prefix
// reports.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <memory>
#include <string>

#include "app/components.h"
#include "app/controls_win.h"
#include "app/layout.h"
#include "services/error.h"

namespace vx {
namespace {

using namespace main_ids;

LRESULT CALLBACK host_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PRINTCLIENT) return 0;
    return DefWindowProcW(window, message, wparam, lparam);
}

class WindowControlsOnWine : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        // As the program does at start: WIC decodes the pictures through COM.
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        WNDCLASSW cls{};
        cls.lpfnWndProc = &host_proc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        cls.lpszClassName = L"VantrixControlsTestHost";
        RegisterClassW(&cls);
        host = CreateWindowExW(WS_EX_CONTROLPARENT, cls.lpszClassName, L"host", WS_OVERLAPPED | WS_CLIPCHILDREN, 0, 0,
                               scale(kMainForm.client_width) + 40, scale(kMainForm.client_height) + 60, nullptr,
                               nullptr, cls.hInstance, nullptr);
        ASSERT_TRUE(host);
        controls = std::make_unique<FormControls>(host, kMainForm, DpiScale(dpi()));
        controls->create(main_window_layout());
        controls->finish();
    }
    void TearDown() override {
        controls.reset();
        DestroyWindow(host);
        CoUninitialize();
    }

    int dpi() const { return GetParam(); }
    int scale(int value) const { return MulDiv(value, dpi(), 96); }

    HWND find(int id) const {
        HWND window = controls->find(id);
        EXPECT_TRUE(window) << "no window for " << to_utf8(std::wstring(main_component_name(id)));
        return window;
    }
    // A window's rectangle in its parent's client coordinates.
    static RECT in_parent(HWND window) {
        RECT rect{};
        GetWindowRect(window, &rect);
        MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    static LOGFONTW font_of(HWND window) {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font), &font);
        return font;
    }

    HWND host = nullptr;
    std::unique_ptr<FormControls> controls;
};

TEST_P(WindowControlsOnWine, KeyComponentsSitWhereTheTablesSayAtTheDpi) {
    struct Case {
        int id;
        int x, y, width, height; // at 96 DPI, in the parent; a size of 0 is the text's own
    };
    const Case cases[] = {
        {Image2, 0, 0, 641, 89},
        {Image1, 8, 8, 70, 70},
        {Label1, 84, 8, 0, 0},
        {Label2, 84, 62, 0, 0},
        {SB_MENU_APP, 603, 58, 33, 25},
        {PageControl1, 0, 89, 641, 459},
        {Label88, 16, 11, 0, 0},
        {lblWinName, 112, 40, 0, 0},
        {lblTOTALRAM, 112, 106, 0, 0},
        {GroupBox3, 16, 181, 601, 65},
        {GroupBox2, 16, 323, 601, 65},
        {btnRSPoint, 480, 24, 105, 25},
        {btnSCANDISM, 480, 24, 105, 25},
        {Label4, 16, 42, 602, 33},
        {ScrollBox2, 16, 96, 602, 289},
        {btnFIXBATFILE, 496, 8, 81, 25},
        {lblINFO_FIX_EXE, 437, 399, 0, 0},
        {lvRESTRICT, 16, 88, 601, 281},
        {lbRESTRICT, 504, 11, 73, 25},
        {cbCHECKALLRESTRICT, 16, 375, 89, 17},
        {btnSCANRESTRICT, 385, 375, 81, 25},
        {btnFIXRESTRICT, 472, 375, 145, 25},
        {Label5, 16, 11, 0, 0},
        {ScrollBox1, 3, 80, 630, 321},
        {Panel42, 0, 0, 613, 41},
        {btnFIXEXPLOREREXE, 520, 8, 81, 25},
        {btnFIXFILEHOST, 520, 9, 81, 25},
        {btnResetGPedit, 520, 6, 81, 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(to_utf8(std::wstring(main_component_name(c.id))));
        HWND window = find(c.id);
        if (!window) continue;
        const RECT rect = in_parent(window);
        EXPECT_EQ(rect.left, scale(c.x));
        EXPECT_EQ(rect.top, scale(c.y));
        if (c.width) {
            EXPECT_EQ(rect.right - rect.left, scale(c.width));
            EXPECT_EQ(rect.bottom - rect.top, scale(c.height));
        }
    }
    // The help label is at least its table size and never cuts its text.
    const RECT help = in_parent(find(lblINFO_FIX_EXE));
    EXPECT_GE(help.right - help.left, scale(181));
    EXPECT_GE(help.bottom - help.top, scale(16));

    // The pages fill the page control below its tabs.
    RECT tabs;
    GetClientRect(find(PageControl1), &tabs);
    for (int page : {TabSheet1, tsFILEASSOC, tsRESTRICTFIX, tsADVANCEDFIX}) {
        const RECT rect = in_parent(find(page));
        EXPECT_GE(rect.top, scale(kTabHeight));
        EXPECT_LE(rect.bottom, tabs.bottom);
        EXPECT_GT(rect.right - rect.left, scale(641) - scale(12));
    }
    // Home shows first; the host window itself is never shown.
    EXPECT_TRUE(GetWindowLongW(find(TabSheet1), GWL_STYLE) & WS_VISIBLE);
    for (int page : {tsFILEASSOC, tsRESTRICTFIX, tsADVANCEDFIX})
        EXPECT_FALSE(GetWindowLongW(find(page), GWL_STYLE) & WS_VISIBLE);
}

TEST_P(WindowControlsOnWine, FontsAreTahomaAtTheirHeightsForTheDpi) {
    struct Case {
        int id;
        int height;
        bool bold;
    };
    const Case cases[] = {
        {Label1, -40, false},    {Label2, -11, false},     {Label88, -19, false},      {Label82, -13, true},
        {lblMBoard, -13, false}, {btnRSPoint, -11, false}, {PageControl1, -11, false}, {lblINFO_FIX_EXE, -13, false},
        {Panel44, -12, true},    {Label6, -11, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(to_utf8(std::wstring(main_component_name(c.id))));
        const LOGFONTW font = font_of(find(c.id));
        EXPECT_STREQ(font.lfFaceName, L"Tahoma");
        EXPECT_EQ(font.lfHeight, -MulDiv(-c.height, dpi(), 96));
        EXPECT_EQ(font.lfWeight >= FW_BOLD, c.bold);
        EXPECT_FALSE(font.lfUnderline);
    }
}

TEST_P(WindowControlsOnWine, OnlyTheRestrictionPageControlsAreTabStops) {
    auto tab_stop = [this](int id) { return (GetWindowLongW(find(id), GWL_STYLE) & WS_TABSTOP) != 0; };
    for (int id : {lvRESTRICT, cbCHECKALLRESTRICT, btnSCANRESTRICT, btnFIXRESTRICT})
        EXPECT_TRUE(tab_stop(id)) << to_utf8(std::wstring(main_component_name(id)));
    // The page control, the "Run" and "Create" buttons and every "FIX" and
    // "Reset" button of the two scroll boxes are passed over.
    for (int id = kFirst + 1; id < kEnd; ++id) {
        if (id == lvRESTRICT || id == cbCHECKALLRESTRICT || id == btnSCANRESTRICT || id == btnFIXRESTRICT) continue;
        if (HWND window = controls->find(id)) {
            EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & WS_TABSTOP)
                << to_utf8(std::wstring(main_component_name(id)));
        }
    }
}

TEST_P(WindowControlsOnWine, ScrollBoxesReachEveryRowWithoutAHorizontalBar) {
    struct Case {
        int box;
        int first_button, last_button;
        int last_row_top, last_row_height; // at 96 DPI
    };
    const Case cases[] = {
        {ScrollBox2, btnFIXBATFILE, btnFIXFOLDER, 25 * 41, 41},
        {ScrollBox1, btnFIXEXPLOREREXE, btnResetGPedit, 4 * 41 + 21 * 40, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(to_utf8(std::wstring(main_component_name(c.box))));
        HWND box = find(c.box);
        const LONG style = GetWindowLongW(box, GWL_STYLE);
        EXPECT_FALSE(style & WS_HSCROLL);
        EXPECT_TRUE(style & WS_VSCROLL);
        RECT client;
        GetClientRect(box, &client);
        // Every row fits across the box beside its vertical scroll bar.
        RECT content;
        GetClientRect(scroll_box_content(box), &content);
        EXPECT_LE(content.right, client.right);

        auto visible_in_box = [&](int button) {
            RECT rect;
            GetWindowRect(find(button), &rect);
            MapWindowPoints(HWND_DESKTOP, box, reinterpret_cast<POINT*>(&rect), 2);
            return rect.top >= 0 && rect.bottom <= client.bottom && rect.right <= client.right;
        };
        EXPECT_TRUE(visible_in_box(c.first_button));
        EXPECT_FALSE(visible_in_box(c.last_button));

        SCROLLINFO info{sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
        GetScrollInfo(box, SB_VERT, &info);
        // The rows end with the last row's bottom edge.
        EXPECT_EQ(info.nMax + 1, scale(c.last_row_top) + scale(c.last_row_height));
        EXPECT_EQ(static_cast<int>(info.nPage), client.bottom);

        SendMessageW(box, WM_VSCROLL, SB_BOTTOM, 0);
        EXPECT_TRUE(visible_in_box(c.last_button));
        EXPECT_FALSE(visible_in_box(c.first_button));
        SendMessageW(box, WM_VSCROLL, SB_TOP, 0);
        EXPECT_TRUE(visible_in_box(c.first_button));
        // Line by line, every row comes into view on the way down.
        for (int button = c.first_button; button <= c.last_button; ++button) {
            for (int step = 0; step < 200 && !visible_in_box(button); ++step)
                SendMessageW(box, WM_VSCROLL, SB_LINEDOWN, 0);
            EXPECT_TRUE(visible_in_box(button)) << to_utf8(std::wstring(main_component_name(button)));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Dpi, WindowControlsOnWine, ::testing::Values(96, 144),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

} // namespace
} // namespace vx
