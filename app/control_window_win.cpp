#include "app/control_window_win.h"

#include <string>

#include "services/error.h"

namespace vx::controls {

HWND root_of(HWND window) {
    return GetAncestor(window, GA_ROOT);
}

void notify_root(HWND window, WORD code) {
    const int id = GetDlgCtrlID(window);
    SendMessageW(root_of(window), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), code),
                 reinterpret_cast<LPARAM>(window));
}

RECT client_rect(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

RECT rect_in_parent(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool has_class(HWND window, const wchar_t* name) {
    wchar_t buffer[64];
    return GetClassNameW(window, buffer, 64) > 0 && lstrcmpiW(buffer, name) == 0;
}

LRESULT forward_to_root(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND root = root_of(window);
    return root && root != window ? SendMessageW(root, message, wparam, lparam) : 0;
}

namespace {

LRESULT CALLBACK state_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* state = reinterpret_cast<ControlState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        const LRESULT result = DefWindowProcW(window, message, wparam, lparam);
        delete state;
        return result;
    }
    return state ? state->handle(window, message, wparam, lparam) : DefWindowProcW(window, message, wparam, lparam);
}

} // namespace

void register_control_class(HINSTANCE instance, const wchar_t* name, UINT style) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = style;
    wc.lpfnWndProc = &state_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, name, &existing)) return;
    if (!RegisterClassExW(&wc)) throw Error(L"Cannot register the window class " + std::wstring(name));
}

} // namespace vx::controls
