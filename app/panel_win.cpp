#include "app/panel_win.h"

#include <memory>

#include "app/control_window_win.h"
#include "app/controls_win.h"

namespace vx::controls {

namespace {

class PanelState : public ControlState {
public:
    PanelState(HBRUSH brush, COLORREF colour, bool raised) : brush_(brush), colour_(colour), raised_(raised) {}

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
        switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
            return forward_to_root(window, message, wparam, lparam);
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            HDC dc = reinterpret_cast<HDC>(wparam);
            SetBkColor(dc, colour_);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(brush_);
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            paint(window, dc);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_PRINTCLIENT:
            paint(window, reinterpret_cast<HDC>(wparam));
            return 0;
        case WM_SETFONT:
            font_ = reinterpret_cast<HFONT>(wparam);
            if (LOWORD(lparam)) InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_);
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }

private:
    void paint(HWND window, HDC dc) const {
        RECT rect = client_rect(window);
        FillRect(dc, &rect, brush_);
        if (!raised_) return;
        DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
        wchar_t caption[256];
        const int length = GetWindowTextW(window, caption, 256);
        HGDIOBJ old = SelectObject(dc, font_ ? font_ : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        // The caption keeps the form's "&&", which shows as one ampersand.
        DrawTextW(dc, caption, length, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, old);
    }

    HBRUSH brush_;
    COLORREF colour_;
    bool raised_;
    HFONT font_ = nullptr;
};

} // namespace

HWND create_panel_window(HBRUSH brush, COLORREF colour, bool raised, DWORD ex_style, const wchar_t* caption,
                         DWORD style, const ScaledControl& at, HWND parent, int id, HINSTANCE instance) {
    return create_with_state(std::make_unique<PanelState>(brush, colour, raised), ex_style, kPanelClass, caption, style,
                             at, parent, id, instance);
}

} // namespace vx::controls
