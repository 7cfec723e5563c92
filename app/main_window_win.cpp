#include "app/main_window_win.h"

#include <commctrl.h>

#include <functional>

#include "app/about_window_win.h"
#include "app/application_win.h"
#include "app/health_marks_win.h"
#include "app/layout.h"
#include "app/menu_win.h"
#include "app/startup_win.h"
#include "app/text_store_window_win.h"
#include "app/undo_window_win.h"
#include "fixers/undo/backup_plans.h"
#include "maintenance/restore_point_win.h"
#include "maintenance/scans.h"
#include "services/error.h"
#include "services/explorer_restarter_win.h"

namespace vx {

TFORM_UTAMA* FORM_UTAMA = nullptr;

namespace {

constexpr wchar_t kClassName[] = L"TFORM_UTAMA";
// A single fixed frame with the close box only: no sizing border, no
// minimise or maximise box.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

int screen_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi;
}

// Opens the log in Notepad with the person's own rights where the desktop
// shell takes the request.
void view_log(HWND owner, Win32LogStore& store) {
    const std::wstring path = store.file_path();
    // A folder that is not private is named in the error box: nothing is
    // logged there, and the person is told why rather than that nothing has
    // happened yet.
    store.size();
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        app().show_message(L"Nothing has been logged yet: the log \"" + path + L"\" does not exist.",
                           mb::icon_information);
        return;
    }
    open_as_user(owner, log_viewer_target(app().services().folders, path));
}

// How the log names an action: the component and, where it has one, what the
// person read on it ("btnFIXTXTFILE (TXT)", "mnuREGEDIT (Registry Editor)").
std::wstring action_name(int id, std::wstring_view detail) {
    std::wstring name(main_component_name(id));
    if (name.empty()) name = L"control " + std::to_wstring(id);
    if (detail.empty())
        for (const MenuItem& item : main_menu())
            if (item.id == id) detail = item.caption;
    if (!detail.empty()) name += L" (" + std::wstring(detail) + L")";
    return name;
}

// Everything the log records while a click is handled belongs to that click.
class ActionScope {
public:
    ActionScope(ActionLog& log, std::wstring name) : log_(log) { log_.begin_action(std::move(name)); }
    ~ActionScope() { log_.end_action(); }
    ActionScope(const ActionScope&) = delete;
    ActionScope& operator=(const ActionScope&) = delete;

private:
    ActionLog& log_;
};

// Runs its work when the scope ends, also when a repair raised an error; a
// failure of that work leaves what it would have changed as it was.
struct AfterRepair {
    std::function<void()> work;
    ~AfterRepair() {
        try {
            work();
        } catch (...) {
        }
    }
};

} // namespace

using namespace main_ids;

const TFORM_UTAMA::HandlerEntry TFORM_UTAMA::kClickHandlers[] = {
    {mnuEXIT, &TFORM_UTAMA::mnuEXITClick},
    {mnuVIEWLOG, &TFORM_UTAMA::mnuVIEWLOGClick},
    {mnuUNDO, &TFORM_UTAMA::mnuUNDOClick},
    {mnuComponentServices, &TFORM_UTAMA::mnuComponentServicesClick},
    {mnuComputerManagement, &TFORM_UTAMA::mnuComputerManagementClick},
    {mnuDiskCleanup, &TFORM_UTAMA::mnuDiskCleanupClick},
    {mnuDiskDefragmenter, &TFORM_UTAMA::mnuDiskDefragmenterClick},
    {mnuEventViewer, &TFORM_UTAMA::mnuEventViewerClick},
    {mnuLocalSecurityPolicy, &TFORM_UTAMA::mnuLocalSecurityPolicyClick},
    {mnuPerformanceMonitor, &TFORM_UTAMA::mnuPerformanceMonitorClick},
    {mnuPrintManagement, &TFORM_UTAMA::mnuPrintManagementClick},
    {mnuResourceMonitor, &TFORM_UTAMA::mnuResourceMonitorClick},
    {mnuServices, &TFORM_UTAMA::mnuServicesClick},
    {mnuTaskScheduler, &TFORM_UTAMA::mnuTaskSchedulerClick},
    {mnuSystemConfiguration, &TFORM_UTAMA::mnuSystemConfigurationClick},
    {mnuSystemInformation, &TFORM_UTAMA::mnuSystemInformationClick},
    {mnuWindowsFirewall, &TFORM_UTAMA::mnuWindowsFirewallClick},
    {mnuWindowsMemoryDiagnostic, &TFORM_UTAMA::mnuWindowsMemoryDiagnosticClick},
    {mnuTASKMGR, &TFORM_UTAMA::mnuTASKMGRClick},
    {mnuREGEDIT, &TFORM_UTAMA::mnuREGEDITClick},
    {mnuCMD, &TFORM_UTAMA::mnuCMDClick},
    {mnuCreateRestorePoint, &TFORM_UTAMA::mnuCreateRestorePointClick},
    {mnuOpenSystemRestore, &TFORM_UTAMA::mnuOpenSystemRestoreClick},
    {mnuRESTARTEXPLORER, &TFORM_UTAMA::mnuRESTARTEXPLORERClick},
    {mnuHomepage, &TFORM_UTAMA::mnuHomepageClick},
    {mnuEmail, &TFORM_UTAMA::mnuEmailClick},
    {mnuABOUT, &TFORM_UTAMA::mnuABOUTClick},
    {SB_MENU_APP, &TFORM_UTAMA::SB_MENU_APPClick},
    {btnRSPoint, &TFORM_UTAMA::btnRSPointClick},
    {btnSCANSFC, &TFORM_UTAMA::btnSCANSFCClick},
    {btnSCANDISM, &TFORM_UTAMA::btnSCANDISMClick},
    {lblINFO_FIX_EXE, &TFORM_UTAMA::lblINFO_FIX_EXEClick},
    {btnCHECKASSOC, &TFORM_UTAMA::btnCHECKASSOCClick},
    {btnCHECKADVANCED, &TFORM_UTAMA::btnCHECKADVANCEDClick},
    {btnSCANRESTRICT, &TFORM_UTAMA::btnSCANRESTRICTClick},
    {cbCHECKALLRESTRICT, &TFORM_UTAMA::cbCHECKALLRESTRICTClick},
    {btnFIXRESTRICT, &TFORM_UTAMA::btnFIXRESTRICTClick},
};

void TFORM_UTAMA::create(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIconW(instance, L"MAINICON");
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);

    // Geometry is designed at 96 DPI; the manifest declares the program
    // system-DPI aware, so it scales everything by the screen's DPI itself.
    scale_ = DpiScale(screen_dpi());
    HMENU menu = nullptr;
    app().dispatch([&menu] { menu = build_menu_bar(main_menu()); });

    RECT frame{0, 0, scale_(kMainForm.client_width), scale_(kMainForm.client_height)};
    AdjustWindowRectEx(&frame, kStyle, menu != nullptr, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, kAppTitle, kStyle, x, y, width, height, nullptr, menu, instance,
                    this);
    if (!hwnd_ && menu) DestroyMenu(menu);
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
        app().dispatch([this] { build(); });
        app().dispatch([this] { FormCreate(); });
        return 0;
    case WM_COMMAND:
        on_command(LOWORD(wparam), HIWORD(wparam));
        return 0;
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (on_notify(reinterpret_cast<const NMHDR*>(lparam), result)) return result;
        break;
    }
    case WM_CONTEXTMENU: {
        HWND page = component(tsRESTRICTFIX);
        HWND from = reinterpret_cast<HWND>(wparam);
        if (page && (from == page || IsChild(page, from))) {
            app().dispatch([this] { tsRESTRICTFIXContextPopup(); });
            return 0;
        }
        break;
    }
    case WM_MOUSEWHEEL: {
        // The wheel scrolls the scroll box under the pointer, wherever the focus is.
        const POINT point{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        for (HWND under = WindowFromPoint(point); under && under != hwnd_; under = GetParent(under)) {
            if (is_scroll_box(under)) return SendMessageW(under, message, wparam, lparam);
        }
        break;
    }
    case WM_PRINTCLIENT: {
        RECT rect;
        GetClientRect(hwnd_, &rect);
        FillRect(reinterpret_cast<HDC>(wparam), &rect, GetSysColorBrush(COLOR_BTNFACE));
        return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        SetBkColor(reinterpret_cast<HDC>(wparam), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_DESTROY:
        restriction_view_.reset();
        app().set_main_window(nullptr);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd_, message, wparam, lparam);
}

void TFORM_UTAMA::on_command(int id, WORD code) {
    if (id == lblINFO_FIX_EXE && code == kLabelMouseMove) {
        app().dispatch([this] { lblINFO_FIX_EXEMouseMove(); });
        return;
    }
    if (id == lblINFO_FIX_EXE && code == kLabelMouseLeave) {
        app().dispatch([this] { lblINFO_FIX_EXEMouseLeave(); });
        return;
    }
    // Menu items and clicks alike arrive with code 0.
    if (code != kControlClicked) return;
    for (const HandlerEntry& entry : kClickHandlers) {
        if (entry.id == id) {
            ActionScope action(app().log(), action_name(id, {}));
            app().dispatch([this, &entry] { (this->*entry.handler)(); });
            return;
        }
    }
    if (auto found = association_buttons_.find(id); found != association_buttons_.end()) {
        ActionScope action(app().log(), action_name(id, found->second->type_name));
        app().dispatch([this, entry = found->second] { association_click(*entry); });
        return;
    }
    if (auto found = advanced_buttons_.find(id); found != advanced_buttons_.end()) {
        ActionScope action(app().log(), action_name(id, found->second->text));
        app().dispatch([this, row = found->second] { advanced_click(*row); });
    }
}

bool TFORM_UTAMA::on_notify(const NMHDR* header, LRESULT& result) {
    if (header->idFrom == static_cast<UINT_PTR>(PageControl1) && header->code == TCN_SELCHANGE) {
        app().dispatch([this] { build_later(); });
        if (controls_) controls_->show_selected_page();
        result = 0;
        return true;
    }
    if (restriction_view_) {
        bool refused = false;
        app().dispatch([&] { refused = restriction_view_->on_notify(header); });
        if (refused) {
            result = TRUE;
            return true;
        }
    }
    return false;
}

void TFORM_UTAMA::build() {
    set_icons(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(hwnd_, GWLP_HINSTANCE)));
    controls_ = std::make_unique<FormControls>(hwnd_, kMainForm, scale_);
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(controls_->default_font()), FALSE);
    controls_->create(main_window_opening_layout());
    controls_->finish();

    for (const AssociationEntry& entry : kAssociations)
        association_buttons_[main_component_id(entry.button)] = &entry;
    for (const AdvancedRow& row : advanced_rows())
        if (row.kind == AdvancedRow::Kind::repair) advanced_buttons_[main_component_id(row.component)] = &row;

    // The hidden pages hold most of the window's controls; making them after
    // the first paint lets the window appear at once, and making one page
    // per idle moment keeps it answering clicks meanwhile.
    for (std::size_t page = 0; page < main_window_later_pages().size(); ++page)
        app().when_idle([this] { build_later_page(); });
}

void TFORM_UTAMA::build_later() {
    while (build_later_page()) {
    }
}

bool TFORM_UTAMA::build_later_page() {
    if (!controls_) return false;
    const auto pages = main_window_later_pages();
    if (later_pages_built_ >= pages.size()) return false;
    controls_->add(pages[later_pages_built_++]);
    if (!restriction_view_ && component(lvRESTRICT)) {
        restriction_view_ =
            std::make_unique<RestrictionFixerView>(app().services(), component(lvRESTRICT), component(lbRESTRICT));
        // The values a removal clears are saved first, as every repair's are.
        restriction_view_->set_backup([](const BackupPlan& plan) {
            return back_up(app().services(), app().backups(), app().now_text(), L"Remove Restriction",
                           L"btnFIXRESTRICT", plan);
        });
    }
    return true;
}

void TFORM_UTAMA::set_icons(HINSTANCE instance) {
    // The window's own copies at the sizes the system shows, also handed to
    // the About window.
    icon_big_.reset(static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                  GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR)));
    icon_small_.reset(static_cast<HICON>(LoadImageW(instance, L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                    GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR)));
    if (icon_big_) SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_big_.get()));
    if (icon_small_) SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_.get()));
}

void TFORM_UTAMA::FormCreate() {
    run_form_create(
        {hwnd_, component(lblCPUName), component(lblTOTALRAM), component(lblMBoard), component(lblWinName)});
}

void TFORM_UTAMA::launch(int launcher_id) {
    const Launcher* launcher = find_launcher(launcher_id);
    if (launcher) shell_open(hwnd_, launch_target(*launcher, app().services().folders));
}

void TFORM_UTAMA::mnuEXITClick() {
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void TFORM_UTAMA::mnuCreateRestorePointClick() {
    // Exactly a click of the Home page's "Create" button. The click moves the
    // focus to the button; when the button is out of sight (another page is
    // showing) the focus goes back where it was.
    HWND button = component(btnRSPoint);
    HWND focus = GetFocus();
    SendMessageW(button, BM_CLICK, 0, 0);
    if (!IsWindowVisible(button) && focus && IsWindow(focus)) SetFocus(focus);
}

void TFORM_UTAMA::mnuOpenSystemRestoreClick() {
    open_system_restore(hwnd_);
}
void TFORM_UTAMA::mnuRESTARTEXPLORERClick() {
    restart_explorer(app().services());
}
void TFORM_UTAMA::mnuHomepageClick() {
    open_as_user(hwnd_, homepage_target());
}
void TFORM_UTAMA::mnuEmailClick() {
    open_as_user(hwnd_, email_target());
}
void TFORM_UTAMA::mnuVIEWLOGClick() {
    view_log(hwnd_, app().log_store());
}
void TFORM_UTAMA::mnuUNDOClick() {
    show_undo_window(hwnd_);
}
void TFORM_UTAMA::mnuABOUTClick() {
    FORM_TENTANG->show_modal();
}

void TFORM_UTAMA::SB_MENU_APPClick() {
    HWND button = component(SB_MENU_APP);
    RECT rect;
    GetClientRect(button, &rect);
    POINT corner{0, rect.bottom}; // the button's bottom-left corner
    ClientToScreen(button, &corner);
    FORM_LAIN->popup(corner, hwnd_);
}

void TFORM_UTAMA::btnRSPointClick() {
    create_restore_point(app().services());
}
void TFORM_UTAMA::btnSCANSFCClick() {
    run_sfc_scan(app().services());
}
void TFORM_UTAMA::btnSCANDISMClick() {
    run_dism_scan(app().services());
}

void TFORM_UTAMA::association_click(const AssociationEntry& entry) {
    // The row's mark is brought up to date however the repair ended.
    const AfterRepair refresh{
        [&] { refresh_association_mark(app().services(), entry, [this](int id) { return component(id); }); }};
    fix_association_with_backup(app().services(), app().backups(), app().now_text(), entry);
}
void TFORM_UTAMA::lblINFO_FIX_EXEClick() {
    show_exe_help(app());
}
void TFORM_UTAMA::lblINFO_FIX_EXEMouseMove() {
    set_label_underline(component(lblINFO_FIX_EXE), true);
}
void TFORM_UTAMA::lblINFO_FIX_EXEMouseLeave() {
    set_label_underline(component(lblINFO_FIX_EXE), false);
}
void TFORM_UTAMA::btnCHECKASSOCClick() {
    mark_association_rows(app().services(), [this](int id) { return component(id); });
}
void TFORM_UTAMA::btnCHECKADVANCEDClick() {
    mark_advanced_rows(app().services(), [this](int id) { return component(id); });
}

void TFORM_UTAMA::btnSCANRESTRICTClick() {
    restriction_view_->btnSCANRESTRICTClick();
}
void TFORM_UTAMA::cbCHECKALLRESTRICTClick() {
    restriction_view_->cbCHECKALLRESTRICTClick(SendMessageW(component(cbCHECKALLRESTRICT), BM_GETCHECK, 0, 0) ==
                                               BST_CHECKED);
}
void TFORM_UTAMA::btnFIXRESTRICTClick() {
    restriction_view_->btnFIXRESTRICTClick();
}
void TFORM_UTAMA::tsRESTRICTFIXContextPopup() {
    restriction_view_->tsRESTRICTFIXContextPopup();
}

void TFORM_UTAMA::advanced_click(const AdvancedRow& row) {
    const AfterRepair refresh{
        [&] { refresh_advanced_mark(app().services(), row, [this](int id) { return component(id); }); }};
    const auto undo = advanced_undo(row.component, app().services());
    run_with_backup(app().services(), app().backups(), app().now_text(), std::wstring(row.text),
                    std::wstring(row.component), undo.plan, [&] { row.repair(app().services()); });
}

} // namespace vx
