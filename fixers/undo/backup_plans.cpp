#include "fixers/undo/backup_plans.h"

namespace vx {

namespace {

constexpr auto HKCR = RootKey::classes_root;
constexpr auto HKCU = RootKey::current_user;
constexpr auto HKLM = RootKey::local_machine;

constexpr wchar_t kNonEnum[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\NonEnum";
constexpr wchar_t kPoliciesExplorer[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr wchar_t kRecycleBin[] = L"{645FF040-5081-101B-9F08-00AA002F954E}";
constexpr wchar_t kPreviousVersions[] = L"{596AB062-B4D2-4215-9F74-E9109B0A8153}";
constexpr wchar_t kServices[] = L"SYSTEM\\CurrentControlSet\\Services\\";

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
        values(HKLM, L"SOFTWARE\\Policies\\Microsoft\\Windows\\AppCompat", {L"DisablePropPage"}),
        whole(HKCR, L"*\\shellex\\PropertySheetHandlers\\{883373C3-BF89-11D1-BE35-080036B11A03}"),
    });
    for (const wchar_t* handlers : {L"\\shellex\\ContextMenuHandlers\\", L"\\shellex\\PropertySheetHandlers\\"})
        for (const wchar_t* owner : {L"AllFilesystemObjects", L"CLSID\\{450D8FBA-AD25-11D0-98A8-0800361B1103}",
                                     L"Directory", L"Drive"})
            plan.keys.push_back(whole(HKCR, owner + std::wstring(handlers) + kPreviousVersions));
    for (const wchar_t* path :
         {L"*\\shellex\\ContextMenuHandlers\\Sharing", L"Directory\\Background\\shellex\\ContextMenuHandlers\\Sharing",
          L"Directory\\shellex\\ContextMenuHandlers\\Sharing", L"Drive\\shellex\\ContextMenuHandlers\\Sharing",
          L"LibraryFolder\\background\\shellex\\ContextMenuHandlers\\Sharing",
          L"UserLibraryFolder\\shellex\\ContextMenuHandlers\\Sharing",
          L"Directory\\shellex\\PropertySheetHandlers\\Sharing", L"Drive\\shellex\\PropertySheetHandlers\\Sharing"})
        plan.keys.push_back(whole(HKCR, path));
    return plan;
}

// The keys the folder-view batch deletes.
BackupPlan folder_view_plan() {
    BackupPlan plan;
    for (const wchar_t* path : {
             L"SOFTWARE\\Microsoft\\Windows\\Shell\\BagMRU",
             L"SOFTWARE\\Microsoft\\Windows\\Shell\\Bags",
             L"SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\Bags",
             L"SOFTWARE\\Microsoft\\Windows\\ShellNoRoam\\BagMRU",
             L"SOFTWARE\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU",
             L"SOFTWARE\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\Bags",
             L"SOFTWARE\\Classes\\Wow6432Node\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\Bags",
             L"SOFTWARE\\Classes\\Wow6432Node\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\BagMRU",
             L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Streams\\Defaults",
             L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Modules\\GlobalSettings\\Sizer",
         })
        plan.keys.push_back(whole(HKCU, path));
    return plan;
}

BackupPlan service_starts(std::initializer_list<const wchar_t*> services) {
    BackupPlan plan;
    for (const wchar_t* service : services) plan.keys.push_back(values(HKLM, kServices + std::wstring(service), {L"Start"}));
    return plan;
}

} // namespace

BackupPlan script_backup_plan(const regscript::Script& script) {
    BackupPlan plan;
    for (const auto& section : script.sections) plan.keys.push_back(whole(section.root, section.path));
    return plan;
}

BackupPlan association_backup_plan(const TextStore& texts, const AssociationEntry& entry) {
    BackupPlan plan = script_backup_plan(regscript::parse(texts.lines(entry.memo)));
    if (std::wstring_view(entry.import_name) == L"EXE") {
        // Written directly before the import: the type's keys, which the
        // script names too, and the per-user keys it makes.
        plan.keys.push_back(whole(HKCR, L".exe"));
        plan.keys.push_back(whole(HKCR, L"exefile"));
        plan.keys.push_back(whole(HKCU, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.exe"));
        plan.keys.push_back(whole(HKCU, L"SOFTWARE\\Microsoft\\Windows\\Roaming\\OpenWith\\FileExts\\.exe"));
    }
    return plan;
}

AdvancedUndo advanced_undo(std::wstring_view component, Folders& folders) {
    const std::wstring system = folders.system_folder();
    if (component == L"btnFIXEXPLOREREXE")
        return {keys({values(HKLM, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", {L"Shell"})}), {}};
    if (component == L"btnFIXDESKTOPICON")
        return {keys({values(HKCU, kNonEnum,
                             {kRecycleBin, L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}",
                              L"{59031a47-3f72-44a7-89c5-5595fe6b30ee}", L"{5399E694-6CE5-4D6C-8FCE-1D8870FDCBA0}",
                              L"{F02C1A0D-BE21-4350-88B0-7367FC96EF3C}"})}),
                {}};
    if (component == L"btnFIXRECYCLEBINICON")
        return {keys({values(HKCU, kNonEnum, {kRecycleBin}),
                      values(HKCU,
                             L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\NewStartPanel",
                             {kRecycleBin})}),
                {}};
    if (component == L"btnFIXICONRECYCLEBIN")
        return {keys({values(HKCU,
                             std::wstring(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\") +
                                 kRecycleBin + L"\\DefaultIcon",
                             {L"", L"empty", L"full"})}),
                {}};
    if (component == L"btnFIXRECYLEBINCORRUPT")
        return {{}, L"The deleted files in the Recycle Bin are gone for good."};
    if (component == L"btnFIXTHUMBNAILSFOLDER")
        return {keys({values(HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced", {L"IconsOnly"})}),
                {}};
    if (component == L"btnFIXFILEFOLDERPROPERTIES") return {property_sheet_plan(), {}};
    if (component == L"btnFIXDRIVEICON")
        return {keys({whole(HKLM, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons")}), {}};
    if (component == L"btnFIXFOLDERVIEWSETTINGS")
        return {folder_view_plan(), L"The folder views Explorer keeps in memory are not saved; restart Explorer after undo."};
    if (component == L"btnFIXDNSCACHE") return {{}, L"The flushed DNS cache fills again by itself."};
    if (component == L"btnRenewIP") return {{}, L"A renewed IP address cannot be given back."};
    if (component == L"btnRESETFIREWALL") {
        BackupPlan plan;
        plan.firewall = true;
        return {plan, {}};
    }
    if (component == L"btnFIXFILEHOST") {
        BackupPlan plan;
        plan.files.push_back(folders.windows_folder() + L"\\System32\\drivers\\etc\\hosts");
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
        return {keys({values(HKLM, kServices + std::wstring(L"WSearch"), {L"Start"}),
                      values(HKLM, L"SOFTWARE\\Microsoft\\Windows Search", {L"SetupCompletedSuccessfully"})}),
                L"Windows Search has already set itself up again."};
    if (component == L"btnFIXHIBERNATE")
        return {keys({values(HKLM, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings",
                             {L"ShowHibernateOption"})}),
                L"Hibernation stays turned on (powercfg -h off turns it off)."};
    if (component == L"btnFIXPLUGPLAY") return {service_starts({L"PlugPlay"}), L"The service keeps running."};
    if (component == L"btnFIXWINSCRIPTHOST")
        return {keys({values(HKLM, L"SOFTWARE\\Microsoft\\Windows Script Host\\Settings", {L"Enabled"})}), {}};
    if (component == L"btnFIXSYSRESTORE")
        return {service_starts({L"VSS", L"Schedule", L"swprv"}),
                L"System Restore stays turned on for the system drive, and the services keep running."};
    if (component == L"btnResetGPedit") {
        BackupPlan plan;
        plan.folders = {system + L"\\GroupPolicy", system + L"\\GroupPolicyUsers"};
        return {plan, L"The policy applied by gpupdate stays until the next gpupdate or restart after undo."};
    }
    return {};
}

} // namespace vx
