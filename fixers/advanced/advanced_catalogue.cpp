#include "fixers/advanced/advanced_catalogue.h"

#include <array>

#include "fixers/advanced/command_repairs.h"
#include "fixers/advanced/file_repairs.h"
#include "fixers/advanced/registry_repairs.h"

namespace vx {

namespace {

using Kind = AdvancedRow::Kind;

constexpr int kHeaderHeight = 41;
constexpr int kRowHeight = 40;

constexpr AdvancedRow header(std::wstring_view panel, std::wstring_view caption) {
    return {Kind::header, panel, caption, {}, kHeaderHeight, 0, nullptr};
}

constexpr AdvancedRow repair(std::wstring_view button, std::wstring_view description, std::wstring_view caption,
                             RepairRoutine routine, int button_top = 8, int height = kRowHeight) {
    return {Kind::repair, button, description, caption, height, button_top, routine};
}

constexpr std::array kRows{
    header(L"Panel42", L"Desktop && File Explorer"),
    // The first row is one pixel taller than the others.
    repair(L"btnFIXEXPLOREREXE", L"Explorer.exe does not start automatically.", L"FIX", fix_explorer_shell, 8, 41),
    repair(L"btnFIXDESKTOPICON", L"Options on the Desktop Icon Settings cannot be changed.", L"FIX",
           fix_desktop_icon_settings),
    repair(L"btnFIXRECYCLEBINICON", L"The Recycle Bin icon does not appear on the desktop.", L"FIX",
           show_recycle_bin_icon),
    repair(L"btnFIXICONRECYCLEBIN", L"The Recycle Bin icon is wrong.", L"FIX", restore_recycle_bin_icon),
    repair(L"btnFIXRECYLEBINCORRUPT",
           L"Fix \"The Recycle Bin on x:\\ is corrupted. Do you want to empty the Recycle Bin for this drive?\".",
           L"FIX", fix_corrupted_recycle_bin),
    repair(L"btnFIXTHUMBNAILSFOLDER", L"Thumbnails do not appear in explorer.", L"FIX", fix_thumbnails),
    repair(L"btnFIXFILEFOLDERPROPERTIES",
           L"Security tab, Details, Previous Versions, etc are missing from the file/folder properties. ", L"FIX",
           fix_property_sheet_pages),
    repair(L"btnFIXDRIVEICON", L"The drive(s) icon in File Explorer is wrong.", L"FIX", fix_drive_icons),
    repair(L"btnFIXFOLDERVIEWSETTINGS", L"Reset Folder View Settings.", L"Reset", reset_folder_view_settings),

    header(L"Panel43", L"Internet && Connections"),
    repair(L"btnFIXDNSCACHE", L"Problem with internet connection. Flush Windows DNS Cache.", L"FIX", flush_dns_cache),
    repair(L"btnRenewIP", L"Can't connect to the internet. Renew IP Address.", L"FIX", renew_ip_address),
    repair(L"btnRESETFIREWALL", L"Reset Windows Firewall configuration.", L"Reset", reset_firewall),
    repair(L"btnFIXFILEHOST", L"Reset host file to default.", L"Reset", reset_hosts_file, 9),
    repair(L"btnFIXTCPIP", L"Can't connect to the internet. Reset Internet Protocol (TCP/IP).", L"Reset", reset_tcp_ip),
    repair(L"btnFIXWINSOCK", L"Can't connect to the internet. Reset Winsock.", L"Reset", reset_winsock),
    repair(L"btnRESETIESETTINGS", L"Reset Internet Explorer settings.", L"Reset", reset_ie_settings),
    repair(L"btnResetProxy", L"Reset proxy settings.", L"Reset", reset_proxy),

    header(L"Panel44", L"System"),
    repair(L"btnFIXWINSEARCH", L"Windows Search does not work.", L"FIX", fix_windows_search),
    repair(L"btnFIXHIBERNATE", L"Hibernate option is missing from the shutdown menu.", L"FIX", fix_hibernate_option),
    repair(L"btnFIXPLUGPLAY", L"New devices are not automatically detected.", L"FIX", fix_plug_and_play),
    repair(L"btnFIXWINSCRIPTHOST", L"Message appears \"Windows Script Host access is disabled on this machine\".",
           L"FIX", fix_windows_script_host),
    repair(L"btnFIXSYSRESTORE", L"System Restore doesn't work.", L"FIX", fix_system_restore, 6),
    repair(L"btnResetGPedit", L"Reset Group Policy Editor (Gpedit) to defaults.", L"Reset", reset_group_policy, 6),
};

} // namespace

std::span<const AdvancedRow> advanced_rows() {
    return kRows;
}

const AdvancedRow* find_advanced_row(std::wstring_view component) {
    for (const auto& row : kRows)
        if (row.component == component) return &row;
    return nullptr;
}

std::wstring click_handler_name(const AdvancedRow& row) {
    return std::wstring(row.component) + L"Click";
}

} // namespace vx
