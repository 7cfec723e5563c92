#include "app/group_box_win.h"

#include <commctrl.h>

#include "app/control_window_win.h"

namespace vx::controls {

namespace {

constexpr UINT_PTR kGroupBoxSubclass = 0x56584742; // any number unique to this subclass

// A group box is the system's own, with the forwarding of the panels added,
// since the system's buttons keep their children's messages to themselves.
// It paints nothing inside its frame, and its parent clips it out, so it
// fills its inside with its parent's colour itself.
void erase_group_box(HWND window, HDC dc) {
    const RECT rect = client_rect(window);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageW(GetParent(window), WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(window)));
    FillRect(dc, &rect, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT CALLBACK group_box_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        return forward_to_root(window, message, wparam, lparam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return SendMessageW(GetParent(window), message, wparam, lparam);
    case WM_ERASEBKGND:
        erase_group_box(window, reinterpret_cast<HDC>(wparam));
        return 1;
    case WM_PRINTCLIENT:
        erase_group_box(window, reinterpret_cast<HDC>(wparam));
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, &group_box_proc, kGroupBoxSubclass);
        break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
}

} // namespace

void subclass_group_box(HWND window) {
    SetWindowSubclass(window, &group_box_proc, kGroupBoxSubclass, 0);
}

} // namespace vx::controls
