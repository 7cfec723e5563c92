#include "app/undo_window_win.h"

#include <string>
#include <vector>

#include "app/application_win.h"
#include "app/dialog_template_win.h"
#include "fixers/advanced/advanced_catalogue.h"
#include "fixers/undo/backup_plans.h"

namespace vx {

namespace {

// Layout in dialog units of the Tahoma 8 pt dialog font.
constexpr short kWidth = 330;
constexpr short kHeight = 214;
constexpr short kMargin = 7;
constexpr short kInner = kWidth - 2 * kMargin;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr int kListId = 100;
constexpr int kNotesId = 101;
constexpr int kUndoId = 102;
constexpr int kPromptId = 103;
constexpr int kNotesLabelId = 104;

constexpr wchar_t kCaption[] = L"Undo a Repair";
constexpr wchar_t kPrompt[] = L"Backups saved before each repair, newest first:";
constexpr wchar_t kNone[] = L"No repair has saved a backup yet.";
constexpr wchar_t kNotesLabel[] = L"What the repairs cannot take back:";

struct UndoState {
    HWND owner;
    std::vector<BackupSummary> backups;
};

// What the Advanced repairs cannot take back, one line each.
std::wstring not_undone_text() {
    std::wstring text;
    for (const auto& row : advanced_rows()) {
        if (row.kind != AdvancedRow::Kind::repair) continue;
        const auto undo = advanced_undo(row.component, app().services());
        if (undo.not_undone.empty()) continue;
        if (!text.empty()) text += L"\r\n";
        text += std::wstring(row.text) + L" " + std::wstring(undo.not_undone);
    }
    return text;
}

void fill_list(HWND box, UndoState& state) {
    HWND list = GetDlgItem(box, kListId);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    state.backups.clear();
    std::wstring problem;
    try {
        state.backups = list_backups(app().services(), app().backups());
    } catch (const Error& e) {
        problem = e.message();
    }
    for (const auto& backup : state.backups) {
        const std::wstring line = backup.time + L"   " + backup.repair + L"   (" + backup.contents + L")";
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    SetDlgItemTextW(box, kPromptId, !problem.empty() ? problem.c_str() : state.backups.empty() ? kNone : kPrompt);
    EnableWindow(GetDlgItem(box, kUndoId), FALSE);
}

void undo_selected(HWND box, UndoState& state) {
    const LRESULT index = SendMessageW(GetDlgItem(box, kListId), LB_GETCURSEL, 0, 0);
    if (index == LB_ERR || static_cast<std::size_t>(index) >= state.backups.size()) return;
    const BackupSummary backup = state.backups[static_cast<std::size_t>(index)];
    app().log().note(L"undo of the backup \"" + backup.folder + L"\"");
    app().set_box_owner(box);
    app().dispatch([&] { undo_backup(app().services(), backup); });
    app().set_box_owner(nullptr);
    fill_list(box, state);
}

INT_PTR CALLBACK undo_proc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* state = reinterpret_cast<UndoState*>(GetWindowLongPtrW(box, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        state = reinterpret_cast<UndoState*>(lparam);
        SetWindowLongPtrW(box, DWLP_USER, lparam);
        SetDlgItemTextW(box, kNotesId, not_undone_text().c_str());
        fill_list(box, *state);
        centre_on_owner(box, state->owner);
        SetFocus(GetDlgItem(box, kListId));
        return FALSE; // the focus is set
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case kListId:
            if (HIWORD(wparam) == LBN_SELCHANGE)
                EnableWindow(GetDlgItem(box, kUndoId),
                             SendMessageW(GetDlgItem(box, kListId), LB_GETCURSEL, 0, 0) != LB_ERR);
            if (HIWORD(wparam) == LBN_DBLCLK) undo_selected(box, *state);
            return TRUE;
        case kUndoId:
            undo_selected(box, *state);
            return TRUE;
        case IDOK: // Enter with the list focused: the selected backup, if any
            undo_selected(box, *state);
            return TRUE;
        case IDCANCEL:
            EndDialog(box, IDCANCEL);
            return TRUE;
        }
        break;
    case WM_CLOSE:
        EndDialog(box, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

} // namespace

void show_undo_window(HWND owner) {
    constexpr short buttons_y = kHeight - kMargin - kButtonHeight;
    constexpr short list_height = 100;
    constexpr short notes_top = kMargin + 12 + list_height + 6;
    DialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, kWidth, kHeight, kCaption,
                          8, L"Tahoma");
    dialog.add_item(SS_LEFT | SS_NOPREFIX, kMargin, kMargin, kInner, 10, kPromptId, kStaticClass, kPrompt);
    dialog.add_item(WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, kMargin, kMargin + 12,
                    kInner, list_height, kListId, kListBoxClass, L"", WS_EX_CLIENTEDGE);
    dialog.add_item(SS_LEFT | SS_NOPREFIX, kMargin, notes_top, kInner, 10, kNotesLabelId, kStaticClass, kNotesLabel);
    dialog.add_item(WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, kMargin, notes_top + 12,
                    kInner, buttons_y - notes_top - 12 - 6, kNotesId, kEditClass, L"", WS_EX_CLIENTEDGE);
    dialog.add_item(BS_PUSHBUTTON | WS_TABSTOP, kWidth - kMargin - 2 * kButtonWidth - 4, buttons_y, kButtonWidth,
                    kButtonHeight, kUndoId, kButtonClass, L"Undo");
    dialog.add_item(BS_PUSHBUTTON | WS_TABSTOP, kWidth - kMargin - kButtonWidth, buttons_y, kButtonWidth,
                    kButtonHeight, IDCANCEL, kButtonClass, L"Close");
    UndoState state{owner, {}};
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), owner, undo_proc,
                            reinterpret_cast<LPARAM>(&state));
}

} // namespace vx
