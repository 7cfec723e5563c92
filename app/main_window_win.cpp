#include "app/main_window_win.h"

#include "app/application_win.h"
#include "app/startup_win.h"

namespace vx {

TFORM_UTAMA* FORM_UTAMA = nullptr;

namespace {
constexpr wchar_t kClassName[] = L"TFORM_UTAMA";
constexpr int kClientWidth = 641, kClientHeight = 548;

HFONT make_font(const DpiScale& scale, int height, int weight) {
    return CreateFontW(scale(height), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
}
} // namespace

void TFORM_UTAMA::create(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);

    HDC screen = GetDC(nullptr);
    scale_ = DpiScale(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    RECT frame{0, 0, scale_(kClientWidth), scale_(kClientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, kAppTitle, style, x, y, width, height, nullptr, nullptr, instance,
                    this);
}

void TFORM_UTAMA::show() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

LRESULT CALLBACK TFORM_UTAMA::window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TFORM_UTAMA*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TFORM_UTAMA*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->on_message(message, wparam, lparam) : DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT TFORM_UTAMA::on_message(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        app().set_main_window(hwnd_);
        app().set_dialog_window(hwnd_);
        build();
        app().dispatch([this] { FormCreate(); });
        return 0;
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wparam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_DESTROY:
        app().set_main_window(nullptr);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

HWND TFORM_UTAMA::label(const wchar_t* text, int x, int y, HFONT font) {
    HWND h = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, scale_(x),
                             scale_(y), scale_(500), scale_(18), hwnd_, nullptr, nullptr, nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return h;
}

void TFORM_UTAMA::build() {
    font_value_.reset(make_font(scale_, -13, FW_NORMAL));
    font_bold_.reset(make_font(scale_, -13, FW_BOLD));
    auto* value = static_cast<HFONT>(font_value_.get());
    auto* bold = static_cast<HFONT>(font_bold_.get());
    const int top = 89 + 34;
    label(L"OS:", 16, top + 40, bold);
    lblWinName_ = label(L"lblWinName", 112, top + 40, value);
    label(L"Motherboard:", 16, top + 62, bold);
    lblMBoard_ = label(L"lblMotherboard", 112, top + 62, value);
    label(L"Processor:", 16, top + 84, bold);
    lblCPUName_ = label(L"lblCPUName", 112, top + 84, value);
    label(L"RAM:", 16, top + 106, bold);
    lblTOTALRAM_ = label(L"lblTotalRAM", 112, top + 106, value);
}

void TFORM_UTAMA::FormCreate() {
    run_form_create({hwnd_, lblCPUName_, lblTOTALRAM_, lblMBoard_, lblWinName_});
}

} // namespace vx
