#include "app/input_box_win.h"

#include <cstdint>
#include <vector>

namespace vx {

namespace {

// Layout in dialog units of the Tahoma 8 pt dialog font.
constexpr short kWidth = 186;
constexpr short kHeight = 64;
constexpr short kMargin = 7;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr int kEditId = 100;
constexpr int kPromptId = 101;
// The longest text the box takes.
constexpr WPARAM kMaxText = 255;

// Predefined window classes as dialog templates name them.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

// Builds an in-memory dialog template: DLGTEMPLATE, then each DLGITEMTEMPLATE
// on a DWORD boundary, texts as zero-ended UTF-16.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, short cx, short cy, const std::wstring& title, WORD point_size,
                   const wchar_t* typeface) {
        add_dword(style);
        add_dword(0); // extended style
        count_at_ = words_.size();
        add_word(0); // number of items, filled in as they are added
        add_short(0);
        add_short(0);
        add_short(cx);
        add_short(cy);
        add_word(0); // no menu
        add_word(0); // the standard dialog class
        add_text(title);
        add_word(point_size);
        add_text(typeface);
    }

    void add_item(DWORD style, short x, short y, short cx, short cy, int id, WORD window_class,
                  const std::wstring& text, DWORD ex_style = 0) {
        align();
        add_dword(style | WS_CHILD | WS_VISIBLE);
        add_dword(ex_style);
        add_short(x);
        add_short(y);
        add_short(cx);
        add_short(cy);
        add_word(static_cast<WORD>(id));
        add_word(0xFFFF);
        add_word(window_class);
        add_text(text);
        add_word(0); // no creation data
        ++words_[count_at_];
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void add_word(WORD w) { words_.push_back(w); }
    void add_short(short s) { words_.push_back(static_cast<WORD>(s)); }
    void add_dword(DWORD d) {
        add_word(LOWORD(d));
        add_word(HIWORD(d));
    }
    void add_text(const std::wstring& text) {
        for (wchar_t c : text)
            add_word(static_cast<WORD>(c));
        add_word(0);
    }
    // The vector's storage is suitably aligned, so an even word count is a DWORD boundary.
    void align() {
        if (words_.size() % 2 != 0) add_word(0);
    }

    std::vector<WORD> words_;
    std::size_t count_at_ = 0;
};

struct InputBoxState {
    HWND owner;
    std::wstring initial;
    std::wstring result;
};

// Centres the box on its owner, kept inside the work area of the owner's monitor.
void centre_on_owner(HWND box, HWND owner) {
    RECT rect{};
    GetWindowRect(box, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;

    HMONITOR monitor = MonitorFromWindow(owner ? owner : box, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    GetMonitorInfoW(monitor, &info);
    const RECT work = info.rcWork;

    RECT around = work;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
    int x = around.left + (around.right - around.left - width) / 2;
    int y = around.top + (around.bottom - around.top - height) / 2;
    if (x + width > work.right) x = work.right - width;
    if (y + height > work.bottom) y = work.bottom - height;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::wstring window_text(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

INT_PTR CALLBACK input_box_proc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(box, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        state = reinterpret_cast<InputBoxState*>(lparam);
        SetWindowLongPtrW(box, DWLP_USER, lparam);
        HWND edit = GetDlgItem(box, kEditId);
        SendMessageW(edit, EM_LIMITTEXT, kMaxText, 0);
        SetWindowTextW(edit, state->initial.c_str());
        SendMessageW(edit, EM_SETSEL, 0, -1);
        centre_on_owner(box, state->owner);
        // The edit field is the first tab stop, so it takes the focus.
        return TRUE;
    }
    case WM_COMMAND:
        // The dialog manager turns Enter into the default button (OK) and
        // Esc into IDCANCEL.
        switch (LOWORD(wparam)) {
        case IDOK:
            state->result = window_text(GetDlgItem(box, kEditId));
            EndDialog(box, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(box, IDCANCEL);
            return TRUE;
        }
        break;
    case WM_CLOSE: // the close box
        EndDialog(box, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

} // namespace

std::wstring show_input_box(HWND owner, const std::wstring& caption, const std::wstring& prompt,
                            const std::wstring& initial) {
    constexpr short inner = kWidth - 2 * kMargin;
    constexpr short buttons_y = kHeight - kMargin - kButtonHeight;
    DialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, kWidth, kHeight, caption, 8,
                          L"Tahoma");
    dialog.add_item(SS_LEFT | SS_NOPREFIX, kMargin, kMargin, inner, 10, kPromptId, kStaticClass, prompt);
    dialog.add_item(WS_TABSTOP | ES_AUTOHSCROLL, kMargin, kMargin + 14, inner, 12, kEditId, kEditClass, L"",
                    WS_EX_CLIENTEDGE);
    dialog.add_item(BS_DEFPUSHBUTTON | WS_TABSTOP, kWidth - kMargin - 2 * kButtonWidth - 4, buttons_y, kButtonWidth,
                    kButtonHeight, IDOK, kButtonClass, L"OK");
    dialog.add_item(BS_PUSHBUTTON | WS_TABSTOP, kWidth - kMargin - kButtonWidth, buttons_y, kButtonWidth, kButtonHeight,
                    IDCANCEL, kButtonClass, L"Cancel");

    InputBoxState state{owner, initial, initial};
    const INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), owner, input_box_proc,
                                                   reinterpret_cast<LPARAM>(&state));
    return answer == IDOK ? state.result : initial;
}

} // namespace vx
