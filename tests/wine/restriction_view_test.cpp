// The Restriction Fixer view on a real list view and list box, driven the way
// the main window drives it, with the in-memory registry behind the model.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "fixers/restrict/restriction_view_win.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

constexpr auto HKCU = RootKey::current_user;
constexpr wchar_t kSystem[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr wchar_t kExplorer[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

bool running_on_wine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

class RestrictionViewTest : public ::testing::Test {
protected:
    static RestrictionFixerView* current;

    // The page's part of the main window: WM_NOTIFY goes to the view.
    static LRESULT CALLBACK page_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_NOTIFY && current)
            return current->on_notify(reinterpret_cast<const NMHDR*>(lparam)) ? TRUE : FALSE;
        return DefWindowProcW(window, message, wparam, lparam);
    }

    void SetUp() override {
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&init);
        WNDCLASSW cls{};
        cls.lpfnWndProc = &page_proc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = L"VantrixRestrictionTestPage";
        RegisterClassW(&cls);
        page = CreateWindowExW(0, cls.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 700, 500, nullptr, nullptr,
                               cls.hInstance, nullptr);
        ASSERT_TRUE(page);
        list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 16, 88, 601,
                               281, page, nullptr, cls.hInstance, nullptr);
        box = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD, 504, 11, 73, 25, page, nullptr, cls.hInstance, nullptr);
        ASSERT_TRUE(list && box);
        view = std::make_unique<RestrictionFixerView>(sys.services, list, box);
        current = view.get();
    }

    void TearDown() override {
        current = nullptr;
        view.reset();
        DestroyWindow(page);
        EXPECT_EQ(sys.registry.open_handles(), 0u);
    }

    int count() const { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring text(int item, int sub) const {
        wchar_t buffer[512] = {};
        LVITEMW row{};
        row.iSubItem = sub;
        row.pszText = buffer;
        row.cchTextMax = 512;
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row));
        return buffer;
    }
    int image(int item) const {
        LVITEMW row{};
        row.mask = LVIF_IMAGE;
        row.iItem = item;
        SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&row));
        return row.iImage;
    }
    bool checked(int item) const {
        const auto state = SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_STATEIMAGEMASK);
        return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
    }
    // What the list view does when the user clicks a check box.
    void user_tick(int item, bool on) const {
        LVITEMW row{};
        row.stateMask = LVIS_STATEIMAGEMASK;
        row.state = INDEXTOSTATEIMAGEMASK(on ? 2u : 1u);
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row));
    }
    std::vector<std::wstring> lines() const {
        std::vector<std::wstring> out;
        const auto n = SendMessageW(box, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            std::wstring line(static_cast<std::size_t>(SendMessageW(box, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)),
                              L'\0');
            std::vector<wchar_t> buffer(line.size() + 1);
            SendMessageW(box, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()));
            out.emplace_back(buffer.data());
        }
        return out;
    }
    int width(int column) const {
        return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    }
    int scaled(int value) const {
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        return MulDiv(value, dpi, 96);
    }
    HWND header() const { return reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)); }

    test::FakeSystem sys;
    HWND page = nullptr;
    HWND list = nullptr;
    HWND box = nullptr;
    std::unique_ptr<RestrictionFixerView> view;
};

RestrictionFixerView* RestrictionViewTest::current = nullptr;

TEST_F(RestrictionViewTest, SetsUpAReportWithCheckBoxesTwoFixedColumnsTwoImagesAndTwoGroups) {
    const auto style = GetWindowLongW(list, GWL_STYLE);
    EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_EQ(style & LVS_EDITLABELS, 0);
    EXPECT_NE(style & LVS_NOSORTHEADER, 0);
    const auto extended = SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_EQ(extended & (LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
              LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);

    const wchar_t* titles[] = {L"Restriction Item(s)", L"Info"};
    const int widths[] = {150, 400};
    EXPECT_EQ(SendMessageW(header(), HDM_GETITEMCOUNT, 0, 0), 2);
    for (int i = 0; i < 2; ++i) {
        wchar_t buffer[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT;
        column.pszText = buffer;
        column.cchTextMax = 64;
        SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
        EXPECT_STREQ(buffer, titles[i]);
        EXPECT_EQ(width(i), scaled(widths[i]));
    }

    const auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    ASSERT_TRUE(images);
    EXPECT_EQ(ImageList_GetImageCount(images), 2);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);

    // Wine 8 implements no list-view groups (every group message answers 0);
    // on Windows both groups exist and the group view is on.
    if (!running_on_wine()) {
        EXPECT_TRUE(SendMessageW(list, LVM_ISGROUPVIEWENABLED, 0, 0));
        EXPECT_TRUE(SendMessageW(list, LVM_HASGROUP, kGroupDesktopExplorer, 0));
        EXPECT_TRUE(SendMessageW(list, LVM_HASGROUP, kGroupSystemSecurity, 0));
    }
}

TEST_F(RestrictionViewTest, MirrorsScanTicksCheckAllAndRemovalIntoTheControls) {
    sys.registry.put_dword(HKCU, kSystem, L"DisableTaskMgr", 1);
    sys.registry.put_dword(HKCU, kExplorer, L"NoClose", 1);
    sys.registry.put_dword(HKCU, kExplorer, L"HideClock", 1);
    view->btnSCANRESTRICTClick();
    ASSERT_EQ(count(), 3);
    EXPECT_EQ(text(0, 0), L"Task Manager");
    EXPECT_EQ(text(0, 1),
              L"Cannot open Task Manager, a message appears \"Task Manager has been disabled by your administrator\".");
    EXPECT_EQ(text(1, 0), L"Shutdown, Sleep, Restart, Hibernate command");
    EXPECT_EQ(text(2, 0), L"Clock");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(image(i), kCrossImage);
        EXPECT_FALSE(checked(i));
    }
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(sys.ui.boxes.back().text, L"Found 3 restrictions on this computer!");

    user_tick(2, true);
    EXPECT_EQ(lines(), std::vector<std::wstring>{L"Clock"});
    user_tick(2, false);
    EXPECT_TRUE(lines().empty());

    user_tick(1, true);
    view->cbCHECKALLRESTRICTClick(true);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(checked(i));
    EXPECT_EQ(lines(),
              (std::vector<std::wstring>{L"Shutdown, Sleep, Restart, Hibernate command", L"Task Manager", L"Clock"}));
    EXPECT_EQ(lines(), view->model().selection());

    view->cbCHECKALLRESTRICTClick(false);
    EXPECT_TRUE(lines().empty());
    user_tick(0, true);
    view->btnFIXRESTRICTClick();
    EXPECT_EQ(image(0), kTickImage);
    EXPECT_TRUE(checked(0));
    EXPECT_EQ(image(1), kCrossImage);
    EXPECT_TRUE(lines().empty());
    EXPECT_EQ(sys.ui.boxes.back().text, L"Done!");
    EXPECT_EQ(sys.registry.get(HKCU, kSystem, L"DisableTaskMgr"), std::nullopt);

    view->btnSCANRESTRICTClick();
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(text(0, 0), L"Shutdown, Sleep, Restart, Hibernate command");
}

TEST_F(RestrictionViewTest, ColumnsKeepTheirWidths) {
    // A caption wider than its column, so that sizing to the contents would show.
    sys.registry.put_dword(HKCU, kExplorer, L"NoClose", 1);
    view->btnSCANRESTRICTClick();
    const int caption_width = scaled(150);
    // A drag on the divider between the two columns.
    const HWND h = header();
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(caption_width, 5));
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(caption_width + 80, 5));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(caption_width + 80, 5));
    EXPECT_EQ(width(0), caption_width);
    // A double-click on the divider, which would size the column to its text.
    SendMessageW(h, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(caption_width, 5));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(caption_width, 5));
    EXPECT_EQ(width(0), caption_width);
    // Sizing to the contents, as Ctrl+Plus does.
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE);
    EXPECT_EQ(width(0), caption_width);
    EXPECT_EQ(width(1), scaled(400));

    NMHEADERW note{};
    note.hdr.hwndFrom = h;
    note.hdr.code = HDN_BEGINTRACKW;
    EXPECT_TRUE(view->on_notify(&note.hdr)); // as Windows passes it to the page
}

TEST_F(RestrictionViewTest, CaptionsCannotBeEdited) {
    sys.registry.put_dword(HKCU, kSystem, L"DisableTaskMgr", 1);
    view->btnSCANRESTRICTClick();
    SetWindowLongW(list, GWL_STYLE, GetWindowLongW(list, GWL_STYLE) | LVS_EDITLABELS);
    SetFocus(list);
    const auto edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_EDITLABELW, 0, 0));
    EXPECT_EQ(edit, nullptr);
    EXPECT_EQ(text(0, 0), L"Task Manager");
}

} // namespace
} // namespace vx
