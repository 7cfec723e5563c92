#pragma once

#include <windows.h>

#include <memory>

#include "app/layout.h"

// What the window classes of the form's own controls share: the C++ object
// each window carries, painting through a memory bitmap, and reporting to the
// top-level window, where the handlers are.
namespace vx::controls {

HWND root_of(HWND window);
// Sends WM_COMMAND with the window's control ID and `code` to its top-level window.
void notify_root(HWND window, WORD code);
// Passes a message on to the top-level window; 0 when the window is the top-level one.
LRESULT forward_to_root(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
RECT client_rect(HWND window);
// The window's rectangle in its parent's client coordinates.
RECT rect_in_parent(HWND window);
bool has_class(HWND window, const wchar_t* name);

// A window's own C++ object, created with the window and deleted with it.
class ControlState {
public:
    virtual ~ControlState() = default;
    virtual LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) = 0;
};

// Registers a window class whose windows forward their messages to their
// ControlState; a class already registered is left as it is.
void register_control_class(HINSTANCE instance, const wchar_t* name, UINT style = 0);

template <typename State> State* state_of(HWND window, const wchar_t* class_name) {
    if (!window || !has_class(window, class_name)) return nullptr;
    return static_cast<State*>(reinterpret_cast<ControlState*>(GetWindowLongPtrW(window, GWLP_USERDATA)));
}

template <typename State>
HWND create_with_state(std::unique_ptr<State> state, DWORD ex_style, const wchar_t* class_name, const wchar_t* text,
                       DWORD style, const ScaledControl& at, HWND parent, int id, HINSTANCE instance) {
    HWND window = CreateWindowExW(ex_style, class_name, text, style, at.x, at.y, at.width, at.height, parent,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, state.get());
    // From WM_NCCREATE on, the window owns its state and deletes it with itself.
    if (window) state.release();
    return window;
}

// Paints a window through `paint` into a memory bitmap first, so that what
// lies beneath and the window's own content reach the screen in one step.
template <typename Paint> void buffered_paint(HWND window, Paint&& paint) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    const RECT rect = client_rect(window);
    const int width = rect.right, height = rect.bottom;
    HDC memory = width > 0 && height > 0 ? CreateCompatibleDC(dc) : nullptr;
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(dc, width, height) : nullptr;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        paint(memory);
        BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    } else {
        paint(dc);
    }
    if (memory) DeleteDC(memory);
    EndPaint(window, &ps);
}

} // namespace vx::controls
