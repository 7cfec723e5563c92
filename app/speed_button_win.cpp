#include "app/speed_button_win.h"

#include <windowsx.h>

#include <utility>

#include "app/control_window_win.h"
#include "app/controls_win.h"

namespace vx::controls {

namespace {

class SpeedButtonState : public ControlState {
public:
    explicit SpeedButtonState(std::shared_ptr<const Bitmap> glyph) : glyph_(std::move(glyph)) {}

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
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        case WM_MOUSEMOVE:
            if (!hot_) {
                TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, window, 0};
                TrackMouseEvent(&track);
                hot_ = true;
                InvalidateRect(window, nullptr, FALSE);
            }
            return 0;
        case WM_MOUSELEAVE:
            hot_ = false;
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            pressed_ = true;
            SetCapture(window);
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_LBUTTONUP: {
            if (!pressed_) break;
            pressed_ = false;
            if (GetCapture() == window) ReleaseCapture();
            InvalidateRect(window, nullptr, FALSE);
            const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
            const RECT rect = client_rect(window);
            if (PtInRect(&rect, point)) notify_root(window, kControlClicked);
            return 0;
        }
        case WM_CAPTURECHANGED:
            pressed_ = false;
            return 0;
        case BM_CLICK:
            // A click made by the program, as the system's buttons take it.
            notify_root(window, kControlClicked);
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }

private:
    void paint(HWND window, HDC dc) const {
        paint_beneath(window, dc);
        RECT rect = client_rect(window);
        if (pressed_)
            DrawEdge(dc, &rect, BDR_SUNKENOUTER, BF_RECT);
        else if (hot_)
            DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
        if (glyph_)
            draw_bitmap(dc, *glyph_, (rect.right - glyph_->width) / 2 + (pressed_ ? 1 : 0),
                        (rect.bottom - glyph_->height) / 2 + (pressed_ ? 1 : 0));
    }

    std::shared_ptr<const Bitmap> glyph_;
    bool hot_ = false;
    bool pressed_ = false;
};

} // namespace

HWND create_speed_button_window(std::shared_ptr<const Bitmap> glyph, DWORD style, const ScaledControl& at, HWND parent,
                                int id, HINSTANCE instance) {
    return create_with_state(std::make_unique<SpeedButtonState>(std::move(glyph)), 0, kSpeedButtonClass, L"", style, at,
                             parent, id, instance);
}

} // namespace vx::controls
