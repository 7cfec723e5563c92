#include "app/about_window_win.h"

#include "app/application_win.h"
#include "app/components.h"
#include "app/layout.h"
#include "app/menu_win.h"

namespace vx {

TFORM_TENTANG* FORM_TENTANG = nullptr;

namespace {

constexpr wchar_t kClassName[] = L"TFORM_TENTANG";
constexpr wchar_t kCaption[] = L"About";
// A single frame that cannot be resized, with the system menu only.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

int screen_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi;
}

} // namespace

using namespace about_ids;

void TFORM_TENTANG::create(HINSTANCE instance, HWND owner) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);

    owner_ = owner;
    scale_ = DpiScale(screen_dpi());
    RECT frame{0, 0, scale_(kAboutForm.client_width), scale_(kAboutForm.client_height)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    CreateWindowExW(kExStyle, kClassName, kCaption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                    frame.bottom - frame.top, owner, nullptr, instance, this);
}

LRESULT CALLBACK TFORM_TENTANG::window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TFORM_TENTANG*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TFORM_TENTANG*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->on_message(message, wparam, lparam) : DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT TFORM_TENTANG::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        app().dispatch([this] {
            controls_ = std::make_unique<FormControls>(hwnd_, kAboutForm, scale_);
            SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(controls_->default_font()), FALSE);
            controls_->create(about_layout());
            controls_->finish();
        });
        app().dispatch([this] { FormCreate(); });
        return 0;
    case WM_COMMAND:
        on_command(LOWORD(wparam), HIWORD(wparam));
        return 0;
    case WM_CLOSE:
        // The close box hides the window like "OK"; it is never destroyed
        // before the program ends.
        hide();
        return 0;
    case WM_PRINTCLIENT: {
        RECT rect;
        GetClientRect(hwnd_, &rect);
        FillRect(reinterpret_cast<HDC>(wparam), &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkColor(reinterpret_cast<HDC>(wparam), RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

void TFORM_TENTANG::on_command(int id, WORD code) {
    // Enter and Esc reach the window as IDOK and IDCANCEL: both close it like "OK".
    if (id == IDOK || id == IDCANCEL) {
        app().dispatch([this] { BTN_OKClick(); });
        return;
    }
    switch (id) {
    case BTN_OK:
        if (code == BN_CLICKED) app().dispatch([this] { BTN_OKClick(); });
        break;
    case LABEL_HOMEPAGE:
        if (code == kControlClicked) app().dispatch([this] { LABEL_HOMEPAGEClick(); });
        if (code == kLabelMouseMove) app().dispatch([this] { LABEL_HOMEPAGEMouseMove(); });
        if (code == kLabelMouseLeave) app().dispatch([this] { LABEL_HOMEPAGEMouseLeave(); });
        break;
    case LABEL_EMAIL:
        if (code == kControlClicked) app().dispatch([this] { LABEL_EMAILClick(); });
        if (code == kLabelMouseMove) app().dispatch([this] { LABEL_EMAILMouseMove(); });
        if (code == kLabelMouseLeave) app().dispatch([this] { LABEL_EMAILMouseLeave(); });
        break;
    }
}

void TFORM_TENTANG::FormCreate() {
    // The main window's icon, big and small; the main window keeps owning them.
    if (!owner_) return;
    const LRESULT big_icon = SendMessageW(owner_, WM_GETICON, ICON_BIG, 0);
    const LRESULT small_icon = SendMessageW(owner_, WM_GETICON, ICON_SMALL, 0);
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, big_icon);
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, small_icon);
}

void TFORM_TENTANG::centre_on_owner() {
    RECT window, around;
    GetWindowRect(hwnd_, &window);
    if (!owner_ || !GetWindowRect(owner_, &around)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    const int width = window.right - window.left, height = window.bottom - window.top;
    const int x = around.left + (around.right - around.left - width) / 2;
    const int y = around.top + (around.bottom - around.top - height) / 2;
    SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFORM_TENTANG::show_modal() {
    if (!hwnd_ || modal_) return;
    centre_on_owner();
    modal_ = true;
    const bool owner_was_enabled = owner_ && IsWindowEnabled(owner_);
    if (owner_was_enabled) EnableWindow(owner_, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    if (HWND ok = component(BTN_OK)) SetFocus(ok);

    // The window's own loop: Tab, Enter and Esc work as in a dialog; a quit
    // request ends the loop and is left for the program's loop to end on.
    MSG message;
    while (modal_ && IsWindowVisible(hwnd_)) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0) break;
        if (!IsDialogMessageW(hwnd_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // The owner comes back before this window goes, so that the activation
    // returns to it rather than to another program.
    if (owner_was_enabled) EnableWindow(owner_, TRUE);
    if (IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_HIDE);
    modal_ = false;
    if (owner_) SetActiveWindow(owner_);
}

void TFORM_TENTANG::hide() {
    if (owner_ && !IsWindowEnabled(owner_)) EnableWindow(owner_, TRUE);
    ShowWindow(hwnd_, SW_HIDE);
    modal_ = false;
}

void TFORM_TENTANG::BTN_OKClick() {
    hide();
}

void TFORM_TENTANG::LABEL_HOMEPAGEClick() {
    open_as_user(hwnd_, homepage_target());
}
void TFORM_TENTANG::LABEL_HOMEPAGEMouseMove() {
    set_label_underline(component(LABEL_HOMEPAGE), true);
}
void TFORM_TENTANG::LABEL_HOMEPAGEMouseLeave() {
    set_label_underline(component(LABEL_HOMEPAGE), false);
}

void TFORM_TENTANG::LABEL_EMAILClick() {
    open_as_user(hwnd_, email_target());
}
void TFORM_TENTANG::LABEL_EMAILMouseMove() {
    set_label_underline(component(LABEL_EMAIL), true);
}
void TFORM_TENTANG::LABEL_EMAILMouseLeave() {
    set_label_underline(component(LABEL_EMAIL), false);
}

} // namespace vx
