#include "fixers/undo/backup_plans.h"

#include "fixers/advanced/advanced_keys.h"
#include "fixers/advanced/file_repairs.h"
#include "services/error.h"

namespace vx {

namespace {

using namespace advanced_keys;

BackupKey values(RootKey root, std::wstring path, std::vector<std::wstring> names) {
    return {root, std::move(path), std::move(names)};
}
BackupKey whole(RootKey root, std::wstring path) { return {root, std::move(path), {}}; }

BackupPlan keys(std::vector<BackupKey> list) {
    BackupPlan plan;
    plan.keys = std::move(list);
    return plan;
}

BackupPlan property_sheet_plan() {
    BackupPlan plan = keys({
        values(HKCU, kPoliciesExplorer, {L"NoSecurityTab", L"NoCustomizeThisFolder"}),
        values(HKLM, kAppCompat, {L"DisablePropPage"}),
        whole(HKCR, kSummaryPage),
    });
    for (const wchar_t* handlers : kPreviousVersionsHandlers)
        for (const wchar_t* owner : kPreviousVersionsOwners)
            plan.keys.push_back(
                whole(HKCR, std::wstring(owner) + L"\\shellex\\" + handlers + L"\\" + kPreviousVersions));
    for (const wchar_t* path : kSharingHandlers)
        plan.keys.push_back(whole(HKCR, path));
    return plan;
}

// The keys the stored folder-view batch deletes.
BackupPlan folder_view_plan(const TextStore& texts) {
    BackupPlan plan;
    for (const auto& key : folder_view_keys(texts))
        plan.keys.push_back(whole(HKCU, key));
    return plan;
}

BackupKey service_start(const wchar_t* service) {
    return values(HKLM, kServices + std::wstring(service), {L"Start"});
}

} // namespace

BackupPlan script_backup_plan(const regscript::Script& script) {
    BackupPlan plan;
    for (const auto& section : script.sections) plan.keys.push_back(whole(section.root, section.path));
    return plan;
}

BackupPlan association_backup_plan(const TextStore& texts, const AssociationEntry& entry) {
    // The EXE row's direct writes go to keys its script names too.
    return script_backup_plan(regscript::parse(texts.lines(entry.memo)));
}

AdvancedUndo advanced_undo(std::wstring_view component, Services& services) {
    if (component == L"btnFIXEXPLOREREXE") return {keys({values(HKLM, kWinlogon, {L"Shell"})}), {}};
    if (component == L"btnFIXDESKTOPICON") {
        BackupKey icons = values(HKCU, kNonEnum, {});
        for (const auto& icon : kDesktopIcons)
            icons.values.emplace_back(icon.clsid);
        return {keys({icons}), {}};
    }
    if (component == L"btnFIXRECYCLEBINICON")
        return {keys({values(HKCU, kNonEnum, {kRecycleBinClsid}), values(HKCU, kHideDesktopIcons, {kRecycleBinClsid})}),
                {}};
    if (component == L"btnFIXICONRECYCLEBIN")
        return {keys({values(HKCU, kRecycleBinIcon, {L"", L"empty", L"full"})}), {}};
    if (component == L"btnFIXRECYLEBINCORRUPT") return {{}, L"The deleted files in the Recycle Bin are gone for good."};
    if (component == L"btnFIXTHUMBNAILSFOLDER") return {keys({values(HKCU, kExplorerAdvanced, {L"IconsOnly"})}), {}};
    if (component == L"btnFIXFILEFOLDERPROPERTIES") return {property_sheet_plan(), {}};
    if (component == L"btnFIXDRIVEICON") return {keys({whole(HKLM, std::wstring(kExplorer) + L"\\DriveIcons")}), {}};
    if (component == L"btnFIXFOLDERVIEWSETTINGS")
        return {folder_view_plan(services.texts),
                L"The folder views Explorer keeps in memory are not saved; restart Explorer after undo."};
    if (component == L"btnFIXDNSCACHE") return {{}, L"The flushed DNS cache fills again by itself."};
    if (component == L"btnRenewIP") return {{}, L"A renewed IP address cannot be given back."};
    if (component == L"btnRESETFIREWALL") {
        BackupPlan plan;
        plan.firewall = true;
        return {plan, {}};
    }
    if (component == L"btnFIXFILEHOST") {
        BackupPlan plan;
        plan.files.push_back(hosts_file_path(services.folders));
        return {plan, {}};
    }
    if (component == L"btnFIXTCPIP") return {{}, L"The reset of TCP/IP cannot be undone."};
    if (component == L"btnFIXWINSOCK") return {{}, L"The reset of Winsock cannot be undone."};
    if (component == L"btnRESETIESETTINGS") return {{}, L"The reset of Internet Explorer's settings cannot be undone."};
    if (component == L"btnResetProxy")
        return {keys({values(HKLM, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections",
                             {L"WinHttpSettings"})}),
                {}};
    if (component == L"btnFIXWINSEARCH")
        return {keys({values(HKLM, kWindowsSearchService, {L"Start"}),
                      values(HKLM, L"SOFTWARE\\Microsoft\\Windows Search", {L"SetupCompletedSuccessfully"})}),
                L"Windows Search has already set itself up again."};
    if (component == L"btnFIXHIBERNATE")
        return {keys({values(HKLM, kFlyoutMenu, {L"ShowHibernateOption"})}),
                L"Hibernation stays turned on (powercfg -h off turns it off)."};
    if (component == L"btnFIXPLUGPLAY")
        return {keys({values(HKLM, kPlugPlayService, {L"Start"})}), L"The service keeps running."};
    if (component == L"btnFIXWINSCRIPTHOST") return {keys({values(HKLM, kScriptHost, {L"Enabled"})}), {}};
    if (component == L"btnFIXSYSRESTORE") {
        BackupPlan plan;
        for (const wchar_t* service : kRestoreServices)
            plan.keys.push_back(service_start(service));
        return {plan, L"System Restore stays turned on for the system drive, and the services keep running."};
    }
    if (component == L"btnResetGPedit") {
        BackupPlan plan;
        for (const wchar_t* folder : kPolicyFolders)
            plan.folders.push_back(services.folders.system_folder() + L"\\" + folder);
        return {plan, L"The policy applied by gpupdate stays until the next gpupdate or restart after undo."};
    }
    return {};
}

void fix_association_with_backup(Services& services, BackupFolders& backups, const std::wstring& time,
                                 const AssociationEntry& entry) {
    BackupPlan plan;
    try {
        plan = association_backup_plan(services.texts, entry);
    } catch (const Error& e) {
        // Without its keys named nothing can be saved, so nothing is changed.
        services.ui.show_message(kBackupFailedText + e.message(), mb::icon_error);
        return;
    }
    run_with_backup(services, backups, time, entry.type_name, entry.button, plan,
                    [&] { repair_association(services, entry); });
}

} // namespace vx
