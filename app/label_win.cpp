#include "app/label_win.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <string>

#include "app/control_window_win.h"
#include "app/controls_win.h"

namespace vx {

namespace controls {

namespace {

class LabelState : public ControlState {
public:
    LabelState(COLORREF colour, HFONT font, HFONT underlined, unsigned flags, SIZE least)
        : colour_(colour), font_(font), underlined_font_(underlined), flags_(flags), least_(least) {}

    void set_colour(HWND window, COLORREF colour) {
        if (colour == colour_) return;
        colour_ = colour;
        InvalidateRect(window, nullptr, FALSE);
    }

    void set_underline(HWND window, bool underline) {
        if (underline == underlined_) return;
        underlined_ = underline;
        InvalidateRect(window, nullptr, FALSE);
    }

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
        switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            buffered_paint(window, [&](HDC dc) { paint(window, dc); });
            return 0;
        case WM_PRINTCLIENT:
            paint(window, reinterpret_cast<HDC>(wparam));
            return 0;
        case WM_SETFONT:
            font_ = reinterpret_cast<HFONT>(wparam);
            fit_to_text(window);
            if (LOWORD(lparam)) InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(current_font());
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProcW(window, message, wparam, lparam);
            fit_to_text(window);
            InvalidateRect(window, nullptr, FALSE);
            return result;
        }
        case WM_NCHITTEST:
            return is_link() ? HTCLIENT : HTTRANSPARENT;
        case WM_SETCURSOR:
            if (is_link()) {
                SetCursor(LoadCursorW(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        case WM_MOUSEMOVE:
            if (!is_link()) break;
            if (!tracking_) {
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
                tracking_ = TrackMouseEvent(&track) != FALSE;
            }
            notify_root(window, kLabelMouseMove);
            return 0;
        case WM_MOUSELEAVE:
            tracking_ = false;
            if (is_link()) notify_root(window, kLabelMouseLeave);
            return 0;
        case WM_LBUTTONDOWN:
            if (!is_link()) break;
            pressed_ = true;
            SetCapture(window);
            return 0;
        case WM_LBUTTONUP: {
            if (!is_link() || !pressed_) break;
            pressed_ = false;
            if (GetCapture() == window) ReleaseCapture();
            const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
            const RECT rect = client_rect(window);
            if (PtInRect(&rect, point)) notify_root(window, kControlClicked);
            return 0;
        }
        case WM_CAPTURECHANGED:
            pressed_ = false;
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }

private:
    bool is_link() const { return (flags_ & flag::link) != 0; }
    HFONT current_font() const { return underlined_ && underlined_font_ ? underlined_font_ : font_; }
    UINT format() const {
        if (flags_ & flag::ellipsis) return DT_NOPREFIX | DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS;
        return DT_NOPREFIX | DT_LEFT | DT_TOP | ((flags_ & flag::word_wrap) ? DT_WORDBREAK : DT_SINGLELINE);
    }

    std::wstring text(HWND window) const {
        std::wstring buffer(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
        buffer.resize(static_cast<std::size_t>(GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()))));
        return buffer;
    }

    void fit_to_text(HWND window) {
        if (flags_ & (flag::word_wrap | flag::ellipsis)) return;
        HDC dc = GetDC(window);
        if (!dc) return;
        HGDIOBJ old = SelectObject(dc, font_);
        const std::wstring caption = text(window);
        RECT rect{0, 0, 0, 0};
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &rect, DT_CALCRECT | format());
        if (caption.empty()) {
            TEXTMETRICW metrics{};
            GetTextMetricsW(dc, &metrics);
            rect.bottom = metrics.tmHeight;
        }
        SelectObject(dc, old);
        ReleaseDC(window, dc);
        SetWindowPos(window, nullptr, 0, 0, std::max(rect.right, least_.cx), std::max(rect.bottom, least_.cy),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void paint(HWND window, HDC dc) const {
        paint_beneath(window, dc);
        RECT rect = client_rect(window);
        const std::wstring caption = text(window);
        HGDIOBJ old = SelectObject(dc, current_font());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, colour_);
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &rect, format());
        SelectObject(dc, old);
    }

    COLORREF colour_;
    HFONT font_;
    HFONT underlined_font_;
    unsigned flags_;
    bool underlined_ = false;
    bool tracking_ = false;
    SIZE least_;
    bool pressed_ = false;
};

} // namespace

HWND create_label_window(COLORREF colour, HFONT font, HFONT underlined, unsigned flags, SIZE least, const wchar_t* text,
                         DWORD style, const ScaledControl& at, HWND parent, int id, HINSTANCE instance) {
    return create_with_state(std::make_unique<LabelState>(colour, font, underlined, flags, least), 0, kLabelClass, text,
                             style, at, parent, id, instance);
}

} // namespace controls

void set_label_underline(HWND label, bool underline) {
    if (auto* state = controls::state_of<controls::LabelState>(label, kLabelClass))
        state->set_underline(label, underline);
}

void set_label_colour(HWND label, COLORREF colour) {
    if (auto* state = controls::state_of<controls::LabelState>(label, kLabelClass)) state->set_colour(label, colour);
}

} // namespace vx
