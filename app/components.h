#pragma once

// The named components of the program's three windows and their control or
// menu command IDs. The windows create their controls with these IDs, and the
// end-to-end tests include this header to find the controls of the running
// program. IDs start at 100 so that none is IDOK (1) or IDCANCEL (2), which
// Enter and Esc would otherwise trigger.

#include <string_view>

// clang-format off
// The main window TFORM_UTAMA: header band, pages, rows and menu items.
#define VX_MAIN_WINDOW_COMPONENTS(X)                                                                               \
    /* header band */                                                                                              \
    X(Image2) X(Image1) X(Label1) X(Label2) X(SB_MENU_APP)                                                        \
    /* page control and pages */                                                                                   \
    X(PageControl1) X(TabSheet1) X(tsFILEASSOC) X(tsRESTRICTFIX) X(tsADVANCEDFIX)                                  \
    /* Home */                                                                                                     \
    X(Label88) X(Label82) X(lblWinName) X(Label83) X(lblMBoard) X(Label86) X(lblCPUName) X(Label87)                \
    X(lblTOTALRAM) X(Label89) X(GroupBox3) X(GroupBox1) X(GroupBox2) X(btnRSPoint) X(btnSCANSFC) X(btnSCANDISM)    \
    /* File Associations Fixer */                                                                                  \
    X(Label3) X(Label4) X(ScrollBox2) X(lblINFO_FIX_EXE) X(btnCHECKASSOC)                                          \
    X(btnFIXBATFILE) X(btnFIXCABFILE) X(btnFIXCMDFILE) X(btnFIXCOMFILE) X(btnFIXEXEFILE) X(btnFIXIMGFILE)          \
    X(btnFIXINFFILE) X(btnFIXINIFILE) X(btnFIXISOFILE) X(btnFIXLNKFILE) X(btnFIXMSCFILE) X(btnFIXMSIFILE)          \
    X(btnFIXMSPFILE) X(btnFIXSCRFILE) X(btnFIXMSUFILE) X(btnFIXREGFILE) X(btnFIXTHEMEFILE)                         \
    X(btnFIXTHEMEPACKFILE) X(btnFIXTXTFILE) X(btnFIXVBSFILE) X(btnFIXVHDFILE) X(btnFIXVHDXFILE)                   \
    X(btnFIXZIPFILE) X(btnFIXDRIVE) X(btnFIXDIR) X(btnFIXFOLDER)                                                   \
    /* Restriction Fixer */                                                                                        \
    X(Label7) X(Label8) X(lvRESTRICT) X(lbRESTRICT) X(cbCHECKALLRESTRICT) X(btnSCANRESTRICT) X(btnFIXRESTRICT)     \
    /* Advanced */                                                                                                 \
    X(Label5) X(Label6) X(ScrollBox1) X(Panel42) X(Panel43) X(Panel44)                                             \
    X(btnFIXEXPLOREREXE) X(btnFIXDESKTOPICON) X(btnFIXRECYCLEBINICON) X(btnFIXICONRECYCLEBIN)                      \
    X(btnFIXRECYLEBINCORRUPT) X(btnFIXTHUMBNAILSFOLDER) X(btnFIXFILEFOLDERPROPERTIES) X(btnFIXDRIVEICON)           \
    X(btnFIXFOLDERVIEWSETTINGS) X(btnFIXDNSCACHE) X(btnRenewIP) X(btnRESETFIREWALL) X(btnFIXFILEHOST)              \
    X(btnFIXTCPIP) X(btnFIXWINSOCK) X(btnRESETIESETTINGS) X(btnResetProxy) X(btnFIXWINSEARCH) X(btnFIXHIBERNATE)   \
    X(btnFIXPLUGPLAY) X(btnFIXWINSCRIPTHOST) X(btnFIXSYSRESTORE) X(btnResetGPedit) X(btnCHECKADVANCED)             \
    /* main menu */                                                                                                \
    X(File1) X(mnuEXIT) X(mnuTOOLS) X(AdministrativeTools1) X(mnuComponentServices) X(mnuComputerManagement)       \
    X(mnuDiskCleanup) X(mnuDiskDefragmenter) X(mnuEventViewer) X(mnuLocalSecurityPolicy) X(mnuPerformanceMonitor)  \
    X(mnuPrintManagement) X(mnuResourceMonitor) X(mnuServices) X(mnuTaskScheduler) X(mnuSystemConfiguration)       \
    X(mnuSystemInformation) X(mnuWindowsFirewall) X(mnuWindowsMemoryDiagnostic) X(N1) X(mnuTASKMGR) X(mnuREGEDIT)  \
    X(mnuCMD) X(mnuSYSRESTORE) X(mnuCreateRestorePoint) X(N4) X(mnuOpenSystemRestore) X(N3) X(mnuRESTARTEXPLORER)  \
    X(Help1) X(mnuHomepage) X(mnuEmail) X(N2) X(mnuABOUT) X(mnuVIEWLOG) X(mnuUNDO)

// The About window TFORM_TENTANG.
#define VX_ABOUT_WINDOW_COMPONENTS(X)                                                                              \
    X(Image1) X(lblAppName) X(LABEL_VERSI) X(Label8) X(LABEL_HOMEPAGE) X(Label1) X(LABEL_EMAIL) X(Label5) X(BTN_OK)

// The text store window TFORM_LAIN.
#define VX_TEXT_STORE_COMPONENTS(X) X(PMENU_APP) X(PMENU_TENTANG)
// clang-format on

namespace vx {

// A control that no handler and no test needs to find: plain labels and
// pictures without a name of their own (the Windows convention for them).
inline constexpr int kUnnamedId = -1;

#define VX_COMPONENT_ENUMERATOR(name) name,
#define VX_COMPONENT_NAME(name) L## #name,

// Each form's components in their own namespace, since names repeat between
// forms (Image1, Label1, Label5 and Label8 are on the main and About windows).
namespace main_ids {
enum : int { kFirst = 99, VX_MAIN_WINDOW_COMPONENTS(VX_COMPONENT_ENUMERATOR) kEnd };
inline constexpr std::wstring_view kNames[] = {VX_MAIN_WINDOW_COMPONENTS(VX_COMPONENT_NAME)};
} // namespace main_ids

namespace about_ids {
enum : int { kFirst = 899, VX_ABOUT_WINDOW_COMPONENTS(VX_COMPONENT_ENUMERATOR) kEnd };
inline constexpr std::wstring_view kNames[] = {VX_ABOUT_WINDOW_COMPONENTS(VX_COMPONENT_NAME)};
} // namespace about_ids

namespace store_ids {
enum : int { kFirst = 949, VX_TEXT_STORE_COMPONENTS(VX_COMPONENT_ENUMERATOR) kEnd };
inline constexpr std::wstring_view kNames[] = {VX_TEXT_STORE_COMPONENTS(VX_COMPONENT_NAME)};
} // namespace store_ids

#undef VX_COMPONENT_ENUMERATOR
#undef VX_COMPONENT_NAME

// Controls made from the rows of the two catalogues (row panels) take IDs from
// here on, clear of every named component.
inline constexpr int kFirstRowId = 2000;
// The marks a check leaves on the rows: one label per association row and
// one per repair row of the Advanced page, in catalogue order.
inline constexpr int kFirstAssociationMarkId = 2200;
inline constexpr int kFirstAdvancedMarkId = 2300;

// Looks a component up by its name on one form: 0 when there is none.
template <std::size_t N>
constexpr int component_id(const std::wstring_view (&names)[N], int first, std::wstring_view name) {
    for (std::size_t i = 0; i < N; ++i)
        if (names[i] == name) return first + 1 + static_cast<int>(i);
    return 0;
}
constexpr int main_component_id(std::wstring_view name) {
    return component_id(main_ids::kNames, main_ids::kFirst, name);
}
constexpr int about_component_id(std::wstring_view name) {
    return component_id(about_ids::kNames, about_ids::kFirst, name);
}

// The name of a main-window component, or empty.
constexpr std::wstring_view main_component_name(int id) {
    const int index = id - main_ids::kFirst - 1;
    if (index < 0 || index >= main_ids::kEnd - main_ids::kFirst - 1) return {};
    return main_ids::kNames[index];
}

} // namespace vx
