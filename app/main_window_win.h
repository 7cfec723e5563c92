#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "app/components.h"
#include "app/controls_win.h"
#include "app/dpi.h"
#include "fixers/advanced/advanced_catalogue.h"
#include "fixers/assoc/assoc_catalogue.h"
#include "fixers/restrict/restriction_view_win.h"
#include "services/handles_win.h"

namespace vx {

// The main window: the header band, the four pages and the main menu. Its
// creation handler runs the platform gate and fills the Home page's
// information labels.
class TFORM_UTAMA {
public:
    TFORM_UTAMA() = default;
    TFORM_UTAMA(const TFORM_UTAMA&) = delete;
    TFORM_UTAMA& operator=(const TFORM_UTAMA&) = delete;

    void create(HINSTANCE instance);
    void show();
    HWND handle() const { return hwnd_; }
    // A component's window; null when there is none.
    HWND component(int id) const { return controls_ ? controls_->find(id) : nullptr; }

private:
    using Handler = void (TFORM_UTAMA::*)();
    struct HandlerEntry {
        int id;
        Handler handler;
    };
    static const HandlerEntry kClickHandlers[];

    static LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT on_message(UINT message, WPARAM wparam, LPARAM lparam);
    void on_command(int id, WORD code);
    bool on_notify(const NMHDR* header, LRESULT& result);
    void build();
    // The other pages' controls, made page by page once the window has been
    // painted (or all at once when one of those pages is chosen before that).
    void build_later();
    // Makes the next page not yet made; false when every page is made.
    bool build_later_page();
    void set_icons(HINSTANCE instance);
    void launch(int launcher_id);

    void FormCreate();

    // Main menu.
    void mnuEXITClick();
    void mnuVIEWLOGClick();
    void mnuUNDOClick();
    void mnuComponentServicesClick() { launch(main_ids::mnuComponentServices); }
    void mnuComputerManagementClick() { launch(main_ids::mnuComputerManagement); }
    void mnuDiskCleanupClick() { launch(main_ids::mnuDiskCleanup); }
    void mnuDiskDefragmenterClick() { launch(main_ids::mnuDiskDefragmenter); }
    void mnuEventViewerClick() { launch(main_ids::mnuEventViewer); }
    void mnuLocalSecurityPolicyClick() { launch(main_ids::mnuLocalSecurityPolicy); }
    void mnuPerformanceMonitorClick() { launch(main_ids::mnuPerformanceMonitor); }
    void mnuPrintManagementClick() { launch(main_ids::mnuPrintManagement); }
    void mnuResourceMonitorClick() { launch(main_ids::mnuResourceMonitor); }
    void mnuServicesClick() { launch(main_ids::mnuServices); }
    void mnuTaskSchedulerClick() { launch(main_ids::mnuTaskScheduler); }
    void mnuSystemConfigurationClick() { launch(main_ids::mnuSystemConfiguration); }
    void mnuSystemInformationClick() { launch(main_ids::mnuSystemInformation); }
    void mnuWindowsFirewallClick() { launch(main_ids::mnuWindowsFirewall); }
    void mnuWindowsMemoryDiagnosticClick() { launch(main_ids::mnuWindowsMemoryDiagnostic); }
    void mnuTASKMGRClick() { launch(main_ids::mnuTASKMGR); }
    void mnuREGEDITClick() { launch(main_ids::mnuREGEDIT); }
    void mnuCMDClick() { launch(main_ids::mnuCMD); }
    void mnuCreateRestorePointClick();
    void mnuOpenSystemRestoreClick();
    void mnuRESTARTEXPLORERClick();
    void mnuHomepageClick();
    void mnuEmailClick();
    void mnuABOUTClick();

    // Header band and Home page.
    void SB_MENU_APPClick();
    void btnRSPointClick();
    void btnSCANSFCClick();
    void btnSCANDISMClick();

    // File Associations Fixer: the rows' buttons run their catalogue entry.
    void association_click(const AssociationEntry& entry);
    void lblINFO_FIX_EXEClick();
    void lblINFO_FIX_EXEMouseMove();
    void lblINFO_FIX_EXEMouseLeave();
    // Marks every row with how its type compares with its stored script.
    void btnCHECKASSOCClick();

    // Restriction Fixer.
    void btnSCANRESTRICTClick();
    void cbCHECKALLRESTRICTClick();
    void btnFIXRESTRICTClick();
    void tsRESTRICTFIXContextPopup();

    // Advanced: the rows' buttons run their catalogue row.
    void advanced_click(const AdvancedRow& row);
    // Marks every row whose state can be read with how it compares with what its repair sets.
    void btnCHECKADVANCEDClick();

    HWND hwnd_ = nullptr;
    DpiScale scale_;
    std::unique_ptr<FormControls> controls_;
    std::unique_ptr<RestrictionFixerView> restriction_view_;
    std::size_t later_pages_built_ = 0;
    std::map<int, const AssociationEntry*> association_buttons_;
    std::map<int, const AdvancedRow*> advanced_buttons_;
    UniqueIcon icon_big_, icon_small_;
};

// The global reference of the main window, set before the window is made.
extern TFORM_UTAMA* FORM_UTAMA;

} // namespace vx
