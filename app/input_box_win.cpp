#include "app/input_box_win.h"

#include "app/dialog_template_win.h"

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

struct InputBoxState {
    HWND owner;
    std::wstring initial;
    std::wstring result;
};

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
