// The About window in-process: made once with its owner's icon, shown
// modally again and again, closed by "OK", Esc or the close box, and its two
// link labels underlined only while the mouse moves over each. Fonts and icon
// handles cannot be read from another process, so this runs here rather than
// against the running program.
#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>

#include <cstdlib>
#include <functional>

#include "app/about_window_win.h"
#include "app/components.h"
#include "app/layout.h"

namespace vx {
namespace {

using namespace about_ids;

class AboutWindowOnWine : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        HINSTANCE instance = GetModuleHandleW(nullptr);
        owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 100, 80, 700, 600, nullptr,
                                nullptr, instance, nullptr);
        ASSERT_TRUE(owner);
        big = static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, 32, 32, 0));
        small_icon = static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, 16, 16, 0));
        ASSERT_TRUE(big && small_icon);
        SendMessageW(owner, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
        SendMessageW(owner, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon));
        about.create(instance, owner);
        ASSERT_TRUE(about.handle());
    }
    void TearDown() override {
        DestroyWindow(about.handle());
        DestroyWindow(owner);
        DestroyIcon(big);
        DestroyIcon(small_icon);
        CoUninitialize();
    }

    // Shows the window modally; `while_shown` runs inside its loop and must close it.
    void show_modal_and(std::function<void()> while_shown) {
        current = this;
        pending = std::move(while_shown);
        SetTimer(nullptr, 0, 10, &AboutWindowOnWine::on_timer);
        about.show_modal();
        current = nullptr;
    }
    static void CALLBACK on_timer(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        if (!current || !current->pending) return;
        auto work = std::move(current->pending);
        current->pending = nullptr;
        work();
    }

    static bool underlined(HWND label) {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)), sizeof(font), &font);
        return font.lfUnderline != 0;
    }

    static AboutWindowOnWine* current;
    std::function<void()> pending;
    HWND owner = nullptr;
    HICON big = nullptr, small_icon = nullptr;
    TFORM_TENTANG about;
};
AboutWindowOnWine* AboutWindowOnWine::current = nullptr;

TEST_F(AboutWindowOnWine, IsAFixedSmallWindowWithTheOwnersIcon) {
    HWND window = about.handle();
    wchar_t caption[32] = {};
    GetWindowTextW(window, caption, 32);
    EXPECT_STREQ(caption, L"About");
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_FALSE(style & WS_VISIBLE);

    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, MulDiv(kAboutForm.client_width, dpi, 96));
    EXPECT_EQ(client.bottom, MulDiv(kAboutForm.client_height, dpi, 96));

    EXPECT_EQ(SendMessageW(window, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(big));
    EXPECT_EQ(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(small_icon));

    // The tab order starts at "OK", and no control has the IDs Enter and Esc send.
    EXPECT_EQ(GetWindow(window, GW_CHILD), about.component(BTN_OK));
    EXPECT_EQ(GetDlgItem(window, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(window, IDCANCEL), nullptr);
}

TEST_F(AboutWindowOnWine, ShowsModallyAgainAfterEachWayOfClosing) {
    HWND window = about.handle();
    HWND ok = about.component(BTN_OK);
    const std::pair<const char*, std::function<void()>> closers[] = {
        {"OK", [ok] { SendMessageW(ok, BM_CLICK, 0, 0); }},
        {"Esc",
         [ok] {
             PostMessageW(ok, WM_KEYDOWN, VK_ESCAPE, 0);
             PostMessageW(ok, WM_KEYUP, VK_ESCAPE, 0);
         }},
        {"Enter", [ok] { PostMessageW(ok, WM_KEYDOWN, VK_RETURN, 0); }},
        {"close box", [window] { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& [name, close] : closers) {
        SCOPED_TRACE(name);
        bool shown = false, owner_disabled = false, centred = false, focus_on_ok = false;
        show_modal_and([&, close = close] {
            shown = IsWindowVisible(window) != FALSE;
            owner_disabled = !IsWindowEnabled(owner);
            focus_on_ok = GetFocus() == ok;
            RECT inner, outer;
            GetWindowRect(window, &inner);
            GetWindowRect(owner, &outer);
            centred = std::abs((inner.left + inner.right) - (outer.left + outer.right)) <= 1 &&
                      std::abs((inner.top + inner.bottom) - (outer.top + outer.bottom)) <= 1;
            close();
        });
        EXPECT_TRUE(shown);
        EXPECT_TRUE(owner_disabled);
        EXPECT_TRUE(focus_on_ok);
        EXPECT_TRUE(centred);
        // Hidden, not destroyed: the same window comes back next time.
        EXPECT_TRUE(IsWindow(window));
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_TRUE(IsWindowEnabled(owner));
        EXPECT_EQ(about.handle(), window);
    }
}

TEST_F(AboutWindowOnWine, EachLinkIsUnderlinedOnlyWhileTheMouseMovesOverIt) {
    HWND links[] = {about.component(LABEL_HOMEPAGE), about.component(LABEL_EMAIL)};
    ASSERT_TRUE(links[0] && links[1]);
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i == 0 ? "homepage" : "e-mail");
        HWND link = links[i], other = links[1 - i];
        RECT rect;
        GetClientRect(link, &rect);
        SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(rect.right / 2, rect.bottom / 2));
        EXPECT_TRUE(underlined(link));
        EXPECT_FALSE(underlined(other));
        // Moving again keeps it as it is.
        SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
        EXPECT_TRUE(underlined(link));
        SendMessageW(link, WM_MOUSELEAVE, 0, 0);
        EXPECT_FALSE(underlined(link));
        EXPECT_FALSE(underlined(other));
    }
    // Plain labels take no part.
    HWND plain = about.component(Label8);
    SendMessageW(plain, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
    EXPECT_FALSE(underlined(plain));
}

} // namespace
} // namespace vx
