#include "app/text_store_window_win.h"

#include "app/about_window_win.h"
#include "app/application_win.h"
#include "app/components.h"

namespace vx {

TFORM_LAIN* FORM_LAIN = nullptr;

namespace {
constexpr wchar_t kClassName[] = L"TFORM_LAIN";
constexpr wchar_t kCaption[] = L"FORM_LAIN";
} // namespace

TFORM_LAIN::~TFORM_LAIN() {
    if (popup_) DestroyMenu(popup_);
}

void TFORM_LAIN::create(HINSTANCE instance, HWND owner) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);

    popup_ = CreatePopupMenu();
    if (popup_) AppendMenuW(popup_, MF_STRING, store_ids::PMENU_TENTANG, L"Tentang");
    // Never shown: created without WS_VISIBLE and owned by the main window.
    CreateWindowExW(0, kClassName, kCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, owner, nullptr, instance,
                    this);
}

LRESULT CALLBACK TFORM_LAIN::window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TFORM_LAIN*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TFORM_LAIN*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && message == WM_COMMAND && LOWORD(wparam) == store_ids::PMENU_TENTANG && HIWORD(wparam) == 0) {
        app().dispatch([self] { self->PMENU_TENTANGClick(); });
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

void TFORM_LAIN::popup(POINT screen, HWND owner) {
    if (!popup_) return;
    // The menu reports the chosen item back here rather than to its owner,
    // which only serves the menu's keyboard and closing.
    SetForegroundWindow(owner);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(popup_, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, screen.x, screen.y, 0, owner, nullptr));
    if (chosen != 0) SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen), 0), 0);
}

void TFORM_LAIN::PMENU_TENTANGClick() {
    FORM_TENTANG->show_modal();
}

} // namespace vx
