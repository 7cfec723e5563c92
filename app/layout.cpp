#include "app/layout.h"

#include "app/components.h"
#include "app/product_info.h"
#include "fixers/advanced/advanced_catalogue.h"
#include "fixers/assoc/assoc_catalogue.h"

namespace vx {

namespace {

using K = ControlKind;
using C = Colour;
namespace f = flag;
using namespace main_ids;

constexpr FontSpec kTitleFont{-40, false};
constexpr FontSpec kCategoryFont{-12, true};
constexpr FontSpec kAppNameFont{-27, false};

// Resource names of the pictures (resources/images.rc).
constexpr std::wstring_view kBandPicture = L"HEADER_BAND";
constexpr std::wstring_view kLogoPicture = L"LOGO";
constexpr std::wstring_view kMenuGlyph = L"MENU_GLYPH";

// clang-format off
// The tables keep one control to a line.

// Top to bottom of the Z-order: the labels, the button and the logo lie on
// the band, so they come before it.
constexpr ControlSpec kHeader[] = {
    {Label1, K::label, kFormParent, 84, 8, 0, 0, L"Vantrix", kTitleFont, C::white, 0},
    {Label2, K::label, kFormParent, 84, 62, 0, 0, L"Tool for fixing various problems in Windows 8/10.", {}, C::white,
     0},
    // Nothing shows this button: the About window is reached through the Help menu.
    {SB_MENU_APP, K::speed_button, kFormParent, 603, 58, 33, 25, kMenuGlyph, {}, C::inherit, f::hidden},
    {Image1, K::picture, kFormParent, 8, 8, 70, 70, kLogoPicture, {}, C::inherit, 0},
    {Image2, K::picture, kFormParent, 0, 0, 641, 89, kBandPicture, {}, C::inherit, f::unscaled},
};

// The pages fill the page control's display area, which the tab strip
// decides; their own place and size are left at zero.
constexpr ControlSpec kPages[] = {
    {PageControl1, K::page_control, kFormParent, 0, 89, 641, 459, {}, {}, C::inherit, 0},
    {TabSheet1, K::page, PageControl1, 0, 0, 0, 0, L"Home", {}, C::button_face, 0},
    {tsFILEASSOC, K::page, PageControl1, 0, 0, 0, 0, L"File Associations Fixer", {}, C::button_face, 0},
    {tsRESTRICTFIX, K::page, PageControl1, 0, 0, 0, 0, L"Restriction Fixer", {}, C::button_face, 0},
    {tsADVANCEDFIX, K::page, PageControl1, 0, 0, 0, 0, L"Advanced", {}, C::button_face, 0},
};

// A quick task: its icon, description and button inside its group box.
constexpr int kTaskDescriptionWidth = 424, kTaskDescriptionHeight = 39;

constexpr ControlSpec kHome[] = {
    {Label88, K::label, TabSheet1, 16, 11, 0, 0, L"Hardware Information:", kHeaderFont, C::menu_highlight, 0},
    {Label82, K::label, TabSheet1, 16, 40, 0, 0, L"OS:", kBoldValueFont, C::inherit, 0},
    {lblWinName, K::label, TabSheet1, 112, 40, 0, 0, L"lblWinName", kValueFont, C::inherit, 0},
    {Label83, K::label, TabSheet1, 16, 62, 0, 0, L"Motherboard:", kBoldValueFont, C::inherit, 0},
    {lblMBoard, K::label, TabSheet1, 112, 62, 0, 0, L"lblMotherboard", kValueFont, C::inherit, 0},
    {Label86, K::label, TabSheet1, 16, 84, 0, 0, L"Processor:", kBoldValueFont, C::inherit, 0},
    {lblCPUName, K::label, TabSheet1, 112, 84, 0, 0, L"lblCPUName", kValueFont, C::inherit, 0},
    {Label87, K::label, TabSheet1, 16, 106, 0, 0, L"RAM:", kBoldValueFont, C::inherit, 0},
    {lblTOTALRAM, K::label, TabSheet1, 112, 106, 0, 0, L"lblTotalRAM", kValueFont, C::inherit, 0},
    {Label89, K::label, TabSheet1, 16, 152, 0, 0, L"Quick Task:", kHeaderFont, C::highlight, 0},

    {GroupBox3, K::group_box, TabSheet1, 16, 181, 601, 65, L"Create Restore Point", {}, C::inherit, 0},
    {kUnnamedId, K::picture, GroupBox3, 10, 24, 32, 32, L"TASK_RESTORE_POINT", {}, C::inherit, 0},
    {kUnnamedId, K::label, GroupBox3, 48, 24, kTaskDescriptionWidth, kTaskDescriptionHeight,
     L"Restore points are useful for backing up system files and registry in case of a system error. It is "
     L"recommended to create a restore point before using this program.", {}, C::inherit, f::word_wrap},
    {btnRSPoint, K::button, GroupBox3, 480, 24, 105, 25, L"Create", {}, C::inherit, 0},

    {GroupBox1, K::group_box, TabSheet1, 16, 252, 601, 65, L"Fix a corrupted system file", {}, C::inherit, 0},
    {kUnnamedId, K::picture, GroupBox1, 10, 24, 32, 32, L"TASK_SYSTEM_FILES", {}, C::inherit, 0},
    {kUnnamedId, K::label, GroupBox1, 48, 24, kTaskDescriptionWidth, kTaskDescriptionHeight,
     L"Scan the corrupted system files using SFC (Sistem File Checker) utility, and fix them automatically if "
     L"possible. This process takes several minutes to complete.", {}, C::inherit, f::word_wrap},
    {btnSCANSFC, K::button, GroupBox1, 480, 24, 105, 25, L"Run", {}, C::inherit, 0},

    {GroupBox2, K::group_box, TabSheet1, 16, 323, 601, 65, L"Repair the component store", {}, C::inherit, 0},
    {kUnnamedId, K::picture, GroupBox2, 10, 24, 32, 32, L"TASK_COMPONENT_STORE", {}, C::inherit, 0},
    {kUnnamedId, K::label, GroupBox2, 48, 24, kTaskDescriptionWidth, kTaskDescriptionHeight,
     L"Scan corrupted component store and repair them using DISM tool. This process takes several minutes to "
     L"complete.", {}, C::inherit, f::word_wrap},
    {btnSCANDISM, K::button, GroupBox2, 480, 24, 105, 25, L"Run", {}, C::inherit, 0},
};

constexpr ControlSpec kFileAssociations[] = {
    {Label3, K::label, tsFILEASSOC, 16, 11, 0, 0, L"Repair file associations and restore them to the original.",
     kHeaderFont, C::highlight, 0},
    {Label4, K::label, tsFILEASSOC, 16, 42, 602, 33,
     L"When you want to run/open files with certain extensions (e.g. txt), an error message appears. This can be "
     L"caused by malware, or a software error.", {}, C::inherit, f::word_wrap},
    {ScrollBox2, K::scroll_box, tsFILEASSOC, 16, 96, 602, 289, {}, {}, C::inherit, f::smooth},
    {lblINFO_FIX_EXE, K::label, tsFILEASSOC, 437, 399, 181, 16, L"How to fix EXE file associations.", kValueFont,
     C::hot_light, f::link},
    // Checks every row against its stored script and marks each row.
    {btnCHECKASSOC, K::button, tsFILEASSOC, 16, 395, 81, 25, L"Check", {}, C::inherit, 0},
};

constexpr ControlSpec kRestriction[] = {
    {Label7, K::label, tsRESTRICTFIX, 16, 11, 0, 0, L"Remove restrictions on the Windows.", kHeaderFont,
     C::highlight, 0},
    {Label8, K::label, tsRESTRICTFIX, 16, 42, 601, 31,
     L"Certain Windows functions could not be opened or accessed, this can be caused by the settings of the "
     L"administrator or the effects of malware infections.", {}, C::inherit, f::word_wrap},
    {lvRESTRICT, K::list_view, tsRESTRICTFIX, 16, 88, 601, 281, {}, {}, C::inherit, f::tab_stop},
    // The working list of the page: never shown.
    {lbRESTRICT, K::list_box, tsRESTRICTFIX, 504, 11, 73, 25, {}, {}, C::inherit, f::hidden},
    {cbCHECKALLRESTRICT, K::check_box, tsRESTRICTFIX, 16, 375, 89, 17, L"Check All", {}, C::inherit, f::tab_stop},
    {btnSCANRESTRICT, K::button, tsRESTRICTFIX, 385, 375, 81, 25, L"Scan", {}, C::inherit, f::tab_stop},
    {btnFIXRESTRICT, K::button, tsRESTRICTFIX, 472, 375, 145, 25, L"Remove Restriction", {}, C::inherit, f::tab_stop},
};

constexpr ControlSpec kAdvanced[] = {
    {Label5, K::label, tsADVANCEDFIX, 16, 11, 0, 0, L"Advanced repair. ", kHeaderFont, C::highlight, 0},
    {Label6, K::label, tsADVANCEDFIX, 16, 42, 0, 0, L"Advanced repair problems.", {}, C::inherit, 0},
    {ScrollBox1, K::scroll_box, tsADVANCEDFIX, 3, 80, 630, 321, {}, {}, C::white, f::flat_scroll_bar},
    // Above the rows' buttons: reads the state of every row that has one and marks it.
    {btnCHECKADVANCED, K::button, tsADVANCEDFIX, 523, 48, 81, 25, L"Check", {}, C::inherit, 0},
};

constexpr ControlSpec kAbout[] = {
    // First in the tab order.
    {about_ids::BTN_OK, K::button, kFormParent, 260, 119, 89, 25, L"OK", {}, C::inherit,
     f::tab_stop | f::default_button},
    {about_ids::Image1, K::picture, kFormParent, 8, 8, 84, 84, kLogoPicture, {}, C::inherit, 0},
    {about_ids::lblAppName, K::label, kFormParent, 99, 8, 0, 0, L"Vantrix", kAppNameFont, C::inherit, 0},
    {about_ids::LABEL_VERSI, K::label, kFormParent, 99, 38, 0, 0, kVersionText, kValueFont, C::inherit, 0},
    {about_ids::Label8, K::label, kFormParent, 99, 60, 0, 0, L"Homepage:", {}, C::inherit, 0},
    {about_ids::LABEL_HOMEPAGE, K::label, kFormParent, 170, 60, 0, 0, kHomepageAddress, {}, C::hot_light, f::link},
    {about_ids::Label1, K::label, kFormParent, 99, 79, 0, 0, L"Email:", {}, C::inherit, 0},
    {about_ids::LABEL_EMAIL, K::label, kFormParent, 170, 79, 0, 0, kSupportEmail, {}, C::hot_light, f::link},
    {about_ids::Label5, K::label, kFormParent, 8, 118, 186, 26, kCopyrightNotice, {}, C::inherit, f::word_wrap},
};
// clang-format on

// File Associations Fixer rows: 585 x 41, alternating the page colour and white.
constexpr int kAssociationRowWidth = 585, kAssociationRowHeight = 41;
// Advanced rows and category headers.
constexpr int kAdvancedRowWidth = 613;

} // namespace

ScaledControl scale_control(const ControlSpec& control, const DpiScale& scale) {
    return {scale(control.x), scale(control.y), scale(control.width), scale(control.height), scale(control.font.height)};
}

std::span<const ControlSpec> header_layout() { return kHeader; }
std::span<const ControlSpec> pages_layout() { return kPages; }
std::span<const ControlSpec> home_page_layout() { return kHome; }
std::span<const ControlSpec> file_associations_page_layout() { return kFileAssociations; }
std::span<const ControlSpec> restriction_page_layout() { return kRestriction; }
std::span<const ControlSpec> advanced_page_layout() { return kAdvanced; }
std::span<const ControlSpec> about_layout() { return kAbout; }

std::vector<ControlSpec> association_rows_layout() {
    std::vector<ControlSpec> rows;
    int row_id = kFirstRowId;
    int top = 0;
    for (std::size_t i = 0; i < kAssociations.size(); ++i) {
        const AssociationEntry& entry = kAssociations[i];
        const int panel = row_id++;
        const Colour colour = i % 2 == 0 ? C::button_face : C::white;
        constexpr int kRowWidth = kAssociationRowWidth, kRowHeight = kAssociationRowHeight;
        // clang-format off
        rows.push_back({panel, K::panel, ScrollBox2, 0, top, kRowWidth, kRowHeight, {}, {}, colour, 0});
        rows.push_back({kUnnamedId, K::file_icon, panel, 10, 6, 32, 32, entry.icon, {}, C::inherit, 0});
        rows.push_back({kUnnamedId, K::label, panel, 48, 6, 0, 0, entry.type_name, kBoldValueFont, C::inherit, 0});
        rows.push_back({kUnnamedId, K::label, panel, 48, 24, 0, 0, entry.description, {}, C::inherit, 0});
        rows.push_back({main_component_id(entry.button), K::button, panel, 496, 8, 81, 25, L"FIX", {}, C::inherit, 0});
        // Empty until the page is checked: then "intact" or what differs.
        rows.push_back({kFirstAssociationMarkId + static_cast<int>(i), K::label, panel, 250, 14, 240, 14, {}, {},
                        C::inherit, f::ellipsis});
        // clang-format on
        top += kRowHeight;
    }
    return rows;
}

std::vector<ControlSpec> advanced_rows_layout() {
    std::vector<ControlSpec> rows;
    int row_id = kFirstRowId + 100;
    int top = 0;
    for (const AdvancedRow& row : advanced_rows()) {
        const int id = main_component_id(row.component);
        // clang-format off
        if (row.kind == AdvancedRow::Kind::header) {
            rows.push_back({id, K::panel, ScrollBox1, 0, top, kAdvancedRowWidth, row.height, row.text, kCategoryFont,
                            C::shadow, f::raised});
        } else {
            const int mark = kFirstAdvancedMarkId + (row_id - kFirstRowId - 100);
            const int panel = row_id++;
            rows.push_back({panel, K::panel, ScrollBox1, 0, top, kAdvancedRowWidth, row.height, {}, {}, C::inherit, 0});
            rows.push_back({kUnnamedId, K::label, panel, 13, 12, 0, 0, row.text, {}, C::inherit, 0});
            rows.push_back({id, K::button, panel, 520, row.button_top, 81, 25, row.button_caption, {}, C::inherit, 0});
            // Under the description; stays empty for a row whose state cannot be read.
            rows.push_back({mark, K::label, panel, 13, 25, 500, 14, {}, {}, C::inherit, f::ellipsis});
        }
        // clang-format on
        top += row.height;
    }
    return rows;
}

std::vector<ControlSpec> main_window_opening_layout() {
    std::vector<ControlSpec> all;
    auto append = [&all](auto&& table) { all.insert(all.end(), table.begin(), table.end()); };
    append(header_layout());
    append(pages_layout());
    append(home_page_layout());
    return all;
}

std::vector<std::vector<ControlSpec>> main_window_later_pages() {
    const auto page = [](std::span<const ControlSpec> controls, const std::vector<ControlSpec>& rows) {
        std::vector<ControlSpec> all(controls.begin(), controls.end());
        all.insert(all.end(), rows.begin(), rows.end());
        return all;
    };
    return {page(file_associations_page_layout(), association_rows_layout()), page(restriction_page_layout(), {}),
            page(advanced_page_layout(), advanced_rows_layout())};
}

std::vector<ControlSpec> main_window_later_layout() {
    std::vector<ControlSpec> all;
    for (const auto& page : main_window_later_pages()) all.insert(all.end(), page.begin(), page.end());
    return all;
}

std::vector<ControlSpec> main_window_layout() {
    std::vector<ControlSpec> all = main_window_opening_layout();
    const std::vector<ControlSpec> later = main_window_later_layout();
    all.insert(all.end(), later.begin(), later.end());
    return all;
}

} // namespace vx
