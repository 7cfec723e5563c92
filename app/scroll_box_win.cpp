#include "app/scroll_box_win.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "app/control_window_win.h"
#include "app/controls_win.h"
#include "app/panel_win.h"

namespace vx {

namespace controls {

namespace {

// ---------------------------------------------------------------------------
// Flat scroll bars, looked up in the common controls at run time (the
// import library of the cross-compiler lacks them). Where they are missing
// the standard scroll bar calls stand in; themed common controls draw the
// standard bar either way.

struct FlatScrollBars {
    using Initialize = BOOL(WINAPI*)(HWND);
    using SetInfo = int(WINAPI*)(HWND, int, LPSCROLLINFO, BOOL);
    using GetInfo = BOOL(WINAPI*)(HWND, int, LPSCROLLINFO);
    using SetProp = BOOL(WINAPI*)(HWND, UINT, INT_PTR, BOOL);
    Initialize initialize = nullptr;
    SetInfo set_info = nullptr;
    GetInfo get_info = nullptr;
    SetProp set_prop = nullptr;

    static const FlatScrollBars& get() {
        static const FlatScrollBars functions = [] {
            FlatScrollBars f;
            if (HMODULE module = GetModuleHandleW(L"comctl32.dll")) {
                f.initialize =
                    reinterpret_cast<Initialize>(reinterpret_cast<void*>(GetProcAddress(module, "InitializeFlatSB")));
                f.set_info =
                    reinterpret_cast<SetInfo>(reinterpret_cast<void*>(GetProcAddress(module, "FlatSB_SetScrollInfo")));
                f.get_info =
                    reinterpret_cast<GetInfo>(reinterpret_cast<void*>(GetProcAddress(module, "FlatSB_GetScrollInfo")));
                f.set_prop =
                    reinterpret_cast<SetProp>(reinterpret_cast<void*>(GetProcAddress(module, "FlatSB_SetScrollProp")));
            }
            if (!f.initialize || !f.set_info || !f.get_info || !f.set_prop) f = FlatScrollBars{};
            return f;
        }();
        return functions;
    }
    bool available() const { return initialize != nullptr; }
};

void make_scroll_bar_flat(HWND window) {
    const FlatScrollBars& flat = FlatScrollBars::get();
    if (!flat.available()) return;
    flat.initialize(window);
    flat.set_prop(window, WSB_PROP_VSTYLE, FSB_FLAT_MODE, FALSE);
}

void set_scroll_info(HWND window, bool flat_bar, SCROLLINFO& info) {
    const FlatScrollBars& flat = FlatScrollBars::get();
    if (flat_bar && flat.available())
        flat.set_info(window, SB_VERT, &info, TRUE);
    else
        SetScrollInfo(window, SB_VERT, &info, TRUE);
}

void get_scroll_info(HWND window, bool flat_bar, SCROLLINFO& info) {
    const FlatScrollBars& flat = FlatScrollBars::get();
    if (flat_bar && flat.available())
        flat.get_info(window, SB_VERT, &info);
    else
        GetScrollInfo(window, SB_VERT, &info);
}

class ScrollBoxState : public ControlState {
public:
    ScrollBoxState(bool smooth, bool flat, int line) : smooth_(smooth), flat_(flat), line_(line) {}

    HWND content = nullptr;

    void update(HWND box) {
        int bottom = 0;
        for (HWND child = GetWindow(content, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            bottom = std::max(bottom, static_cast<int>(rect_in_parent(child).bottom));
        content_height_ = bottom;
        // Twice: showing the scroll bar narrows the client area, and the
        // page follows the client area's height.
        for (int pass = 0; pass < 2; ++pass) {
            const RECT rect = client_rect(box);
            SCROLLINFO info{sizeof(info),
                            SIF_RANGE | SIF_PAGE | SIF_POS,
                            0,
                            std::max(0, content_height_ - 1),
                            static_cast<UINT>(std::max(0L, rect.bottom)),
                            position_,
                            0};
            set_info(box, info);
        }
        position_ = get_position(box);
        place_content(box);
    }

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
        switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
            return forward_to_root(window, message, wparam, lparam);
        case WM_ERASEBKGND:
            return 1;
        case WM_VSCROLL:
            scroll(window, LOWORD(wparam));
            return 0;
        case WM_MOUSEWHEEL: {
            wheel_ += GET_WHEEL_DELTA_WPARAM(wparam);
            UINT lines = 3;
            SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
            if (lines == WHEEL_PAGESCROLL) lines = static_cast<UINT>(std::max(1, page(window) / line_step(window)));
            const int notches = wheel_ / WHEEL_DELTA;
            wheel_ -= notches * WHEEL_DELTA;
            scroll_to(window, position_ - notches * static_cast<int>(lines) * line_step(window));
            return 0;
        }
        case WM_SIZE:
            if (content) update(window);
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }

private:
    int page(HWND box) const { return static_cast<int>(client_rect(box).bottom); }
    int line_step(HWND box) const { return smooth_ ? std::max(1, page(box) / 10) : line_; }

    void set_info(HWND box, SCROLLINFO& info) { set_scroll_info(box, flat_, info); }
    int get_position(HWND box) {
        SCROLLINFO info{sizeof(info), SIF_POS, 0, 0, 0, 0, 0};
        get_scroll_info(box, flat_, info);
        return info.nPos;
    }
    int track_position(HWND box) {
        SCROLLINFO info{sizeof(info), SIF_TRACKPOS, 0, 0, 0, 0, 0};
        get_scroll_info(box, flat_, info);
        return info.nTrackPos;
    }

    void scroll(HWND box, WORD request) {
        switch (request) {
        case SB_LINEUP:
            scroll_to(box, position_ - line_step(box));
            break;
        case SB_LINEDOWN:
            scroll_to(box, position_ + line_step(box));
            break;
        case SB_PAGEUP:
            scroll_to(box, position_ - page(box));
            break;
        case SB_PAGEDOWN:
            scroll_to(box, position_ + page(box));
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            scroll_to(box, track_position(box));
            break;
        case SB_TOP:
            scroll_to(box, 0);
            break;
        case SB_BOTTOM:
            scroll_to(box, content_height_);
            break;
        default:
            break;
        }
    }

    void scroll_to(HWND box, int position) {
        const int limit = std::max(0, content_height_ - page(box));
        position = std::clamp(position, 0, limit);
        if (position == position_) return;
        position_ = position;
        SCROLLINFO info{sizeof(info), SIF_POS, 0, 0, 0, position_, 0};
        set_info(box, info);
        place_content(box);
    }

    void place_content(HWND box) {
        const RECT rect = client_rect(box);
        SetWindowPos(content, nullptr, 0, -position_, rect.right,
                     std::max(content_height_, static_cast<int>(rect.bottom)), SWP_NOZORDER | SWP_NOACTIVATE);
    }

    bool smooth_;
    bool flat_;
    int line_;
    int content_height_ = 0;
    int position_ = 0;
    int wheel_ = 0;
};

} // namespace

HWND create_scroll_box_window(bool smooth, bool flat, int line, HBRUSH brush, COLORREF colour, DWORD style,
                              const ScaledControl& at, HWND parent, int id, HINSTANCE instance) {
    auto state = std::make_unique<ScrollBoxState>(smooth, flat, line);
    ScrollBoxState* box_state = state.get();
    HWND box =
        create_with_state(std::move(state), WS_EX_CONTROLPARENT, kScrollBoxClass, L"", style, at, parent, id, instance);
    if (!box) return nullptr;
    if (flat) make_scroll_bar_flat(box);
    const RECT rect = client_rect(box);
    HWND content =
        create_panel_window(brush, colour, false, WS_EX_CONTROLPARENT, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                            {0, 0, rect.right, rect.bottom, 0}, box, kUnnamedId, instance);
    if (!content) return nullptr;
    box_state->content = content;
    return box;
}

void update_scroll_box(HWND box) {
    if (auto* state = state_of<ScrollBoxState>(box, kScrollBoxClass)) state->update(box);
}

} // namespace controls

HWND scroll_box_content(HWND box) {
    auto* state = controls::state_of<controls::ScrollBoxState>(box, kScrollBoxClass);
    return state ? state->content : nullptr;
}

bool is_scroll_box(HWND window) {
    return controls::state_of<controls::ScrollBoxState>(window, kScrollBoxClass) != nullptr;
}

} // namespace vx
